// How long the window takes to refresh its device information, and each Set.xml look-up alone,
// as the name tables grow.
#include "SimMachine.h"

#include <CTandrelDlg.h>
#include <DialogTemplate.h>
#include <MessageSink.h>
#include <NameTables.h>
#include <QApplication>
#include <QPushButton>
#include <SessionState.h>
#include <SettleHandlers.h>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <tinyxml.h>

namespace tandrel::bench {
namespace {

namespace fs = std::filesystem;

constexpr int kTableSizes[] = {10, 100, 1'000, 10'000};

// The answer carries byte codes; the tables are keyed by the code less one.
constexpr std::uint8_t kSwitchByte = 2;
constexpr std::uint8_t kColourByte = 3;
constexpr int kSwitchEntry = kSwitchByte - 1;
constexpr int kColourEntry = kColourByte - 1;
// The other entries carry IDs no byte code reaches, so only the last entry of a table matches.
constexpr int kFirstOtherId = 1'000;

// Names in GBK, as Set.xml files are written: "红轴" and "曜石黑".
constexpr std::string_view kSwitchNameGbk = "\xba\xec\xd6\xe1";
constexpr std::string_view kColourNameGbk = "\xea\xd7\xca\xaf\xba\xda";
const std::u16string kSwitchName = u"红轴";
const std::u16string kColourName = u"曜石黑";

constexpr int kNameTablesPerRefresh = 2;

// One table of `entries` entries whose last one is `wanted`.
std::string table(const char* tableElement, const char* entryElement, int entries, int wanted,
                  std::string_view name) {
    std::string xml = std::string("  <") + tableElement + ">\n";
    for (int i = 0; i < entries; ++i) {
        const int id = i + 1 == entries ? wanted : kFirstOtherId + i;
        xml += std::string("    <") + entryElement + " ID=\"" + std::to_string(id) + "\" NAME=\"";
        xml += name;
        xml += ' ' + std::to_string(id) + "\"/>\n";
    }
    return xml + "  </" + tableElement + ">\n";
}

std::string setXml(int entries) {
    return "<?xml version=\"1.0\" encoding=\"GB2312\"?>\n<SET>\n" +
           table("AXISBODY", "axis", entries, kSwitchEntry, kSwitchNameGbk) +
           table("SHELLCOLOR", "color", entries, kColourEntry, kColourNameGbk) + "</SET>\n";
}

std::u16string expectedName(const std::u16string& name, int code) {
    std::u16string text = name + u' ';
    for (const char digit : std::to_string(code)) {
        text += static_cast<char16_t>(digit);
    }
    return text;
}

// The files live in a private temporary directory for the whole run.
class SetXmlFiles {
public:
    SetXmlFiles() {
        std::string pattern = (fs::temp_directory_path() / "tandrel-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot create a temporary directory");
        }
        dir_ = pattern;
        for (const int entries : kTableSizes) {
            const fs::path path = dir_ / ("Set-" + std::to_string(entries) + ".xml");
            std::ofstream(path, std::ios::binary) << setXml(entries);
            paths_.emplace(entries, path.string());
        }
    }
    ~SetXmlFiles() { fs::remove_all(dir_); }
    SetXmlFiles(const SetXmlFiles&) = delete;
    SetXmlFiles& operator=(const SetXmlFiles&) = delete;

    const std::string& path(int entries) const { return paths_.at(entries); }
    // A file of the run's own, for benchmarks that edit it.
    std::string scratchPath() const { return (dir_ / "Set-edited.xml").string(); }

private:
    fs::path dir_;
    std::map<int, std::string> paths_;
};

// A benchmark that read a whole file must not be fooled by the size cut.
bool fitsReadLimit(benchmark::State& state, const std::string& path) {
    if (fs::file_size(path) > kMaxSetXmlBytes) {
        state.SkipWithError("Set.xml is larger than what the look-ups read");
        return false;
    }
    return true;
}

class CountingSink final : public MessageSink {
public:
    void show(QWidget&, const QString&, const QString&) override { ++shown; }
    int shown = 0;
};

// The window as the application wires it, minus the About box and the pause.
DialogContext windowContext(SessionState& session, ReceiverWorker& receiver, MessageSink& messages,
                            NameLookups lookups) {
    return {.session = session,
            .receiver = receiver,
            .messages = messages,
            .pause = [](std::chrono::milliseconds) {},
            .applicationName = QStringLiteral("tandrel"),
            .showAbout = {},
            .lookups = std::move(lookups),
            .extendContextMenu = {}};
}

// CPU time of the calling thread alone.
double threadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

void showAndSettle(CTandrelDlg& dialog) {
    dialog.show();
    QCoreApplication::processEvents();
}

void lookUpAlone(benchmark::State& state, const SetXmlFiles& files, bool switchTable) {
    const std::string& path = files.path(static_cast<int>(state.range(0)));
    if (!fitsReadLimit(state, path)) {
        return;
    }
    const FixedSetXmlLocator locator(path);
    const NameTables names(locator);
    std::u16string found;
    for (auto _ : state) {
        found = switchTable ? names.LookUpSwitchName(kSwitchEntry)
                            : names.LookUpColourName(kColourEntry);
        benchmark::DoNotOptimize(found.data());
    }
    const std::u16string expected = switchTable ? expectedName(kSwitchName, kSwitchEntry)
                                                : expectedName(kColourName, kColourEntry);
    if (found != expected) {
        state.SkipWithError("the look-up did not find the last entry");
    }
    state.SetComplexityN(state.range(0));
}

// The first look-up after an edit: before each one the file is rewritten with bytes that differ
// from the last only in its final line, so that telling the two apart costs the most.
void lookUpAfterEdit(benchmark::State& state, const SetXmlFiles& files) {
    const std::string xml = setXml(static_cast<int>(state.range(0)));
    const std::string path = files.scratchPath();
    const FixedSetXmlLocator locator(path);
    const NameTables names(locator);
    std::u16string found;
    int edits = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            << xml << "<!-- edit " << edits++ % 2 << " -->\n";
        state.ResumeTiming();
        found = names.LookUpSwitchName(kSwitchEntry);
        benchmark::DoNotOptimize(found.data());
    }
    if (!fitsReadLimit(state, path) || found != expectedName(kSwitchName, kSwitchEntry)) {
        state.SkipWithError("the look-up did not find the last entry");
    }
    state.SetComplexityN(state.range(0));
}

// The floor under every look-up: the XML parser alone building and freeing the whole document,
// with the file already in memory. The look-ups parse the whole file each time by design.
void parseAlone(benchmark::State& state, const SetXmlFiles& files) {
    std::ostringstream text;
    text << std::ifstream(files.path(static_cast<int>(state.range(0))), std::ios::binary).rdbuf();
    const std::string xml = text.str();
    for (auto _ : state) {
        TiXmlDocument document;
        document.Parse(xml.c_str(), nullptr, TIXML_ENCODING_LEGACY);
        benchmark::DoNotOptimize(document.RootElement());
    }
    state.SetComplexityN(state.range(0));
}

// The real dialog over a connected keyboard: each refresh asks the receiver for its status, looks
// both names up and fills the four fields. The look-ups run on the receiver worker, so the CPU time
// is the whole process's.
void refreshDeviceInfo(benchmark::State& state, const SetXmlFiles& files) {
    const std::string& path = files.path(static_cast<int>(state.range(0)));
    if (!fitsReadLimit(state, path)) {
        return;
    }
    const FixedSetXmlLocator locator(path);
    const NameTables names(locator);
    sim::SimulatedPlatform platform;
    addInterfaces(platform, 1);
    connectKeyboard(platform, kSwitchByte, kColourByte);
    DeviceRecord device;
    ReceiverLink receiver(platform, device);
    receiver.ReadReceiverInfo(); // what the receiver watch stores before a refresh
    ReceiverWorker worker(receiver, device);
    SessionState session;
    CountingSink messages;
    CTandrelDlg dialog(
        windowContext(session, worker, messages,
                      {[&names](int code) { return names.LookUpSwitchName(code); },
                       [&names](int code) { return names.LookUpColourName(code); }}));
    showAndSettle(dialog);
    auto* refresh = static_cast<QPushButton*>(dialog.control(ctl::kDeviceInfo));

    const double windowThreadBefore = threadCpuSeconds();
    for (auto _ : state) {
        refresh->click();
        settleHandlers(dialog);
        platform.clearWrites();
    }
    state.counters["window_thread"] = benchmark::Counter(threadCpuSeconds() - windowThreadBefore,
                                                         benchmark::Counter::kAvgIterations);
    if (messages.shown != 0 ||
        dialog.switchText != QString::fromStdU16String(expectedName(kSwitchName, kSwitchEntry))) {
        state.SkipWithError("the refresh did not show the looked-up names");
    }
    state.counters["per_lookup"] =
        benchmark::Counter(kNameTablesPerRefresh, benchmark::Counter::kIsIterationInvariantRate |
                                                      benchmark::Counter::kInvert);
    state.SetComplexityN(state.range(0));
}

// The window's whole watch tick, Qt included, over a machine of 64 interfaces.
void dialogReceiverWatchTick(benchmark::State& state) {
    sim::SimulatedPlatform platform;
    addInterfaces(platform, static_cast<std::size_t>(state.range(0)));
    connectKeyboard(platform, kSwitchByte, kColourByte);
    DeviceRecord device;
    ReceiverLink receiver(platform, device);
    ReceiverWorker worker(receiver, device);
    SessionState session;
    CountingSink messages;
    CTandrelDlg dialog(windowContext(session, worker, messages, {}));
    showAndSettle(dialog);
    dialog.OnInitDialog();
    settleHandlers(dialog);

    for (auto _ : state) {
        dialog.OnTimer(kReceiverWatchTimer);
        settleHandlers(dialog);
        platform.clearWrites();
    }
    if (messages.shown != 0 || session.ConnectionState != connection::kConnected) {
        state.SkipWithError("the tick did not see the connected keyboard");
    }
}

template <typename Registered> void everySize(Registered* registered) {
    for (const int entries : kTableSizes) {
        registered->Arg(entries);
    }
    registered->Complexity(benchmark::oN)->Unit(benchmark::kMicrosecond);
}

} // namespace
} // namespace tandrel::bench

int main(int argc, char* argv[]) {
    using namespace tandrel::bench;
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    const SetXmlFiles files;
    everySize(benchmark::RegisterBenchmark("refreshDeviceInfo", [&files](benchmark::State& s) {
                  refreshDeviceInfo(s, files);
              })->MeasureProcessCPUTime());
    everySize(benchmark::RegisterBenchmark(
        "lookUpSwitchName", [&files](benchmark::State& s) { lookUpAlone(s, files, true); }));
    everySize(benchmark::RegisterBenchmark(
        "lookUpColourName", [&files](benchmark::State& s) { lookUpAlone(s, files, false); }));
    everySize(benchmark::RegisterBenchmark(
        "lookUpAfterEdit", [&files](benchmark::State& s) { lookUpAfterEdit(s, files); }));
    everySize(benchmark::RegisterBenchmark(
        "parseAlone", [&files](benchmark::State& s) { parseAlone(s, files); }));
    benchmark::RegisterBenchmark("dialogReceiverWatchTick", dialogReceiverWatchTick)
        ->Arg(64)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// A receiver that lives in memory: the HidPlatform used by the tests and the demo.
#pragma once

#include "HidPlatform.h"
#include "Reports.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tandrel::sim {

enum class ReadFault { None, Fails, TimesOut };

// One HID interface and the faults it shows. Counters such as `failingWrites` are used up as
// the faults happen.
struct SimInterface {
    HidInterface info;
    bool pathUnavailable = false;
    std::optional<OpenError> openFailure;
    int failingWrites = 0; // the next N writes fail
    bool hung = false;     // takes no command: every write waits for the USB time-out, then fails
    int writeAttempts = 0; // every write asked for, failed or not
    ReadFault readFault = ReadFault::None;
    bool unplugAfterWrite = false;     // the receiver vanishes after the next write
    std::optional<Report> decoyAnswer; // answers with these bytes instead of the receiver's
};

struct WrittenReport {
    std::string path;
    Report bytes{};
};

class SimulatedPlatform final : public HidPlatform {
public:
    SimulatedPlatform();
    ~SimulatedPlatform() override;
    SimulatedPlatform(const SimulatedPlatform&) = delete;
    SimulatedPlatform& operator=(const SimulatedPlatform&) = delete;

    // --- HidPlatform
    std::optional<std::vector<HidInterface>> listInterfaces() override;
    bool reserveScratchBuffer() override;
    OpenResult open(const std::string& path) override;

    // --- building the machine
    // Adds one interface and returns its index.
    std::size_t addInterface(SimInterface spec);
    // Adds the receiver's three interfaces (0, 1, 2) under `pathPrefix` and returns the index of
    // interface 2.
    std::size_t addReceiver(const std::string& pathPrefix = "/dev/hidraw");
    SimInterface& interfaceAt(std::size_t index);
    std::size_t interfaceCount() const;
    void removeAllInterfaces();

    // Unplugged receivers vanish from the list and their open handles stop working.
    void unplug();
    void plug();
    bool plugged() const;

    void setListFails(bool fails);
    void setScratchFails(bool fails);

    // How long a hung interface's write and a read that gets no answer take; none by default.
    void setWaits(std::chrono::milliseconds usbTimeout, std::chrono::milliseconds readBound);

    // While writes are held, each write waits at the start until they are released: an exchange
    // that a test holds in flight. The handles may be used from another thread meanwhile.
    void holdWrites();
    // Waits until a write is held; false after `limit` without one.
    bool awaitHeldWrite(std::chrono::milliseconds limit);
    void releaseWrites();

    // --- the receiver's behaviour
    // The answer to every query; its byte 39 is replaced by the current link status.
    void setAnswer(const Report& answer);
    void setLinkStatus(std::uint8_t status);
    std::uint8_t linkStatus() const;
    // The receiver vanishes right after delivering its next `answers` answers.
    void unplugAfterAnswers(int answers);
    // Statuses taken one per answered query after each pair command; the last one stays.
    void setPairingScript(std::vector<std::uint8_t> statuses);

    // --- what happened
    int openHandles() const;
    int peakOpenHandles() const;
    const std::vector<WrittenReport>& writes() const;
    void clearWrites();

    struct State;

private:
    std::shared_ptr<State> state_;
};

// A 65-byte answer with the given fields and the marker set, for tests and the demo.
struct AnswerFields {
    std::uint8_t firmwareMajor = 0;
    std::uint8_t firmwareMinor = 0;
    std::uint8_t switchCode = 0;
    std::uint8_t colourCode = 0;
    std::uint8_t linkStatus = 0;
    std::uint16_t modelCode = 0;
    bool infoPresent = true;
};
Report makeAnswer(const AnswerFields& fields);

} // namespace tandrel::sim

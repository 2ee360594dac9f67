// The simulated receiver's state machine and its handles.
#include "SimulatedPlatform.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace tandrel::sim {
namespace {
// Longer paths do not fit the platform's path record and are refused.
constexpr std::size_t kMaxPathChars = 509;

// The receiver's side of the protocol is written out here rather than taken from the tool's own
// definitions, so that a tool that gets a byte wrong meets a receiver that does not understand it.
constexpr std::uint16_t kVendorId = 0x5e1c;
constexpr std::uint16_t kProductId = 0x8040;
constexpr Report kPairCommand{0x00, 0x03, 0x8E};
constexpr Report kQueryCommand{0x00, 0x03, 0x03, 0x8F};
constexpr std::size_t kStatusByte = 39;

bool belongsToReceiver(const SimInterface& candidate) {
    return candidate.info.vendorId == kVendorId && candidate.info.productId == kProductId;
}
} // namespace

struct SimulatedPlatform::State {
    std::vector<SimInterface> interfaces;
    bool plugged = true;
    bool listFails = false;
    bool scratchFails = false;
    Report answer{};
    std::uint8_t linkStatus = 0;
    std::vector<std::uint8_t> pairingScript;
    std::deque<std::uint8_t> pendingStatuses;
    std::optional<Report> pendingAnswer; // one answer per query, kept until read
    int answersBeforeUnplug = -1;        // negative: never
    int openHandles = 0;
    int peakOpenHandles = 0;
    int generation = 0; // bumped on unplug, so handles from before stop working
    std::vector<WrittenReport> writes;
    std::chrono::milliseconds usbTimeout{0};
    std::chrono::milliseconds readBound{0};

    // The gate where held writes wait; the only state used by two threads at once.
    std::mutex gateMutex;
    std::condition_variable gateChanged;
    bool holding = false;
    int writesAtGate = 0;

    void passGate() {
        std::unique_lock lock(gateMutex);
        ++writesAtGate;
        gateChanged.notify_all();
        gateChanged.wait(lock, [this] { return !holding; });
        --writesAtGate;
    }

    SimInterface* find(const std::string& path) {
        for (SimInterface& candidate : interfaces) {
            if (candidate.info.path == path) {
                return &candidate;
            }
        }
        return nullptr;
    }
};

namespace {

class SimHandle final : public HidHandle {
public:
    SimHandle(std::shared_ptr<SimulatedPlatform::State> state, std::string path)
        : state_(std::move(state)), path_(std::move(path)), generation_(state_->generation) {
        ++state_->openHandles;
        state_->peakOpenHandles = std::max(state_->peakOpenHandles, state_->openHandles);
    }
    ~SimHandle() override { --state_->openHandles; }
    SimHandle(const SimHandle&) = delete;
    SimHandle& operator=(const SimHandle&) = delete;

    WriteResult write(const Report& report) override {
        state_->passGate();
        SimInterface* self = live();
        if (self == nullptr) {
            return WriteResult::Failed;
        }
        ++self->writeAttempts;
        if (self->hung) {
            std::this_thread::sleep_for(state_->usbTimeout);
            return WriteResult::TimedOut;
        }
        if (self->failingWrites > 0) {
            --self->failingWrites;
            return WriteResult::Failed;
        }
        state_->writes.push_back({path_, report});
        if (report == kPairCommand) {
            state_->pendingStatuses.assign(state_->pairingScript.begin(),
                                           state_->pairingScript.end());
        } else if (report == kQueryCommand) {
            answerQuery(*self);
        }
        if (self->unplugAfterWrite) {
            self->unplugAfterWrite = false;
            state_->plugged = false;
            ++state_->generation;
        }
        return WriteResult::Written;
    }

    bool read(Report& into) override {
        SimInterface* self = live();
        if (self == nullptr || self->readFault == ReadFault::Fails) {
            return false;
        }
        if (self->readFault == ReadFault::TimesOut || !pending_) {
            std::this_thread::sleep_for(state_->readBound);
            return false;
        }
        into = *pending_;
        pending_.reset();
        if (state_->answersBeforeUnplug > 0 && --state_->answersBeforeUnplug == 0) {
            state_->answersBeforeUnplug = -1;
            state_->plugged = false;
            ++state_->generation;
        }
        return true;
    }

private:
    SimInterface* live() {
        if (!state_->plugged || state_->generation != generation_) {
            return nullptr;
        }
        return state_->find(path_);
    }

    void answerQuery(const SimInterface& self) {
        if (self.decoyAnswer) {
            pending_ = *self.decoyAnswer;
            return;
        }
        if (!state_->pendingStatuses.empty()) {
            state_->linkStatus = state_->pendingStatuses.front();
            state_->pendingStatuses.pop_front();
        }
        Report reply = state_->answer;
        reply[kStatusByte] = state_->linkStatus;
        pending_ = reply;
    }

    std::shared_ptr<SimulatedPlatform::State> state_;
    std::string path_;
    int generation_;
    std::optional<Report> pending_;
};

} // namespace

SimulatedPlatform::SimulatedPlatform() : state_(std::make_shared<State>()) {}
SimulatedPlatform::~SimulatedPlatform() = default;

std::optional<std::vector<HidInterface>> SimulatedPlatform::listInterfaces() {
    if (state_->listFails) {
        return std::nullopt;
    }
    std::vector<HidInterface> present;
    for (const SimInterface& candidate : state_->interfaces) {
        if (belongsToReceiver(candidate) && !state_->plugged) {
            continue;
        }
        HidInterface listed = candidate.info;
        if (candidate.pathUnavailable || listed.path.size() > kMaxPathChars) {
            listed.path.clear();
        }
        present.push_back(std::move(listed));
    }
    return present;
}

bool SimulatedPlatform::reserveScratchBuffer() {
    return !state_->scratchFails;
}

OpenResult SimulatedPlatform::open(const std::string& path) {
    OpenResult result;
    const SimInterface* target = state_->find(path);
    if (target == nullptr || (belongsToReceiver(*target) && !state_->plugged)) {
        result.error = OpenError::NotFound;
        return result;
    }
    if (target->openFailure) {
        result.error = *target->openFailure;
        return result;
    }
    result.handle = std::make_unique<SimHandle>(state_, path);
    return result;
}

std::size_t SimulatedPlatform::addInterface(SimInterface spec) {
    state_->interfaces.push_back(std::move(spec));
    return state_->interfaces.size() - 1;
}

std::size_t SimulatedPlatform::addReceiver(const std::string& pathPrefix) {
    std::size_t last = 0;
    const std::size_t first = state_->interfaces.size();
    for (int number = 0; number <= 2; ++number) {
        SimInterface spec;
        spec.info = {pathPrefix + std::to_string(first + static_cast<std::size_t>(number)),
                     kVendorId, kProductId, number};
        last = addInterface(std::move(spec));
    }
    return last;
}

SimInterface& SimulatedPlatform::interfaceAt(std::size_t index) {
    return state_->interfaces.at(index);
}
std::size_t SimulatedPlatform::interfaceCount() const {
    return state_->interfaces.size();
}
void SimulatedPlatform::removeAllInterfaces() {
    state_->interfaces.clear();
    ++state_->generation;
}

void SimulatedPlatform::unplug() {
    state_->plugged = false;
    ++state_->generation;
}
void SimulatedPlatform::plug() {
    state_->plugged = true;
}
bool SimulatedPlatform::plugged() const {
    return state_->plugged;
}

void SimulatedPlatform::setListFails(bool fails) {
    state_->listFails = fails;
}
void SimulatedPlatform::setScratchFails(bool fails) {
    state_->scratchFails = fails;
}

void SimulatedPlatform::setWaits(std::chrono::milliseconds usbTimeout,
                                 std::chrono::milliseconds readBound) {
    state_->usbTimeout = usbTimeout;
    state_->readBound = readBound;
}

void SimulatedPlatform::holdWrites() {
    const std::lock_guard lock(state_->gateMutex);
    state_->holding = true;
}
bool SimulatedPlatform::awaitHeldWrite(std::chrono::milliseconds limit) {
    std::unique_lock lock(state_->gateMutex);
    return state_->gateChanged.wait_for(lock, limit, [this] { return state_->writesAtGate > 0; });
}
void SimulatedPlatform::releaseWrites() {
    {
        const std::lock_guard lock(state_->gateMutex);
        state_->holding = false;
    }
    state_->gateChanged.notify_all();
}

void SimulatedPlatform::setAnswer(const Report& answer) {
    state_->answer = answer;
}
void SimulatedPlatform::setLinkStatus(std::uint8_t status) {
    state_->linkStatus = status;
}
std::uint8_t SimulatedPlatform::linkStatus() const {
    return state_->linkStatus;
}
void SimulatedPlatform::unplugAfterAnswers(int answers) {
    state_->answersBeforeUnplug = answers;
}
void SimulatedPlatform::setPairingScript(std::vector<std::uint8_t> statuses) {
    state_->pairingScript = std::move(statuses);
}

int SimulatedPlatform::openHandles() const {
    return state_->openHandles;
}
int SimulatedPlatform::peakOpenHandles() const {
    return state_->peakOpenHandles;
}
const std::vector<WrittenReport>& SimulatedPlatform::writes() const {
    return state_->writes;
}
void SimulatedPlatform::clearWrites() {
    state_->writes.clear();
}

Report makeAnswer(const AnswerFields& fields) {
    Report r{};
    r[5] = fields.firmwareMajor;
    r[4] = fields.firmwareMinor;
    r[17] = fields.switchCode;
    r[18] = fields.colourCode;
    r[kStatusByte] = fields.linkStatus;
    r[40] = static_cast<std::uint8_t>(fields.modelCode & 0xff);
    r[41] = static_cast<std::uint8_t>(fields.modelCode >> 8);
    if (fields.infoPresent) {
        r[7] = 0x01; // the first byte of the information marker
    }
    return r;
}

} // namespace tandrel::sim

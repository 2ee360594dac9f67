// The four receiver operations and the pause as jobs for the receiver worker, and their answers
// brought back to the window's thread.
#include "AsyncReceiver.h"

#include <thread>

namespace tandrel {

void blockingPause(std::chrono::milliseconds duration) {
    std::this_thread::sleep_for(duration);
}

// Where the worker leaves word that a job has run, with the answer it left and that answer's names.
// The window's side may be gone by then: the worker only rings while it is there, and the window's
// side reads only what the mutex hands over.
struct AsyncReceiver::Doorbell {
    explicit Doorbell(NameLookups names) : lookups(std::move(names)) {}

    const NameLookups lookups; // called on the worker only
    std::mutex mutex;
    QObject* listener = nullptr;
    Report lastReport{};
    ReportNames lastNames;

    void ring(const Report& report) {
        // Set.xml is read here, so that the window's thread never waits on the file.
        ReportNames names = lookUpNames(report, lookups);
        const std::lock_guard lock(mutex);
        lastReport = report;
        lastNames = std::move(names);
        if (listener != nullptr) {
            QMetaObject::invokeMethod(listener, "exchangeFinished", Qt::QueuedConnection);
        }
    }
};

namespace {

NameLookups withEmptyDefaults(NameLookups lookups) {
    const auto none = [](int) { return std::u16string(); };
    if (!lookups.switchName) {
        lookups.switchName = none;
    }
    if (!lookups.colourName) {
        lookups.colourName = none;
    }
    return lookups;
}

} // namespace

AsyncReceiver::AsyncReceiver(ReceiverWorker& worker, Pause pause, NameLookups lookups)
    : worker_(worker), pause_(std::move(pause)),
      doorbell_(std::make_shared<Doorbell>(withEmptyDefaults(std::move(lookups)))) {
    doorbell_->listener = this;
}

AsyncReceiver::~AsyncReceiver() {
    const std::lock_guard lock(doorbell_->mutex);
    doorbell_->listener = nullptr;
}

void AsyncReceiver::post(std::coroutine_handle<> waiting, Job job) {
    waiting_ = waiting;
    worker_.post(
        [job = std::move(job), doorbell = doorbell_](ReceiverLink& link, DeviceRecord& record) {
            job(link, record);
            doorbell->ring(record.lastReport);
        });
}

void AsyncReceiver::exchangeFinished() {
    {
        const std::lock_guard lock(doorbell_->mutex);
        lastReport_ = doorbell_->lastReport;
        lastNames_ = doorbell_->lastNames;
    }
    std::exchange(waiting_, {}).resume();
}

AsyncReceiver::Exchange<bool> AsyncReceiver::FindReceiver() {
    return {*this, [](ReceiverLink& link, DeviceRecord&) { return link.FindReceiver(); }};
}

AsyncReceiver::Exchange<std::uint8_t> AsyncReceiver::ReadReceiverInfo() {
    return {*this, [](ReceiverLink& link, DeviceRecord&) { return link.ReadReceiverInfo(); }};
}

AsyncReceiver::Exchange<StatusReading> AsyncReceiver::ReadReceiverStatus() {
    return {*this, [](ReceiverLink& link, DeviceRecord&) { return link.ReadReceiverStatus(); }};
}

AsyncReceiver::Exchange<PairOutcome> AsyncReceiver::SendPairCommand() {
    return {*this, [](ReceiverLink& link, DeviceRecord&) {
                return PairOutcome{link.SendPairCommand(), link.lastWalk().everyOpenDenied()};
            }};
}

AsyncReceiver::Exchange<bool> AsyncReceiver::pause(std::chrono::milliseconds duration) {
    return {*this, [pause = pause_, duration](ReceiverLink&, DeviceRecord&) {
                pause(duration);
                return true;
            }};
}

void AsyncReceiver::clearLastReport() {
    worker_.post([](ReceiverLink&, DeviceRecord& record) { record.clearLastReport(); });
}

} // namespace tandrel

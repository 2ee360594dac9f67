// The receiver as the window's handlers see it: each operation runs on the receiver worker and is
// awaited, so the window's thread goes on painting however long the receiver takes.
#pragma once

#include <DeviceInfoText.h>
#include <QObject>
#include <ReceiverLink.h>
#include <ReceiverWorker.h>
#include <Reports.h>
#include <chrono>
#include <coroutine>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>

namespace tandrel {

// Runs on the receiver worker; nothing else is handled there meanwhile.
using Pause = std::function<void(std::chrono::milliseconds)>;
void blockingPause(std::chrono::milliseconds duration);

struct PairOutcome {
    ReceiverResult result = ReceiverResult::NoAnswer;
    bool everyOpenDenied = false; // the receiver is there, but the user may not open it
};

class AsyncReceiver final : public QObject {
    Q_OBJECT

public:
    // What an awaiting handler gets back once its job has run on the worker.
    template <typename T> class Exchange;

    // The look-ups run on the worker too, for every answer brought back; a missing one gives
    // empty names.
    AsyncReceiver(ReceiverWorker& worker, Pause pause, NameLookups lookups);
    // An exchange still in flight then finishes on the worker, and its answer goes nowhere.
    ~AsyncReceiver() override;
    AsyncReceiver(const AsyncReceiver&) = delete;
    AsyncReceiver& operator=(const AsyncReceiver&) = delete;

    Exchange<bool> FindReceiver();
    Exchange<std::uint8_t> ReadReceiverInfo();
    Exchange<StatusReading> ReadReceiverStatus();
    Exchange<PairOutcome> SendPairCommand();
    Exchange<bool> pause(std::chrono::milliseconds duration);
    // Takes its turn behind what was asked for before it; nobody waits for it.
    void clearLastReport();

    // DeviceRecord.lastReport as the latest finished exchange left it, and its names as Set.xml
    // gave them then.
    const Report& lastReport() const { return lastReport_; }
    const ReportNames& lastNames() const { return lastNames_; }

private:
    using Job = ReceiverWorker::Job;
    struct Doorbell;

    void post(std::coroutine_handle<> waiting, Job job);
    Q_INVOKABLE void exchangeFinished();

    ReceiverWorker& worker_;
    Pause pause_;
    std::shared_ptr<Doorbell> doorbell_;
    std::coroutine_handle<> waiting_;
    Report lastReport_{};
    ReportNames lastNames_;
};

template <typename T> class AsyncReceiver::Exchange {
public:
    using Work = std::function<T(ReceiverLink&, DeviceRecord&)>;
    Exchange(AsyncReceiver& receiver, Work work) : receiver_(receiver), work_(std::move(work)) {}

    bool await_ready() const noexcept { return false; }
    void await_suspend(std::coroutine_handle<> waiting) {
        receiver_.post(waiting, [work = std::move(work_), result = result_](ReceiverLink& link,
                                                                            DeviceRecord& record) {
            *result = work(link, record);
        });
    }
    T await_resume() { return *result_; }

private:
    AsyncReceiver& receiver_;
    Work work_;
    // Shared with the job, which may outlive an abandoned handler.
    std::shared_ptr<T> result_ = std::make_shared<T>();
};

} // namespace tandrel

// The one thread that talks to the receiver, so that a receiver that hangs holds up nobody else.
#pragma once

#include "DeviceRecord.h"
#include "ReceiverLink.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace tandrel {

// Runs jobs on the receiver link one at a time, in the order they were posted. While a job runs it
// owns the link and the device record; nothing else may touch them.
class ReceiverWorker {
public:
    using Job = std::function<void(ReceiverLink&, DeviceRecord&)>;

    ReceiverWorker(ReceiverLink& link, DeviceRecord& record);
    // Drops the jobs that have not begun, stops the walk in flight before its next write, and waits
    // for the write in flight: a hidraw write cannot be interrupted, so the process can end only
    // once the kernel hands it back.
    ~ReceiverWorker();
    ReceiverWorker(const ReceiverWorker&) = delete;
    ReceiverWorker& operator=(const ReceiverWorker&) = delete;

    void post(Job job);

private:
    void run();

    ReceiverLink& link_;
    DeviceRecord& record_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job> jobs_;
    bool stopping_ = false;
    std::thread thread_; // last, so that it starts once everything it uses is there
};

} // namespace tandrel

// The receiver worker's queue and thread.
#include "ReceiverWorker.h"

#include <utility>

namespace tandrel {

ReceiverWorker::ReceiverWorker(ReceiverLink& link, DeviceRecord& record)
    : link_(link), record_(record), thread_([this] { run(); }) {}

ReceiverWorker::~ReceiverWorker() {
    link_.requestStop();
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
        jobs_.clear();
    }
    wake_.notify_one();
    thread_.join();
}

void ReceiverWorker::post(Job job) {
    {
        const std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

void ReceiverWorker::run() {
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            if (stopping_) {
                return;
            }
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        job(link_, record_);
    }
}

} // namespace tandrel

// The handlers' queue: ticks coalesce per timer, clicks never get lost.
#include "HandlerQueue.h"

#include <algorithm>
#include <utility>

namespace tandrel {

HandlerQueue::HandlerQueue(Run run, std::function<void()> ended)
    : run_(std::move(run)), ended_(std::move(ended)) {}

void HandlerQueue::add(HandlerEvent event) {
    const bool tickWaits = event.kind == HandlerEvent::Kind::Tick &&
                           std::find(waiting_.begin(), waiting_.end(), event) != waiting_.end();
    if (!tickWaits) {
        waiting_.push_back(event);
        runNext();
    }
}

void HandlerQueue::dropTick(int timerId) {
    std::erase(waiting_, HandlerEvent{HandlerEvent::Kind::Tick, timerId});
}

void HandlerQueue::runNext() {
    if (running_ || waiting_.empty()) {
        return;
    }
    const HandlerEvent next = waiting_.front();
    waiting_.pop_front();
    running_.emplace(run_(next));
    // The handler ends inside its own coroutine, which must not be destroyed from there.
    running_->start([this] {
        QMetaObject::invokeMethod(this, &HandlerQueue::handlerEnded, Qt::QueuedConnection);
    });
}

void HandlerQueue::handlerEnded() {
    running_.reset();
    runNext();
    ended_();
}

} // namespace tandrel

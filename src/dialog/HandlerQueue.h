// The window's handlers, run one at a time and each to its end, in the order their events came.
#pragma once

#include "Task.h"

#include <QObject>
#include <deque>
#include <functional>
#include <optional>

namespace tandrel {

// What a handler answers: the start-up probe, a click, or a tick of one of the timers.
struct HandlerEvent {
    enum class Kind { Init, ConnectClick, RefreshClick, Tick };
    Kind kind;
    int timerId = 0; // for ticks
    bool operator==(const HandlerEvent&) const = default;
};

// A handler that awaits the receiver keeps the others waiting, as they would on a thread that did
// everything itself, while the window's thread goes on painting.
class HandlerQueue final : public QObject {
public:
    using Run = std::function<Task(HandlerEvent)>;
    // `ended` is called after each handler has ended, once the next one has begun.
    HandlerQueue(Run run, std::function<void()> ended);

    // A tick of a timer that already has one waiting is dropped, so that a hung receiver never
    // builds up a backlog; every click waits its turn.
    void add(HandlerEvent event);
    // A stopped timer no longer ticks: its waiting tick goes too.
    void dropTick(int timerId);
    // Nothing runs and nothing waits.
    bool idle() const { return !running_ && waiting_.empty(); }

private:
    void runNext();
    void handlerEnded();

    Run run_;
    std::function<void()> ended_;
    std::deque<HandlerEvent> waiting_;
    std::optional<Task> running_;
};

} // namespace tandrel

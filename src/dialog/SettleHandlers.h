// Running the window's handlers to their end, for the tools, benchmarks and tests where no user
// waits; the window itself never waits for them.
#pragma once

#include "CTandrelDlg.h"

#include <QCoreApplication>

namespace tandrel {

// Lets every handler asked for so far end, the receiver worker's answers included; the timers'
// own ticks are held back, so that only what the caller asked for runs.
inline void settleHandlers(CTandrelDlg& dialog) {
    while (!dialog.handlersIdle()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents |
                                        QEventLoop::X11ExcludeTimers);
    }
}

} // namespace tandrel

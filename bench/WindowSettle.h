// Running the real window's handlers to their end from a benchmark, where no user waits.
#pragma once

#include <CTandrelDlg.h>
#include <QCoreApplication>

namespace tandrel::bench {

// Lets every handler asked for so far end, the receiver worker's answers included; the timers'
// own ticks are held back, as the caller fires them.
inline void settle(CTandrelDlg& dialog) {
    while (!dialog.handlersIdle()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents |
                                        QEventLoop::X11ExcludeTimers);
    }
}

} // namespace tandrel::bench

// Tells a screen reader of each change of the window's status, once, whatever has focus.
#pragma once

#include <QString>
#include <QtGlobal>
#include <vector>

class QWidget;

namespace tandrel {

class StatusAnnouncer {
public:
    // `window` carries the status as its description and each of `named` as its name, for a
    // reader that asks; all of them outlive the announcer.
    StatusAnnouncer(QWidget& window, std::vector<QWidget*> named);

    // Takes a status just shown. The pairing texts differ only in their dots, which are heard as
    // one status: a listener would otherwise hear a new status every second.
    void announce(const QString& shownText);

private:
    QWidget& window_;
    std::vector<QWidget*> named_;
#if QT_VERSION < QT_VERSION_CHECK(6, 8, 0)
    // Qt before 6.8 has no announcement of its own.
    QWidget* notificationFrame_ = nullptr;
    QWidget* notification_ = nullptr;
#endif
    QString heard_;
};

} // namespace tandrel

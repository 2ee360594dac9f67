// Tells a screen reader of each change of the window's status, once, whatever has focus.
#pragma once

#include <QObject>
#include <QString>
#include <QtGlobal>
#include <vector>

class QWidget;

namespace tandrel {

class StatusAnnouncer final : public QObject {
public:
    // Each of `named` carries the status as its name, for a reader that asks; they and `window`
    // outlive the announcer.
    StatusAnnouncer(QWidget& window, std::vector<QWidget*> named);

    // Takes a status just shown. The pairing texts differ only in their dots, which are heard as
    // one status: a listener would otherwise hear a new status every second.
    void announce(const QString& shownText);

private:
    void speak();

    QWidget& window_;
    std::vector<QWidget*> named_;
    QString heard_;
#if QT_VERSION < QT_VERSION_CHECK(6, 8, 0)
    // Qt before 6.8 has no announcement of its own.
    QWidget* notificationFrame_ = nullptr;
    QWidget* notification_ = nullptr;
#else
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool windowActivated_ = false;
#endif
};

} // namespace tandrel

// Status announcements: Qt's own from 6.8; before it, a notification that appears.
#include "StatusAnnouncer.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QEvent>
#include <QWidget>
#include <utility>

namespace tandrel {
namespace {

#if QT_VERSION < QT_VERSION_CHECK(6, 8, 0)
// A child of no size that paints nothing and takes neither focus nor clicks; assistive technology
// sees it in the role it is given.
class Unseen final : public QWidget {
public:
    Unseen(QWidget& parent, QAccessible::Role role) : QWidget(&parent), role_(role) {
        setFocusPolicy(Qt::NoFocus);
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setGeometry(0, 0, 0, 0);
    }
    QAccessible::Role role() const { return role_; }

private:
    QAccessible::Role role_;
};

QAccessibleInterface* unseenAccessible(const QString& /*className*/, QObject* object) {
    auto* unseen = dynamic_cast<Unseen*>(object);
    return unseen != nullptr ? new QAccessibleWidget(unseen, unseen->role()) : nullptr;
}
#endif

} // namespace

StatusAnnouncer::StatusAnnouncer(QWidget& window, std::vector<QWidget*> named)
    : window_(window), named_(std::move(named)) {
#if QT_VERSION < QT_VERSION_CHECK(6, 8, 0)
    // Orca 43 (Debian 12) speaks a name or description change only for the object that has focus,
    // but speaks a notification whenever one becomes showing. Inside the dialog it would first
    // repeat the dialog's title and status; inside a frame of its own it says just its name.
    QAccessible::installFactory(unseenAccessible); // installed once, however many windows
    notificationFrame_ = new Unseen(window, QAccessible::Window);
    notificationFrame_->hide();
    notification_ = new Unseen(*notificationFrame_, QAccessible::Notification);
#else
    window.installEventFilter(this);
#endif
}

void StatusAnnouncer::announce(const QString& shownText) {
    QString heard = shownText;
    while (heard.endsWith(u'.')) {
        heard.chop(1);
    }
    if (heard == heard_) {
        return;
    }
    heard_ = heard;
    for (QWidget* widget : named_) {
        widget->setAccessibleName(heard);
    }
#if QT_VERSION < QT_VERSION_CHECK(6, 8, 0)
    // Orca 43 reads the window's description with its title as it comes up: the status at the
    // start. Orca 48 (Debian 13) reads none then, and would speak each change of it besides the
    // announcement.
    window_.setAccessibleDescription(heard);
#endif
    if (window_.isVisible()) {
        speak();
    }
}

#if QT_VERSION < QT_VERSION_CHECK(6, 8, 0)
void StatusAnnouncer::speak() {
    notification_->setAccessibleName(heard_);
    notificationFrame_->hide();
    notificationFrame_->show();
}
#else
void StatusAnnouncer::speak() {
    QAccessibleAnnouncementEvent event(&window_, heard_);
    QAccessible::updateAccessibility(&event);
}

// The status at the start is announced once the window is first activated, after its title.
bool StatusAnnouncer::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::WindowActivate && !windowActivated_) {
        windowActivated_ = true;
        speak();
    }
    return QObject::eventFilter(watched, event);
}
#endif

} // namespace tandrel

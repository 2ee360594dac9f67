// Status announcements: Qt's own from 6.8; before it, a notification that appears.
#include "StatusAnnouncer.h"

#include <QAccessible>
#include <QAccessibleWidget>
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
    window_.setAccessibleDescription(heard);
    // Before the window is shown, the status is heard with the window itself.
    if (!window_.isVisible()) {
        return;
    }
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    QAccessibleAnnouncementEvent event(&window_, heard);
    QAccessible::updateAccessibility(&event);
#else
    notification_->setAccessibleName(heard);
    notificationFrame_->hide();
    notificationFrame_->show();
#endif
}

} // namespace tandrel

// Turning a dialog template into widgets.
#include "DialogTemplate.h"

#include "ReadOnlyField.h"
#include "Texts.h"

#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace tandrel {
namespace {

constexpr int kStandardIconPixels = 32; // the desktop's usual size for a dialog's icon

bool has(const ControlDescriptor& control, std::uint32_t flag) {
    return (control.styles & flag) != 0;
}

QWidget* createDefault(const ControlDescriptor& control, QWidget& parent, const QIcon& icon) {
    const QString text = translated(control.text);
    switch (control.kind) {
    case ControlKind::PushButton:
    case ControlKind::DefaultPushButton: {
        auto* button = new QPushButton(text, &parent);
        // Enter goes to the focused button or to the dialog's OK; Qt's automatic default
        // button would steal it from the edits.
        const bool isDefault = control.kind == ControlKind::DefaultPushButton;
        button->setAutoDefault(isDefault);
        button->setDefault(isDefault);
        return button;
    }
    case ControlKind::StaticText: {
        auto* label = new QLabel(text, &parent);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return label;
    }
    case ControlKind::Edit: {
        auto* edit = has(control, style::kReadOnly) ? new ReadOnlyField(text, &parent)
                                                    : new QLineEdit(text, &parent);
        edit->setFrame(has(control, style::kBorder));
        return edit;
    }
    case ControlKind::BlackFrame: {
        auto* frame = new QFrame(&parent);
        frame->setFrameStyle(QFrame::Box | QFrame::Plain);
        QPalette colours = frame->palette();
        colours.setColor(QPalette::WindowText, Qt::black);
        frame->setPalette(colours);
        return frame;
    }
    case ControlKind::Icon: {
        auto* label = new QLabel(&parent);
        label->setPixmap(icon.pixmap(kStandardIconPixels));
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return label;
    }
    }
    return nullptr;
}

} // namespace

void createFromTemplate(QWidget& owner, const DialogTemplate& dialog, BaseUnits base,
                        const QIcon& icon, const ControlFactory& special) {
    owner.setWindowTitle(translated(dialog.title));
    owner.resize(toPixels(dialog.width, dialog.height, base));
    QLabel* precedingText = nullptr;
    for (const ControlDescriptor& control : dialog.controls) {
        QWidget* widget = special ? special(control, owner) : nullptr;
        if (widget == nullptr) {
            widget = createDefault(control, owner, icon);
        }
        if (control.id != kNoId) {
            widget->setObjectName(QString::number(control.id));
        }
        widget->setGeometry(toPixels(control.rect, base));
        if (control.kind == ControlKind::Icon) {
            // An icon control takes the icon's size, as on Windows.
            widget->resize(kStandardIconPixels, kStandardIconPixels);
        }
        if (!has(control, style::kTabStop)) {
            widget->setFocusPolicy(widget->focusPolicy() == Qt::NoFocus ? Qt::NoFocus
                                                                        : Qt::ClickFocus);
        }
        // Explicitly hidden, so showing the dialog does not show it.
        widget->setHidden(!has(control, style::kVisible));
        // As Windows does for its dialogs, a static text just before an edit in creation order
        // labels it, so that a screen reader names the field after the text beside it.
        if (control.kind == ControlKind::Edit && precedingText != nullptr) {
            precedingText->setBuddy(widget);
        }
        precedingText =
            control.kind == ControlKind::StaticText ? qobject_cast<QLabel*>(widget) : nullptr;
    }
}

QWidget* controlById(const QWidget& owner, int id) {
    return owner.findChild<QWidget*>(QString::number(id), Qt::FindDirectChildrenOnly);
}

} // namespace tandrel

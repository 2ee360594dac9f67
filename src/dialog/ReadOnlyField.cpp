// A read-only field's keyboard focus, and the field as assistive technology reads it.
#include "ReadOnlyField.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFocusEvent>
#include <QFontMetrics>

namespace tandrel {
namespace {

// Qt's own interface for a line edit reports an empty run of text attributes at each offset.
// Orca 43 joins those runs into one that ends before the last character, and so speaks a field's
// text cut short. This one reports a single run over the whole text and otherwise does what Qt's
// does; a read-only field offers assistive technology no editing.
class ReadOnlyFieldAccessible final : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit ReadOnlyFieldAccessible(ReadOnlyField* field)
        : QAccessibleWidget(field, QAccessible::EditableText) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface) {
            return static_cast<QAccessibleTextInterface*>(this);
        }
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text type) const override {
        return type == QAccessible::Value ? field().text() : QAccessibleWidget::text(type);
    }
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.readOnly = true;
        state.selectableText = true;
        return state;
    }

    QString attributes(int /*offset*/, int* startOffset, int* endOffset) const override {
        *startOffset = 0;
        *endOffset = characterCount();
        return {};
    }
    QString text(int startOffset, int endOffset) const override {
        return startOffset > endOffset ? QString()
                                       : field().text().mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return static_cast<int>(field().text().size()); }
    int cursorPosition() const override { return field().cursorPosition(); }
    void setCursorPosition(int position) override { field().setCursorPosition(position); }
    int selectionCount() const override { return field().hasSelectedText() ? 1 : 0; }
    void selection(int index, int* startOffset, int* endOffset) const override {
        const bool selected = index == 0 && field().hasSelectedText();
        *startOffset = selected ? field().selectionStart() : 0;
        *endOffset = selected ? field().selectionEnd() : 0;
    }
    void setSelection(int index, int startOffset, int endOffset) override {
        if (index == 0) {
            field().setSelection(startOffset, endOffset - startOffset);
        }
    }
    void addSelection(int startOffset, int endOffset) override {
        setSelection(0, startOffset, endOffset);
    }
    void removeSelection(int index) override {
        if (index == 0) {
            field().deselect();
        }
    }
    QRect characterRect(int offset) const override {
        const QRect rect = field().characterRect(offset);
        return rect.isEmpty() ? rect : QRect(field().mapToGlobal(rect.topLeft()), rect.size());
    }
    int offsetAtPoint(const QPoint& point) const override {
        return field().cursorPositionAt(field().mapFromGlobal(point));
    }
    void scrollToSubstring(int startIndex, int endIndex) override {
        field().setCursorPosition(endIndex);
        field().setCursorPosition(startIndex);
    }

private:
    ReadOnlyField& field() const { return *static_cast<ReadOnlyField*>(widget()); }
};

QAccessibleInterface* readOnlyFieldAccessible(const QString& className, QObject* object) {
    if (className == QLatin1String(ReadOnlyField::staticMetaObject.className())) {
        return new ReadOnlyFieldAccessible(static_cast<ReadOnlyField*>(object));
    }
    return nullptr;
}

} // namespace

ReadOnlyField::ReadOnlyField(const QString& text, QWidget* parent) : QLineEdit(text, parent) {
    QAccessible::installFactory(readOnlyFieldAccessible); // installed once, however many fields
    setReadOnly(true);
}

QRect ReadOnlyField::characterRect(int offset) const {
    const QString shown = text();
    if (offset < 0 || offset >= shown.size()) {
        return {};
    }
    // The caret's rectangle is centred on the caret, wherever scrolling has put the text.
    const QRect caret = cursorRect();
    const QFontMetrics metrics(font());
    const int left = caret.center().x() + metrics.horizontalAdvance(shown.left(offset)) -
                     metrics.horizontalAdvance(shown.left(cursorPosition()));
    return {left, caret.top(), metrics.horizontalAdvance(shown.mid(offset, 1)), caret.height()};
}

// Qt selects all of a field that the keyboard brings the focus to. In a read-only field that
// selection is only heard: it is announced before the focus, so Orca 43 says the text and
// "selected", then the field and its text again, and Orca 48 says "selected" after the text.
// Selecting stays the user's: with the mouse, Shift and the arrows, or Ctrl+A.
void ReadOnlyField::focusInEvent(QFocusEvent* event) {
    const Qt::FocusReason reason = event->reason();
    if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
        reason == Qt::ShortcutFocusReason) {
        QFocusEvent unselected(event->type(), Qt::OtherFocusReason);
        QLineEdit::focusInEvent(&unselected);
        return;
    }
    QLineEdit::focusInEvent(event);
}

} // namespace tandrel

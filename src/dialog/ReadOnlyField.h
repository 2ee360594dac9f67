// The dialog templates' read-only edits: fields that a screen reader hears once, and whole.
#pragma once

#include <QLineEdit>
#include <QRect>
#include <QString>

class QFocusEvent;
class QWidget;

namespace tandrel {

class ReadOnlyField final : public QLineEdit {
    Q_OBJECT

public:
    ReadOnlyField(const QString& text, QWidget* parent);

    // Where the character at `offset` is drawn, in the field's coordinates; empty past the text.
    QRect characterRect(int offset) const;

protected:
    void focusInEvent(QFocusEvent* event) override;
};

} // namespace tandrel

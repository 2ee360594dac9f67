// The seam through which the window reports failures to the user in a message box.
#pragma once

#include <QString>

class QWidget;

namespace tandrel {

class MessageSink {
public:
    virtual ~MessageSink() = default;
    // Shows `text` modally over `owner` with an OK button only and no icon, `caption` as title;
    // returns once the user has dismissed it.
    virtual void show(QWidget& owner, const QString& caption, const QString& text) = 0;
};

class QMessageBoxSink final : public MessageSink {
public:
    void show(QWidget& owner, const QString& caption, const QString& text) override;
};

} // namespace tandrel

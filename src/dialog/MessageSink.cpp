// Message boxes on screen.
#include "MessageSink.h"

#include <QMessageBox>

namespace tandrel {

void QMessageBoxSink::show(QWidget& owner, const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, &owner);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

} // namespace tandrel

// The window's look.
#include "Presentation.h"

#include <QAccessibleWidget>
#include <QFontMetrics>
#include <QPainter>
#include <QStyle>

// Q_INIT_RESOURCE declares its function, which has to happen outside any namespace.
static void registerIconResources() {
    Q_INIT_RESOURCE(tandrel);
}

namespace tandrel {
namespace {

// As a plain frame the lamp would reach a screen reader as an empty "frame"; as a graphic its name
// is read out.
QAccessibleInterface* lampAccessible(const QString& className, QObject* object) {
    if (className == QLatin1String(StatusLamp::staticMetaObject.className())) {
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Graphic);
    }
    return nullptr;
}

} // namespace

QStringList chineseFontFamilies() {
    return {QStringLiteral("Microsoft YaHei UI"), QStringLiteral("WenQuanYi Micro Hei"),
            QStringLiteral("Noto Sans CJK SC")};
}

QFont valueFont() {
    QFont font;
    font.setFamilies(chineseFontFamilies());
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(kValueFontPoints);
    return font;
}

QFont labelFont() {
    QFont font = valueFont();
    font.setPointSizeF(kLabelFontPoints);
    font.setWeight(QFont::Thin);
    return font;
}

QIcon applicationIcon() {
    registerIconResources();
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 256}) {
        icon.addFile(QStringLiteral(":/icons/tandrel-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

std::optional<QColor> statusColour(std::int32_t connectionState) {
    switch (connectionState) {
    case connection::kNotConnected:
        return QColor(255, 0, 0);
    case connection::kConnected:
        return QColor(0, 255, 0);
    case connection::kPairing:
        return QColor(0, 0, 255);
    default:
        return std::nullopt;
    }
}

QSize oneLineSize(const QFont& font, const QString& text) {
    return QFontMetrics(font).size(Qt::TextSingleLine, text);
}

bool fitsOneLine(const QFont& font, const QString& text, QSize size) {
    const QSize needed = oneLineSize(font, text);
    return needed.width() <= size.width() && needed.height() <= size.height();
}

StatusLine::StatusLine(const SessionState& session, const QString& text, QWidget* parent)
    : QLabel(text, parent), session_(session) {
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void StatusLine::paintEvent(QPaintEvent* /*event*/) {
    QPalette colours = palette();
    if (const auto colour = statusColour(session_.ConnectionState)) {
        colours.setColor(QPalette::WindowText, *colour);
    }
    QPainter painter(this);
    style()->drawItemText(&painter, contentsRect(), static_cast<int>(alignment().toInt()), colours,
                          isEnabled(), text(), foregroundRole());
}

StatusLamp::StatusLamp(const SessionState& session, QWidget* parent)
    : QFrame(parent), session_(session) {
    QAccessible::installFactory(lampAccessible); // installed once, however many lamps
    setFrameStyle(QFrame::Box | QFrame::Plain);
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, Qt::black);
    setPalette(colours);
}

void StatusLamp::paintEvent(QPaintEvent* event) {
    if (const auto colour = statusColour(session_.ConnectionState)) {
        QPainter painter(this);
        painter.fillRect(contentsRect(), *colour);
    }
    QFrame::paintEvent(event);
}

} // namespace tandrel

// How the window looks: its icon, its two fonts, and the colours that follow ConnectionState.
#pragma once

#include "SessionState.h"

#include <QColor>
#include <QFont>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QStringList>
#include <cstdint>
#include <optional>

namespace tandrel {

constexpr double kValueFontPoints = 16.5;
constexpr double kLabelFontPoints = 15.0;

// The preferred face first, then faces a Linux desktop has, all with Simplified Chinese forms.
QStringList chineseFontFamilies();
QFont valueFont();
QFont labelFont();

QIcon applicationIcon();

// The colour of the status text and the lamp; none for a value that is not a state.
std::optional<QColor> statusColour(std::int32_t connectionState);

// The room `text` takes on one line in `font`.
QSize oneLineSize(const QFont& font, const QString& text);
// True when `text` fits on one line inside `size` in `font`.
bool fitsOneLine(const QFont& font, const QString& text, QSize size);

// The status line: its text colour is taken from the state every time it is drawn.
class StatusLine final : public QLabel {
public:
    StatusLine(const SessionState& session, const QString& text, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const SessionState& session_;
};

// The lamp: a black frame filled with the state's colour every time it is drawn. Assistive
// technology sees a graphic whose accessible name the window keeps equal to the status.
class StatusLamp final : public QFrame {
    Q_OBJECT

public:
    StatusLamp(const SessionState& session, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const SessionState& session_;
};

} // namespace tandrel

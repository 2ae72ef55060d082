#pragma once

#include <QColor>
#include <QString>
#include <cstdint>
#include <optional>

// Colours are 24-bit values in blue-green-red order (0x00BBGGRR), as the reports,
// the installation constants and the page files store them.
using TColor = std::uint32_t;

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clMoneyGreen = 0xC0DCC0;
constexpr TColor clSkyBlue = 0xF0CAA6;
constexpr TColor clCream = 0xF0FBFF;
constexpr TColor clMedGray = 0xA4A0A0;
// "No colour": a brush or background that is not painted.
constexpr TColor clNone = 0x1FFFFFFF;

// System colours: the high byte 0xFF marks the colour of a role of the desktop
// (its index in the low byte) rather than a value. They stay so in a report's
// definition and are resolved only where a colour is drawn or written. The window
// text colour is what a control's font has unless it is given another.
constexpr TColor clSystemColor = 0xFF000000;
constexpr TColor clWindowText = clSystemColor | 8;
constexpr TColor clWindow = clSystemColor | 5;

constexpr bool IsSystemColor(TColor color) {
    return (color & 0xFF000000) == clSystemColor;
}
// The value a colour draws with. System colours resolve to the classic desktop's
// values (window text black, window white) rather than the current theme's, so that
// a report prints and exports the same on every desktop: a dark theme must not turn
// the text of a white page white.
constexpr TColor ColorToRGB(TColor color) {
    if (!IsSystemColor(color)) return color & 0xFFFFFF;
    return color == clWindow ? clWhite : clBlack;
}

// The toolkit's colour names ("clSilver", "clMoneyGreen", ...), compared without
// regard to case; nothing when the name is not one of them.
std::optional<TColor> IdentToColor(const QString& name);
// A colour name or, failing that, a number (decimal, or hexadecimal with "$" or
// "0x"); throws Exception when the text is neither.
TColor StringToColor(const QString& text);

inline QColor ToQColor(TColor color) {
    color = ColorToRGB(color);
    return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}
inline TColor FromQColor(const QColor& color) {
    return TColor(color.red()) | (TColor(color.green()) << 8) | (TColor(color.blue()) << 16);
}

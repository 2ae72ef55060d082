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

// System colours: the colour of an element of the desktop (the text of a window, the
// face of a button), named by the element's index with the high bit set. A control
// keeps a system colour as such; it becomes a plain colour only where it is drawn or
// written (ColorToRGB).
constexpr TColor clSystemColor = 0x80000000;
constexpr TColor clScrollBar = clSystemColor | 0;
constexpr TColor clBackground = clSystemColor | 1;
constexpr TColor clActiveCaption = clSystemColor | 2;
constexpr TColor clInactiveCaption = clSystemColor | 3;
constexpr TColor clMenu = clSystemColor | 4;
constexpr TColor clWindow = clSystemColor | 5;
constexpr TColor clWindowFrame = clSystemColor | 6;
constexpr TColor clMenuText = clSystemColor | 7;
constexpr TColor clWindowText = clSystemColor | 8;
constexpr TColor clCaptionText = clSystemColor | 9;
constexpr TColor clActiveBorder = clSystemColor | 10;
constexpr TColor clInactiveBorder = clSystemColor | 11;
constexpr TColor clAppWorkSpace = clSystemColor | 12;
constexpr TColor clHighlight = clSystemColor | 13;
constexpr TColor clHighlightText = clSystemColor | 14;
constexpr TColor clBtnFace = clSystemColor | 15;
constexpr TColor clBtnShadow = clSystemColor | 16;
constexpr TColor clGrayText = clSystemColor | 17;
constexpr TColor clBtnText = clSystemColor | 18;
constexpr TColor clInactiveCaptionText = clSystemColor | 19;
constexpr TColor clBtnHighlight = clSystemColor | 20;
constexpr TColor cl3DDkShadow = clSystemColor | 21;
constexpr TColor cl3DLight = clSystemColor | 22;
constexpr TColor clInfoText = clSystemColor | 23;
constexpr TColor clInfoBk = clSystemColor | 24;

constexpr bool IsSystemColor(TColor color) {
    return (color & 0xFF000000) == clSystemColor;
}

// The plain 0x00BBGGRR value of a colour: a system colour's value in the desktop's
// standard colour scheme (the window text is black, a window white), any other colour
// without its high byte.
TColor ColorToRGB(TColor color);

// The toolkit's colour names ("clSilver", "clMoneyGreen", "clWindowText", ...), compared without
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

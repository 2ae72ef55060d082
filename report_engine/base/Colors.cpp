#include "report_engine/base/Colors.h"

#include <array>
#include <utility>

#include "data/Exception.h"

namespace {

constexpr std::array<std::pair<const char*, TColor>, 47> kColorNames{{
    {"clBlack", clBlack},
    {"clMaroon", clMaroon},
    {"clGreen", clGreen},
    {"clOlive", clOlive},
    {"clNavy", clNavy},
    {"clPurple", clPurple},
    {"clTeal", clTeal},
    {"clGray", clGray},
    {"clSilver", clSilver},
    {"clRed", clRed},
    {"clLime", clLime},
    {"clYellow", clYellow},
    {"clBlue", clBlue},
    {"clFuchsia", clFuchsia},
    {"clAqua", clAqua},
    {"clWhite", clWhite},
    {"clMoneyGreen", clMoneyGreen},
    {"clSkyBlue", clSkyBlue},
    {"clCream", clCream},
    {"clMedGray", clMedGray},
    {"clLtGray", clSilver},
    {"clDkGray", clGray},
    {"clScrollBar", clScrollBar},
    {"clBackground", clBackground},
    {"clActiveCaption", clActiveCaption},
    {"clInactiveCaption", clInactiveCaption},
    {"clMenu", clMenu},
    {"clWindow", clWindow},
    {"clWindowFrame", clWindowFrame},
    {"clMenuText", clMenuText},
    {"clWindowText", clWindowText},
    {"clCaptionText", clCaptionText},
    {"clActiveBorder", clActiveBorder},
    {"clInactiveBorder", clInactiveBorder},
    {"clAppWorkSpace", clAppWorkSpace},
    {"clHighlight", clHighlight},
    {"clHighlightText", clHighlightText},
    {"clBtnFace", clBtnFace},
    {"clBtnShadow", clBtnShadow},
    {"clGrayText", clGrayText},
    {"clBtnText", clBtnText},
    {"clInactiveCaptionText", clInactiveCaptionText},
    {"clBtnHighlight", clBtnHighlight},
    {"cl3DDkShadow", cl3DDkShadow},
    {"cl3DLight", cl3DLight},
    {"clInfoText", clInfoText},
    {"clInfoBk", clInfoBk},
}};

// The standard scheme's value of each system colour, by index (0x00BBGGRR). The
// program draws reports on white paper whatever the desktop's theme, so a report's
// window text stays black where a dark theme would make it white.
constexpr std::array<TColor, 25> kSystemColors{{
    0xC8D0D4,  // scroll bar
    0xA56E3A,  // desktop
    0x6A240A,  // active caption
    0x808080,  // inactive caption
    0xC8D0D4,  // menu
    0xFFFFFF,  // window
    0x000000,  // window frame
    0x000000,  // menu text
    0x000000,  // window text
    0xFFFFFF,  // caption text
    0xC8D0D4,  // active border
    0xC8D0D4,  // inactive border
    0x808080,  // application workspace
    0x6A240A,  // highlight
    0xFFFFFF,  // highlighted text
    0xC8D0D4,  // button face
    0x808080,  // button shadow
    0x808080,  // grey text
    0x000000,  // button text
    0xC8D0D4,  // inactive caption text
    0xFFFFFF,  // button highlight
    0x404040,  // 3-D dark shadow
    0xC8D0D4,  // 3-D light
    0x000000,  // tooltip text
    0xE1FFFF,  // tooltip background
}};

}  // namespace

TColor ColorToRGB(TColor color) {
    if (!IsSystemColor(color)) return color & 0xFFFFFF;
    const TColor index = color & 0xFF;
    // An index the scheme does not know gives black, as the platform gives it.
    return index < kSystemColors.size() ? kSystemColors[index] : clBlack;
}

std::optional<TColor> IdentToColor(const QString& name) {
    for (const auto& [ident, color] : kColorNames) {
        if (name.compare(QLatin1String(ident), Qt::CaseInsensitive) == 0) return color;
    }
    return std::nullopt;
}

TColor StringToColor(const QString& text) {
    if (auto color = IdentToColor(text.trimmed())) return *color;
    QString number = text.trimmed();
    int base = 10;
    if (number.startsWith(QLatin1Char('$'))) {
        number.remove(0, 1);
        base = 16;
    } else if (number.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        number.remove(0, 2);
        base = 16;
    }
    bool ok = false;
    const qlonglong value = number.toLongLong(&ok, base);
    if (!ok || value < INT32_MIN || value > UINT32_MAX) {
        throw Exception(QStringLiteral("'%1' is not a valid integer value").arg(text));
    }
    return TColor(value);
}

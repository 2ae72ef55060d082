#include "core/Colors.h"

#include <array>
#include <utility>

#include "core/Exception.h"

namespace {

constexpr std::array<std::pair<const char*, TColor>, 22> kColorNames{{
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
}};

}  // namespace

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

#include "core/NumberFormat.h"

#include <QLocale>
#include <QStringList>
#include <cmath>

namespace {

bool IsQuote(QChar c) {
    return c == QLatin1Char('\'') || c == QLatin1Char('"');
}

// Splits the pattern at ";" outside quoted literals.
QStringList Sections(const QString& format) {
    QStringList sections;
    QString current;
    QChar quote;
    for (QChar c : format) {
        if (!quote.isNull()) {
            if (c == quote) quote = QChar();
        } else if (IsQuote(c)) {
            quote = c;
        } else if (c == QLatin1Char(';')) {
            sections << current;
            current.clear();
            continue;
        }
        current += c;
    }
    sections << current;
    return sections;
}

// What a section asks of the number: how many digit places before the point, how many
// of them must show (from the first "0" on), how many decimals at most and at least.
struct SectionLayout {
    int integerPlaces = 0;
    int minIntegerDigits = 0;
    int maxDecimals = 0;
    int minDecimals = 0;
    bool thousands = false;
    bool hasPoint = false;
};

SectionLayout Analyse(const QString& section) {
    SectionLayout layout;
    QChar quote;
    int firstZero = -1;
    for (QChar c : section) {
        if (!quote.isNull()) {
            if (c == quote) quote = QChar();
            continue;
        }
        if (IsQuote(c)) {
            quote = c;
        } else if (c == QLatin1Char('.')) {
            layout.hasPoint = true;
        } else if (c == QLatin1Char(',')) {
            if (!layout.hasPoint) layout.thousands = true;
        } else if (c == QLatin1Char('0') || c == QLatin1Char('#')) {
            if (layout.hasPoint) {
                ++layout.maxDecimals;
                if (c == QLatin1Char('0')) layout.minDecimals = layout.maxDecimals;
            } else {
                if (c == QLatin1Char('0') && firstZero < 0) firstZero = layout.integerPlaces;
                ++layout.integerPlaces;
            }
        }
    }
    if (firstZero >= 0) layout.minIntegerDigits = layout.integerPlaces - firstZero;
    return layout;
}

QString FormatSection(const QString& section, double magnitude, bool negative,
                      const TNumberSeparators& separators) {
    const SectionLayout layout = Analyse(section);

    // Digits of the rounded magnitude, split at the point.
    const QString fixed = QString::number(magnitude, 'f', layout.maxDecimals);
    const int point = fixed.indexOf(QLatin1Char('.'));
    QString integerDigits = point < 0 ? fixed : fixed.left(point);
    QString decimals = point < 0 ? QString() : fixed.mid(point + 1);
    while (decimals.size() > layout.minDecimals && decimals.endsWith(QLatin1Char('0')))
        decimals.chop(1);
    if (integerDigits == QLatin1String("0")) integerDigits.clear();
    while (integerDigits.size() < layout.minIntegerDigits) integerDigits.prepend(QLatin1Char('0'));
    const bool isZero = integerDigits.count(QLatin1Char('0')) == integerDigits.size() &&
                        decimals.count(QLatin1Char('0')) == decimals.size();

    // The digits line up with the placeholders from the right; digits beyond the
    // placeholders all come out at the first one.
    const int digitCount = integerDigits.size();
    const int overflow = qMax(0, digitCount - layout.integerPlaces);
    int nextDigit = 0;
    auto emitDigit = [&](QString& out) {
        out += integerDigits.at(nextDigit);
        const int remaining = digitCount - 1 - nextDigit;
        if (layout.thousands && remaining > 0 && remaining % 3 == 0) out += separators.Thousand;
        ++nextDigit;
    };

    QString out;
    if (negative && !isZero) out += QLatin1Char('-');
    QChar quote;
    int integerPlace = 0;
    int decimalPlace = 0;
    bool afterPoint = false;
    for (QChar c : section) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            else
                out += c;
            continue;
        }
        if (IsQuote(c)) {
            quote = c;
        } else if ((c == QLatin1Char('0') || c == QLatin1Char('#')) && !afterPoint) {
            if (integerPlace == 0) {
                for (int i = 0; i < overflow; ++i) emitDigit(out);
            }
            // Placeholder k stands for digit k - (places - digits) of the number.
            const int digitIndex = integerPlace - (layout.integerPlaces - digitCount);
            if (digitIndex >= 0 && digitIndex >= nextDigit) emitDigit(out);
            ++integerPlace;
        } else if ((c == QLatin1Char('0') || c == QLatin1Char('#')) && afterPoint) {
            if (decimalPlace < decimals.size()) out += decimals.at(decimalPlace);
            ++decimalPlace;
        } else if (c == QLatin1Char('.')) {
            // A pattern with no integer places still shows the integer digits.
            if (!afterPoint && layout.integerPlaces == 0) {
                while (nextDigit < digitCount) emitDigit(out);
            }
            if (!afterPoint && !decimals.isEmpty()) out += separators.Decimal;
            afterPoint = true;
        } else if (c == QLatin1Char(',')) {
            // Thousands separators come from the digits themselves.
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

TNumberSeparators TNumberSeparators::FromSystem() {
    // Qt's system locale takes its numbers from LC_ALL, LC_NUMERIC or LANG, in that order.
    const QLocale locale = QLocale::system();
    TNumberSeparators separators;
    const QString group = locale.groupSeparator();
    const QString decimal = locale.decimalPoint();
    if (group.size() == 1) separators.Thousand = group.at(0);
    if (decimal.size() == 1) separators.Decimal = decimal.at(0);
    return separators;
}

TNumberSeparators& NumberSeparators() {
    static TNumberSeparators separators = TNumberSeparators::FromSystem();
    return separators;
}

QString FormatFloat(const QString& format, double value, const TNumberSeparators& separators) {
    if (format.isEmpty()) {
        if (std::trunc(value) == value && std::fabs(value) < 1e15)
            return QString::number(qint64(value));
        return QString::number(value, 'g', 15);
    }
    const QStringList sections = Sections(format);
    if (value < 0 && sections.size() > 1 && !sections.at(1).isEmpty()) {
        return FormatSection(sections.at(1), -value, false, separators);
    }
    if (value == 0 && sections.size() > 2 && !sections.at(2).isEmpty()) {
        return FormatSection(sections.at(2), 0, false, separators);
    }
    return FormatSection(sections.at(0), std::fabs(value), value < 0, separators);
}

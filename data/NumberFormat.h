#pragma once

#include <QString>

class QLocale;

// The separators numbers are written with. The process-wide set follows the system's
// numeric locale (LC_NUMERIC, else LC_ALL or LANG, as the C library reads them): "1.234,5"
// under pt_BR, "1,234.5" under C.
struct TNumberSeparators {
    QString Thousands = QStringLiteral(",");
    QString Decimal = QStringLiteral(".");

    static TNumberSeparators FromLocale(const QLocale& locale);
};
// The one set of the process, read from the system on first use.
TNumberSeparators& NumberSeparators();

// Formats a number with a number-format pattern of the toolkit:
//   0       a digit, shown even when it is a leading or trailing zero
//   #       a digit, shown only when significant
//   .       the decimal separator (the first one counts)
//   ,       thousands separators in the integer part (anywhere before the point)
// The separators written are those of `separators`, whatever the pattern's characters.
//   '..' ".." literal text; any other character is copied as it stands
//   ;       separates sections: positive;negative;zero
// An empty pattern gives the plain shortest decimal form. "000000" shows 42 as
// "000042"; "###,###,000" shows 1234 as "1,234" (or "1.234") and 5 as "005".
QString FormatFloat(const QString& format, double value,
                    const TNumberSeparators& separators = NumberSeparators());

#pragma once

#include <QChar>
#include <QString>

// The separators a formatted number uses: the system's, from the user's numeric locale
// (LC_NUMERIC), as the date formats take the system's date separator. A point and a
// comma on a Brazilian desktop; a comma and a point under the C locale.
struct TNumberSeparators {
    QChar Thousand = QLatin1Char(',');
    QChar Decimal = QLatin1Char('.');

    static TNumberSeparators FromSystem();
};

// The one set of the process, read from the system on first use.
TNumberSeparators& NumberSeparators();

// Formats a number with a number-format pattern of the toolkit:
//   0       a digit, shown even when it is a leading or trailing zero
//   #       a digit, shown only when significant
//   .       the decimal point (the first one counts)
//   ,       thousands separators in the integer part (anywhere before the point)
//   '..' ".." literal text; any other character is copied as it stands
//   ;       separates sections: positive;negative;zero
// The pattern's "," and "." stand for the thousands and decimal separators; what is
// written is `separators`' own. An empty pattern gives the plain shortest decimal form.
// "000000" shows 42 as "000042"; "###,###,000" shows 1234 as "1,234" (or "1.234" with
// a point as thousands separator) and 5 as "005".
QString FormatFloat(const QString& format, double value,
                    const TNumberSeparators& separators = NumberSeparators());

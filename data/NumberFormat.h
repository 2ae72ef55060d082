#pragma once

#include <QString>

// Formats a number with a number-format pattern of the toolkit:
//   0       a digit, shown even when it is a leading or trailing zero
//   #       a digit, shown only when significant
//   .       the decimal point (the first one counts)
//   ,       thousands separators in the integer part (anywhere before the point)
//   '..' ".." literal text; any other character is copied as it stands
//   ;       separates sections: positive;negative;zero
// An empty pattern gives the plain shortest decimal form. "000000" shows 42 as
// "000042"; "###,###,000" shows 1234 as "1,234" and 5 as "005".
QString FormatFloat(const QString& format, double value);

#pragma once

#include <QByteArray>
#include <cmath>
#include <cstdint>

// Numbers as the PDF export writes them: always with "." as the decimal separator,
// whatever the user's locale (the C library's formatting follows the locale, so these
// format by hand).

// A whole number in decimal ("%d").
inline void AppendPDFInteger(QByteArray& out, long long value) {
    char digits[24];
    int count = 0;
    const bool negative = value < 0;
    unsigned long long magnitude = negative ? 0ull - static_cast<unsigned long long>(value)
                                            : static_cast<unsigned long long>(value);
    do {
        digits[count++] = char('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (negative) out.append('-');
    while (count > 0) out.append(digits[--count]);
}

// A number with `decimals` decimals, halves away from zero, right-aligned in a field of
// `width` characters ("%4.2f", "%6.1f", "%2.0f").
inline void AppendPDFFixed(QByteArray& out, double value, int decimals, int width = 0) {
    long long scale = 1;
    for (int i = 0; i < decimals; ++i) scale *= 10;
    const long long scaled = std::llround(value * double(scale));
    QByteArray text;
    if (scaled < 0) text.append('-');
    const unsigned long long magnitude = scaled < 0 ? 0ull - static_cast<unsigned long long>(scaled)
                                                    : static_cast<unsigned long long>(scaled);
    AppendPDFInteger(text,
                     static_cast<long long>(magnitude / static_cast<unsigned long long>(scale)));
    if (decimals > 0) {
        text.append('.');
        QByteArray fraction;
        AppendPDFInteger(
            fraction, static_cast<long long>(magnitude % static_cast<unsigned long long>(scale)));
        text.append(fraction.rightJustified(decimals, '0'));
    }
    if (text.size() < width) out.append(QByteArray(width - text.size(), ' '));
    out.append(text);
}

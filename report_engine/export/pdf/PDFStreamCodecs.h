#pragma once

#include <QByteArray>
#include <QByteArrayView>

// The two stream encodings of the PDF export's inline images.

// LZW as the LZWDecode filter reads it with its default early change: 9- to 12-bit
// codes written most significant bit first, a clear-table code (256) first, the code
// width growing right after entries 511, 1023 and 2047 are made, a clear-table code
// (and a fresh table from 258) when the table is full, the end-of-data code (257) last
// and the final byte padded with zero bits.
QByteArray LZWEncode(QByteArrayView data);

// ASCII base-85 as the ASCII85Decode filter reads it: 4 bytes give 5 characters from
// "!" to "u", four zero bytes give "z", a final group of n bytes gives n + 1
// characters. A line break (CR LF) follows every 41 groups; "~>" ends the data.
QByteArray ASCII85Encode(QByteArrayView data);

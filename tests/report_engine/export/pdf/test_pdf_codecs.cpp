#include <gtest/gtest.h>

#include <QByteArray>

#include "report_engine/export/pdf/PDFStreamCodecs.h"

TEST(PdfLZW, EncodesTheClassicSequenceWithEarlyChange) {
    // 45 45 45 45 45 65 45 45 45 66 gives the codes 256 45 258 258 65 259 66 257 in
    // 9 bits each.
    const QByteArray input = QByteArray::fromHex("2D2D2D2D2D412D2D2D42");
    EXPECT_EQ(LZWEncode(input).toHex(' '), "80 0b 60 50 22 0c 0c 85 01");
}

TEST(PdfLZW, EmptyDataIsClearTableThenEndOfData) {
    // 256 and 257 in 9 bits, padded with zeros: 1000 0000 0 100 0000 01(00 0000).
    EXPECT_EQ(LZWEncode(QByteArray()).toHex(' '), "80 40 40");
}

TEST(PdfASCII85, GroupsLinesAndTheEnd) {
    struct Case {
        const char* Name;
        QByteArray Input;
        QByteArray Expected;
    };
    const Case cases[] = {
        {"four zero bytes", QByteArray(4, '\0'), "z~>"},
        {"a white pixel: a last group of three bytes", QByteArray::fromHex("FFFFFF"), "s8W*~>"},
        {"a last group of zeros is no z", QByteArray(2, '\0'), "!!!~>"},
        {"nothing", QByteArray(), "~>"},
        {"one group", QByteArray("Man "), "9jqo^~>"},
    };
    for (const Case& c : cases) EXPECT_EQ(ASCII85Encode(c.Input), c.Expected) << c.Name;
}

TEST(PdfASCII85, BreaksTheLineAfterFortyOneGroups) {
    // 164 bytes without zero groups: one line of 205 characters, a line break and the end.
    const QByteArray encoded = ASCII85Encode(QByteArray(164, 'x'));
    ASSERT_EQ(encoded.size(), 205 + 2 + 2);
    EXPECT_EQ(encoded.indexOf("\r\n"), 205);
    EXPECT_TRUE(encoded.endsWith("\r\n~>"));

    // A "z" counts as five characters towards the line: 41 zero groups also end a line.
    const QByteArray zeros = ASCII85Encode(QByteArray(41 * 4 + 1, '\0'));
    EXPECT_EQ(zeros, QByteArray(41, 'z') + "\r\n!!~>");
}

// Code pages read from ICU, and the database's Windows-1252 on top of them.
#include <gtest/gtest.h>

#include "core/CodePage.h"
#include "core/Win1252.h"
#include "tests/support/MessageOf.h"

// Every single-byte code page the program meets (the export's own, the fonts' character
// sets' and the OEM one) reads each byte as a character that gives the byte back, and
// the bytes Windows leaves unassigned keep their own numbers.
TEST(CodePage, SingleBytePagesReadTheirBytesAndGiveThemBack) {
    const struct {
        int Number;
        unsigned char Byte;
        char16_t Character;
    } cases[] = {
        {1252, 0x80, u'€'},  {1252, 0x81, 0x0081}, {1252, 0x9D, 0x009D}, {1252, 0x9F, u'Ÿ'},
        {1252, 0xE7, u'ç'},  {1250, 0xA5, u'Ą'},   {1251, 0xC0, u'А'},   {874, 0x80, u'€'},
        {874, 0xA1, u'ก'},   {874, 0xDB, 0x00DB},  {874, 0xFF, 0x00FF},  {850, 0x80, u'Ç'},
        {850, 0x1A, 0x001A}, {850, 0x1C, 0x001C},  {850, 0x7F, 0x007F},
    };
    for (const auto& c : cases) {
        const TSingleByteCodePage* page = SingleByteCodePage(c.Number);
        ASSERT_NE(page, nullptr) << c.Number;
        EXPECT_EQ(page->Character(c.Byte), c.Character) << c.Number << " byte " << int(c.Byte);
    }
    for (int number : {1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258, 874, 850}) {
        const TSingleByteCodePage& page = *SingleByteCodePage(number);
        EXPECT_EQ(page.Character(0), 0);
        for (int byte = 1; byte < 256; ++byte)
            EXPECT_EQ(page.Byte(page.Character(byte)), byte) << number << " byte " << byte;
        EXPECT_EQ(page.Byte(u'☺'), 0) << number;
    }
    EXPECT_EQ(&Windows1252(), SingleByteCodePage(1252));
}

TEST(CodePage, WiderPagesGoThroughTheirConverterAndUnknownOnesAreRefused) {
    EXPECT_EQ(SingleByteCodePage(932), nullptr);
    EXPECT_EQ(CodePageConverterName(932), "cp932");
    EXPECT_EQ(CodePageConverterName(874), "windows-874");
    EXPECT_EQ(MessageOf([] { SingleByteCodePage(4); }),
              QStringLiteral("Code page 4 is not supported"));
}

// The database's code page: every assigned byte round-trips through text, and the five
// unassigned bytes read as C1 controls that are refused on the way back, as is every
// other character outside the code page.
TEST(CodePage, Windows1252TextRoundTripsAndRefusesTheUnassignedBytes) {
    QByteArray assigned;
    for (int byte = 0; byte < 256; ++byte) {
        if (byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D) {
            EXPECT_EQ(Win1252ToUnicode(byte), QChar(char16_t(byte)));
            EXPECT_FALSE(IsWin1252Representable(Win1252ToUnicode(byte))) << byte;
            continue;
        }
        assigned.append(char(byte));
    }
    const QString text = DecodeWin1252(assigned.constData(), int(assigned.size()));
    EXPECT_EQ(EncodeWin1252(text), assigned);
    for (char16_t refused : {char16_t(0x0080), char16_t(0x0081), char16_t(0x009F), u'Ω', u'☺'}) {
        EXPECT_FALSE(IsWin1252Representable(QChar(refused))) << int(refused);
        EXPECT_TRUE(MessageOf([&] {
                        EncodeWin1252(QStringLiteral("a") + QChar(refused));
                    }).startsWith(QStringLiteral("O caractere")))
            << int(refused);
    }
}

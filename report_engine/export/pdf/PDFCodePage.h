#pragma once

#include <QByteArray>
#include <QStringView>
#include <array>
#include <memory>
#include <optional>

// A Windows code page as the PDF export uses it: the file's characters are written in
// one (the Codepage setting), and a font's character codes 0 to 255 are read in the
// code page of its character set. The conversions are the program's code pages
// (core/CodePage.h).
class TCodePageEncoder;
class TSingleByteCodePage;

// Windows' western code page, built in: the export's code page when the Codepage
// setting names none.
inline constexpr int WesternCodePage = 1252;

class PDFCodePage {
public:
    // Throws Exception when the system has no converter for the code page.
    explicit PDFCodePage(int number);
    ~PDFCodePage();
    PDFCodePage(const PDFCodePage&) = delete;
    PDFCodePage& operator=(const PDFCodePage&) = delete;

    int Number() const { return FNumber; }

    // Appends `text` in this code page; a character it cannot represent becomes "?".
    void Encode(QStringView text, QByteArray& out) const;

    // The Unicode value of every byte (index = byte; byte 0 gives U+0000): a byte the
    // code page leaves unassigned gives the control character of the same number. None
    // for a code page of more than one byte per character, where a single byte may be
    // only half a character.
    std::optional<std::array<char16_t, 256>> ByteValues() const;

private:
    int FNumber;
    const TSingleByteCodePage* FTable = nullptr;   // single-byte code pages
    std::unique_ptr<TCodePageEncoder> FConverter;  // the others
};

// The code page of a font's character set number, as the platform relates them
// (238 Eastern European -> 1250, 204 Cyrillic -> 1251, ...); 1252 for the default (1),
// ANSI (0), symbol (2) and any set it does not list.
int CharsetCodePage(int charset);

// How a literal string writes byte 128: as it is, or as its code in octal ("\200"),
// which is how a text's euro sign is written in code page 1252.
enum class TPDFCode128 { AsIs, Octal };

// Appends `text` as the content of a PDF literal string: its bytes in `codePage`, then
// "\", "(" and ")" escaped among those bytes. Escaping the encoded bytes, not the
// characters, keeps a string whole where a two-byte character ends in one of them
// ("ソ" is 0x83 0x5C in code page 932).
void AppendPDFLiteral(QByteArray& out, const PDFCodePage& codePage, QStringView text,
                      TPDFCode128 code128 = TPDFCode128::AsIs);

// A PDF name's text for any bytes: every byte outside the regular characters (a
// delimiter, "#", a space, a byte above 126) as "#" and two hexadecimal digits.
QByteArray PDFNameText(QByteArrayView bytes);

#pragma once

#include <QByteArray>
#include <QStringView>
#include <array>
#include <memory>

// Code pages by their Windows numbers (1252, 1250, 850, 932, ...), converted through
// ICU. A code page of one byte per character is read from its converter once into two
// tables, so that converting text costs one lookup per character; the others, and the
// Unicode forms, are converted by the converter itself (TCodePageEncoder).

// The two tables of a code page of one byte per character.
class TSingleByteCodePage {
public:
    // The character of every byte (index = byte). Byte 0 is U+0000; a byte the code page
    // leaves unassigned gives the control character of the same number.
    const std::array<char16_t, 256>& Characters() const { return FCharacters; }
    char16_t Character(unsigned char byte) const { return FCharacters[byte]; }

    // The byte of a character of the 16-bit plane; 0 when the code page has none
    // (U+0000 itself is byte 0). Every byte's character gives the byte back, the
    // unassigned bytes' controls included; of two bytes with one character the lower
    // one is given.
    unsigned char Byte(char16_t character) const { return (*FBytes)[character]; }

    // The tables of the code page whose bytes have `characters`.
    explicit TSingleByteCodePage(const std::array<char16_t, 256>& characters);

private:
    std::array<char16_t, 256> FCharacters;
    std::unique_ptr<std::array<unsigned char, 65536>> FBytes;
};

// Code page `number` when it has one byte per character, read on first use and kept
// for the life of the program (safe from any thread); nullptr for a code page of more
// bytes per character. Throws Exception ("Code page N is not supported") when ICU
// has no converter for it.
const TSingleByteCodePage* SingleByteCodePage(int number);

// Windows-1252, the program's own code page.
const TSingleByteCodePage& Windows1252();

// ICU's name of the converter for code page `number`; throws Exception as
// SingleByteCodePage does.
QByteArray CodePageConverterName(int number);

// Converts text piece by piece through an ICU converter, keeping the converter's state
// between pieces (UTF-7's open runs, a surrogate pair split between two pieces). Every
// character the target cannot hold becomes "?", invisible ones (a zero-width space, a
// soft hyphen outside Latin-1) included, so that no file loses a character that
// another writes.
class TCodePageEncoder {
public:
    // `converterName` as ICU names it ("windows-1252", "UTF-8", "cp932"); with
    // `asciiIsItself` ASCII runs are copied without the converter, which only a
    // stateless target that writes ASCII as itself allows. Throws Exception when ICU has
    // no such converter.
    explicit TCodePageEncoder(const char* converterName, bool asciiIsItself = false);
    ~TCodePageEncoder();
    TCodePageEncoder(const TCodePageEncoder&) = delete;
    TCodePageEncoder& operator=(const TCodePageEncoder&) = delete;

    // Appends `text` to `bytes`; `last` closes what the target keeps open.
    void Encode(QStringView text, bool last, QByteArray& bytes);

private:
    void Convert(QStringView text, bool last, QByteArray& bytes);

    struct Converter;
    std::unique_ptr<Converter> FConverter;
    QByteArray FName;
    bool FAsciiIsItself = false;     // ASCII runs are copied without the converter
    bool FPendingSurrogate = false;  // the converter holds half a pair
};

#include "core/Win1252.h"

#include "core/Exception.h"

namespace {

// Bytes 0x80-0x9F, the only range where Windows-1252 differs from Latin-1. Zero marks
// the five bytes the code page leaves unassigned.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

struct DecodeTable {
    char16_t unicode[256];
    constexpr DecodeTable() : unicode() {
        for (int byte = 0; byte < 256; ++byte) {
            const bool high = byte >= 0x80 && byte < 0xA0;
            unicode[byte] =
                high && kHighControls[byte - 0x80] ? kHighControls[byte - 0x80] : char16_t(byte);
        }
    }
};
constexpr DecodeTable kDecode;

// The byte for a character outside Latin-1 or in the 0x80-0x9F range; -1 when none.
int HighByteFor(char16_t unicode) {
    for (int i = 0; i < 32; ++i) {
        if (kHighControls[i] == unicode && unicode != 0) return 0x80 + i;
    }
    return -1;
}

int ByteFor(char16_t unicode) {
    if (unicode < 0x80 || (unicode >= 0xA0 && unicode <= 0xFF)) return unicode;
    return HighByteFor(unicode);
}

QString CharacterMessage(const QString& shown, char32_t code) {
    return QStringLiteral(
               "O caractere '%1' (U+%2) não pode ser gravado no banco de dados, "
               "que só aceita caracteres do conjunto WIN1252.")
        .arg(shown, QString::number(uint(code), 16).toUpper().rightJustified(4, QLatin1Char('0')));
}

}  // namespace

bool IsWin1252Representable(QChar character) {
    return ByteFor(character.unicode()) >= 0;
}

QChar Win1252ToUnicode(unsigned char byte) {
    return QChar(kDecode.unicode[byte]);
}

QString DecodeWin1252(const char* bytes, int length) {
    QString text;
    DecodeWin1252Into(text, bytes, length);
    return text;
}

void DecodeWin1252Into(QString& target, const char* bytes, int length) {
    // An unshared target with room keeps its buffer: reading row after row into the
    // same values then allocates nothing.
    target.resize(length);
    QChar* out = target.data();
    const auto* in = reinterpret_cast<const unsigned char*>(bytes);
    for (int i = 0; i < length; ++i) out[i] = QChar(kDecode.unicode[in[i]]);
}

QByteArray EncodeWin1252(const QString& text) {
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char* out = bytes.data();
    const QChar* in = text.constData();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unicode = in[i].unicode();
        const int byte = unicode < 0x80 ? int(unicode) : ByteFor(unicode);
        if (byte < 0) {
            // A surrogate pair is one character outside the 16-bit plane: name it whole.
            if (in[i].isHighSurrogate() && i + 1 < text.size() && in[i + 1].isLowSurrogate()) {
                throw EDatabaseError(
                    CharacterMessage(text.mid(i, 2), QChar::surrogateToUcs4(in[i], in[i + 1])));
            }
            throw EDatabaseError(UnrepresentableCharacterMessage(in[i]));
        }
        out[i] = char(byte);
    }
    return bytes;
}

QString UnrepresentableCharacterMessage(QChar character) {
    return CharacterMessage(QString(character), character.unicode());
}

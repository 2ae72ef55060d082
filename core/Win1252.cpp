#include "core/Win1252.h"

#include "core/CodePage.h"
#include "core/Exception.h"

namespace {

// The byte of a character; -1 when none. The five bytes Windows-1252 leaves unassigned
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) read as the C1 controls of their numbers, but no
// control of that range (U+0080 to U+009F) is a character of the code page: none is
// written to the database as one.
int ByteFor(char16_t unicode) {
    if (unicode < 0x80) return unicode;
    if (unicode < 0xA0) return -1;
    const unsigned char byte = Windows1252().Byte(unicode);
    return byte ? byte : -1;
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
    return QChar(Windows1252().Character(byte));
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
    const std::array<char16_t, 256>& characters = Windows1252().Characters();
    for (int i = 0; i < length; ++i) out[i] = QChar(characters[in[i]]);
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

#include "report_engine/export/TextEncoding.h"

#include "core/Exception.h"

namespace {

// ICU's name of the converter behind each encoding.
const char* ConverterName(TTextEncoding encoding) {
    switch (encoding) {
        case AnsiEncoding:
        case DefaultEncoding:
            return "windows-1252";
        case ASCIIEncoding:
            return "US-ASCII";
        case BigEndianUnicodeEncoding:
            return "UTF-16BE";
        case UnicodeEncoding:
            return "UTF-16LE";
        case UTF7Encoding:
            return "UTF-7";
        case UTF8Encoding:
            return "UTF-8";
    }
    return "windows-1252";
}

// ASCII characters are the same bytes in code page 1252, ASCII and UTF-8, and exported
// documents are mostly ASCII (HTML markup above all): those runs are copied as they are
// and only the others go through the converter. None of these three keeps state
// between characters, so the converter sees each of its runs as complete.
bool AsciiIsItself(TTextEncoding encoding) {
    return encoding == AnsiEncoding || encoding == DefaultEncoding || encoding == ASCIIEncoding ||
           encoding == UTF8Encoding;
}

}  // namespace

QByteArray ByteOrderMark(TTextEncoding encoding) {
    switch (encoding) {
        case BigEndianUnicodeEncoding:
            return QByteArray("\xFE\xFF", 2);
        case UnicodeEncoding:
            return QByteArray("\xFF\xFE", 2);
        case UTF8Encoding:
            return QByteArray("\xEF\xBB\xBF", 3);
        default:
            return QByteArray();
    }
}

TVRTextEncoder::TVRTextEncoder(TTextEncoding encoding)
    : TCodePageEncoder(ConverterName(encoding), AsciiIsItself(encoding)) {}

QByteArray EncodeText(const QString& text, TTextEncoding encoding) {
    QByteArray bytes;
    TVRTextEncoder(encoding).Encode(text, true, bytes);
    return bytes;
}

QByteArray EncodeLines(const QStringList& lines, TTextEncoding encoding) {
    qsizetype length = 0;
    for (const QString& line : lines) length += line.size() + 2;
    QString text;
    text.reserve(length);
    for (const QString& line : lines) {
        text += line;
        text += QLatin1String("\r\n");
    }
    return ByteOrderMark(encoding) + EncodeText(text, encoding);
}

QString CannotCreateFileMessage(const QString& fileName, const QString& reason) {
    return QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, reason);
}

void WriteExportFile(const QString& fileName, const QByteArray& bytes) {
    QString reason;
    if (!WriteDurably(fileName, bytes, &reason))
        throw Exception(CannotCreateFileMessage(fileName, reason));
}

namespace {
// Encoded lines go to the file in blocks of about this size.
constexpr qsizetype WriteBlock = 256 << 10;
}  // namespace

TVRTextExportFile::TVRTextExportFile(const QString& fileName, TTextEncoding encoding)
    : FFileName(fileName), FFile(fileName), FEncoder(encoding), FEncoded(ByteOrderMark(encoding)) {
    if (!FFile.open(QIODevice::WriteOnly))
        throw Exception(CannotCreateFileMessage(FFileName, FFile.errorString()));
}

void TVRTextExportFile::WriteLine(QStringView line) {
    FEncoder.Encode(line, false, FEncoded);
    FEncoder.Encode(u"\r\n", false, FEncoded);
    if (FEncoded.size() >= WriteBlock) Write(false);
}

void TVRTextExportFile::Write(bool last) {
    if (last) FEncoder.Encode(QStringView(), true, FEncoded);
    if (FFile.write(FEncoded) != FEncoded.size())
        throw Exception(CannotCreateFileMessage(FFileName, FFile.errorString()));
    FEncoded.clear();
}

void TVRTextExportFile::Commit() {
    Write(true);
    if (!FFile.commit()) throw Exception(CannotCreateFileMessage(FFileName, FFile.errorString()));
}

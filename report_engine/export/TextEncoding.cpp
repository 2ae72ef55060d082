#include "report_engine/export/TextEncoding.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>

#include <QChar>
#include <memory>

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

struct ConverterCloser {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using ConverterHandle = std::unique_ptr<UConverter, ConverterCloser>;

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

struct TVRTextEncoder::Converter {
    ConverterHandle Handle;
};

// Writes the substitute ("?") for every character the target cannot hold. The
// converter's own substitution callback skips the characters Unicode calls default
// ignorable (a zero-width space, a soft hyphen), which would make them vanish from one
// export while another writes "?" for them, and would shift the columns of a text grid.
static void SubstituteEveryUnmappable(const void*, UConverterFromUnicodeArgs* arguments,
                                      const UChar*, int32_t, UChar32,
                                      UConverterCallbackReason reason, UErrorCode* status) {
    if (reason > UCNV_IRREGULAR) return;  // reset, close, clone: nothing to write
    *status = U_ZERO_ERROR;
    ucnv_cbFromUWriteSub(arguments, 0, status);
}

// ASCII characters are the same bytes in code page 1252, ASCII and UTF-8, and exported
// documents are mostly ASCII (HTML markup above all): those runs are copied as they are
// and only the others go through the converter. None of these three keeps state
// between characters, so the converter sees each of its runs as complete.
static bool AsciiIsItself(TTextEncoding encoding) {
    return encoding == AnsiEncoding || encoding == DefaultEncoding || encoding == ASCIIEncoding ||
           encoding == UTF8Encoding;
}

TVRTextEncoder::TVRTextEncoder(TTextEncoding encoding)
    : FConverter(std::make_unique<Converter>()),
      FName(ConverterName(encoding)),
      FAsciiIsItself(AsciiIsItself(encoding)) {
    Open();
}

TVRTextEncoder::TVRTextEncoder(const char* converterName)
    : FConverter(std::make_unique<Converter>()), FName(converterName) {
    Open();
}

void TVRTextEncoder::Open() {
    UErrorCode status = U_ZERO_ERROR;
    FConverter->Handle.reset(ucnv_open(FName.constData(), &status));
    const auto failure = [&] {
        return Exception(QStringLiteral("No converter for %1: %2")
                             .arg(QLatin1String(FName), QLatin1String(u_errorName(status))));
    };
    if (U_FAILURE(status)) throw failure();
    // What a code page cannot hold (and a broken surrogate in the Unicode forms) is
    // written as "?", whatever the converter's own substitute would be.
    static const UChar question[] = {u'?'};
    ucnv_setSubstString(FConverter->Handle.get(), question, 1, &status);
    ucnv_setFromUCallBack(FConverter->Handle.get(), SubstituteEveryUnmappable, nullptr, nullptr,
                          nullptr, &status);
    if (U_FAILURE(status)) throw failure();
}

TVRTextEncoder::~TVRTextEncoder() = default;

void TVRTextEncoder::Encode(QStringView text, bool last, QByteArray& bytes) {
    if (!FAsciiIsItself) {
        Convert(text, last, bytes);
        return;
    }
    const char16_t* const begin = text.utf16();
    const char16_t* const end = begin + text.size();
    const char16_t* position = begin;
    // A high surrogate left at the end of the previous piece: its pair, if any, opens
    // this piece; otherwise it is closed ("?") before anything else is written.
    if (FPendingSurrogate && (position == end || *position < 0x80)) {
        Convert(QStringView(), true, bytes);
        FPendingSurrogate = false;
    }
    while (position < end) {
        const char16_t* run = position;
        while (position < end && *position < 0x80) ++position;
        if (position > run) {
            const qsizetype start = bytes.size();
            bytes.resize(start + (position - run));
            char* target = bytes.data() + start;
            for (const char16_t* c = run; c < position; ++c) *target++ = char(*c);
        }
        run = position;
        while (position < end && *position >= 0x80) ++position;
        if (position > run) {
            const bool complete = position < end || last || !QChar::isHighSurrogate(position[-1]);
            Convert(QStringView(run, position - run), complete, bytes);
            FPendingSurrogate = !complete;
        }
    }
}

void TVRTextEncoder::Convert(QStringView text, bool last, QByteArray& bytes) {
    UConverter* converter = FConverter->Handle.get();
    const auto* source = reinterpret_cast<const UChar*>(text.utf16());
    const UChar* const sourceEnd = source + text.size();
    const qsizetype start = bytes.size();
    bytes.resize(start +
                 UCNV_GET_MAX_BYTES_FOR_STRING(text.size(), ucnv_getMaxCharSize(converter)));
    char* target = bytes.data() + start;
    UErrorCode status = U_ZERO_ERROR;
    ucnv_fromUnicode(converter, &target, bytes.data() + bytes.size(), &source, sourceEnd, nullptr,
                     last, &status);
    if (U_FAILURE(status))
        throw Exception(QStringLiteral("Cannot convert the text to %1: %2")
                            .arg(QLatin1String(FName), QLatin1String(u_errorName(status))));
    bytes.truncate(target - bytes.data());
}

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

#include "core/CodePage.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>

#include <QChar>
#include <QString>
#include <map>
#include <mutex>
#include <optional>

#include "core/Exception.h"

namespace {

struct ConverterCloser {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using ConverterHandle = std::unique_ptr<UConverter, ConverterCloser>;

ConverterHandle OpenConverter(const QByteArray& name) {
    UErrorCode status = U_ZERO_ERROR;
    ConverterHandle converter(ucnv_open(name.constData(), &status));
    if (U_FAILURE(status)) converter.reset();
    return converter;
}

QString UnsupportedMessage(int number) {
    return QStringLiteral("Code page %1 is not supported").arg(number);
}

// The converter of code page `number` and its name. ICU's "windows-N" is the code page
// as Windows defines it where ICU also has an IBM table of that number under "cpN"
// (874: the Thai of Windows, not IBM's); a code page of more bytes per character keeps
// the "cpN" converter.
ConverterHandle OpenCodePage(int number, QByteArray& name) {
    const QByteArray digits = QByteArray::number(number);
    name = "windows-" + digits;
    ConverterHandle converter = OpenConverter(name);
    if (!converter || ucnv_getMaxCharSize(converter.get()) != 1) {
        name = "cp" + digits;
        converter = OpenConverter(name);
    }
    if (!converter) throw Exception(UnsupportedMessage(number));
    return converter;
}

// The character of every byte of a single-byte converter, as the platform conversion
// the PDF export was written for gives them: a byte the converter has no character for
// (or only a private-use stand-in, as windows-874 has for its eight unassigned bytes)
// keeps its number. None when a byte gives more than one character.
std::optional<std::array<char16_t, 256>> ByteCharacters(UConverter* converter) {
    std::array<char16_t, 256> characters{};
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setToUCallBack(converter, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    for (int byte = 1; byte < 256; ++byte) {
        ucnv_reset(converter);
        const char input = char(byte);
        UChar output[4];
        status = U_ZERO_ERROR;
        const int32_t length = ucnv_toUChars(converter, output, 4, &input, 1, &status);
        if (U_SUCCESS(status) && length > 1) return std::nullopt;
        const bool assigned = U_SUCCESS(status) && length == 1 &&
                              QChar::category(char32_t(output[0])) != QChar::Other_PrivateUse;
        characters[byte] = assigned ? output[0] : char16_t(byte);
    }
    // ICU's IBM PC tables (437, 850, ...) rotate three controls (0x1A gives U+001C,
    // 0x1C gives U+007F, 0x7F gives U+001A), as those machines' screens drew them; text
    // knows them as the ASCII controls of their own numbers.
    if (characters[0x1A] == 0x1C && characters[0x1C] == 0x7F && characters[0x7F] == 0x1A) {
        for (int byte : {0x1A, 0x1C, 0x7F}) characters[byte] = char16_t(byte);
    }
    return characters;
}

// Every code page read so far, by number; nullptr for one of more bytes per character.
// The tables live as long as the program, so callers keep plain pointers to them.
struct CodePageRegistry {
    std::mutex Lock;
    std::map<int, std::unique_ptr<TSingleByteCodePage>> Pages;
};

CodePageRegistry& Registry() {
    static CodePageRegistry registry;
    return registry;
}

}  // namespace

TSingleByteCodePage::TSingleByteCodePage(const std::array<char16_t, 256>& characters)
    : FCharacters(characters), FBytes(std::make_unique<std::array<unsigned char, 65536>>()) {
    FBytes->fill(0);
    for (int byte = 255; byte >= 1; --byte) (*FBytes)[FCharacters[byte]] = quint8(byte);
}

const TSingleByteCodePage* SingleByteCodePage(int number) {
    CodePageRegistry& registry = Registry();
    const std::lock_guard<std::mutex> guard(registry.Lock);
    if (auto known = registry.Pages.find(number); known != registry.Pages.end())
        return known->second.get();
    QByteArray name;
    const ConverterHandle converter = OpenCodePage(number, name);
    std::unique_ptr<TSingleByteCodePage> page;
    if (ucnv_getMaxCharSize(converter.get()) == 1) {
        if (const auto characters = ByteCharacters(converter.get()))
            page = std::make_unique<TSingleByteCodePage>(*characters);
    }
    return registry.Pages.emplace(number, std::move(page)).first->second.get();
}

const TSingleByteCodePage& Windows1252() {
    static const TSingleByteCodePage& page = *SingleByteCodePage(1252);
    return page;
}

QByteArray CodePageConverterName(int number) {
    QByteArray name;
    OpenCodePage(number, name);
    return name;
}

struct TCodePageEncoder::Converter {
    ConverterHandle Handle;
};

namespace {

// Writes the substitute ("?") for every character the target cannot hold. The
// converter's own substitution callback skips the characters Unicode calls default
// ignorable (a zero-width space, a soft hyphen), which would make them vanish from one
// file while another writes "?" for them, and would shift the columns of a text grid.
void SubstituteEveryUnmappable(const void*, UConverterFromUnicodeArgs* arguments, const UChar*,
                               int32_t, UChar32, UConverterCallbackReason reason,
                               UErrorCode* status) {
    if (reason > UCNV_IRREGULAR) return;  // reset, close, clone: nothing to write
    *status = U_ZERO_ERROR;
    ucnv_cbFromUWriteSub(arguments, 0, status);
}

}  // namespace

TCodePageEncoder::TCodePageEncoder(const char* converterName, bool asciiIsItself)
    : FConverter(std::make_unique<Converter>()),
      FName(converterName),
      FAsciiIsItself(asciiIsItself) {
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

TCodePageEncoder::~TCodePageEncoder() = default;

void TCodePageEncoder::Encode(QStringView text, bool last, QByteArray& bytes) {
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

void TCodePageEncoder::Convert(QStringView text, bool last, QByteArray& bytes) {
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

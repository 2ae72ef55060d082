#include "report_engine/export/pdf/PDFCodePage.h"

#include <iconv.h>

#include <cerrno>

#include "data/Exception.h"
#include "data/Win1252.h"

namespace {

constexpr int WesternCodePage = 1252;
// The OEM code page of the program's users' systems (Portuguese).
constexpr int OemCodePage = 850;

QByteArray IconvName(int number) {
    return "CP" + QByteArray::number(number);
}

// One conversion of `input`; none when the converter refuses it (`error` says why).
std::optional<QByteArray> Convert(iconv_t converter, QByteArrayView input, int& error) {
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    char buffer[32];
    char* in = const_cast<char*>(input.data());
    size_t inLeft = size_t(input.size());
    char* out = buffer;
    size_t outLeft = sizeof(buffer);
    if (iconv(converter, &in, &inLeft, &out, &outLeft) == size_t(-1)) {
        error = errno;
        return std::nullopt;
    }
    if (iconv(converter, nullptr, nullptr, &out, &outLeft) == size_t(-1)) {
        error = errno;
        return std::nullopt;
    }
    return QByteArray(buffer, int(sizeof(buffer) - outLeft));
}

}  // namespace

struct PDFCodePage::Converter {
    iconv_t FromUnicode = iconv_t(-1);
    ~Converter() {
        if (FromUnicode != iconv_t(-1)) iconv_close(FromUnicode);
    }
};

PDFCodePage::PDFCodePage(int number) : FNumber(number) {
    std::array<char16_t, 256> values{};
    bool singleByte = true;
    if (number == WesternCodePage) {
        for (int byte = 1; byte < 256; ++byte) values[byte] = Win1252ToUnicode(byte).unicode();
    } else {
        iconv_t toUnicode = iconv_open("UTF-16LE", IconvName(number).constData());
        if (toUnicode == iconv_t(-1))
            throw Exception(QStringLiteral("Code page %1 is not supported").arg(number));
        for (int byte = 1; byte < 256 && singleByte; ++byte) {
            const char input = char(byte);
            int error = 0;
            const auto unit = Convert(toUnicode, QByteArrayView(&input, 1), error);
            if (unit && unit->size() == 2)
                values[byte] = char16_t(quint8(unit->at(0)) | (quint8(unit->at(1)) << 8));
            else if (!unit && error == EILSEQ)
                values[byte] = char16_t(byte);  // unassigned: the platform keeps the number
            else
                singleByte = false;  // a lead byte: half of a character
        }
        iconv_close(toUnicode);
    }

    if (singleByte) {
        FByteValues = values;
        FBytes = std::make_unique<std::array<unsigned char, 65536>>();
        FBytes->fill(0);
        // The first byte of a value wins, as the platform's reverse table has it.
        for (int byte = 255; byte >= 1; --byte) (*FBytes)[values[byte]] = quint8(byte);
        return;
    }
    FConverter = std::make_unique<Converter>();
    FConverter->FromUnicode = iconv_open(IconvName(number).constData(), "UTF-16LE");
    if (FConverter->FromUnicode == iconv_t(-1))
        throw Exception(QStringLiteral("Code page %1 is not supported").arg(number));
}

PDFCodePage::~PDFCodePage() = default;

void PDFCodePage::Encode(QStringView text, QByteArray& out) const {
    const qsizetype length = text.size();
    const QChar* units = text.data();
    if (FBytes) {
        const qsizetype start = out.size();
        out.resize(start + length);
        char* target = out.data() + start;
        qsizetype written = 0;
        for (qsizetype i = 0; i < length; ++i) {
            const char16_t unit = units[i].unicode();
            // A character beyond the 16-bit plane is one "?", not two.
            if (QChar::isHighSurrogate(unit) && i + 1 < length && units[i + 1].isLowSurrogate())
                ++i;
            const unsigned char byte = (*FBytes)[unit];
            target[written++] = unit == 0 ? '\0' : byte ? char(byte) : '?';
        }
        out.resize(start + written);
        return;
    }
    for (qsizetype i = 0; i < length; ++i) {
        // One character as little-endian UTF-16: a surrogate pair goes whole.
        char input[4];
        int inputBytes = 0;
        const int characterUnits =
            units[i].isHighSurrogate() && i + 1 < length && units[i + 1].isLowSurrogate() ? 2 : 1;
        for (int k = 0; k < characterUnits; ++k) {
            const char16_t unit = units[i + k].unicode();
            input[inputBytes++] = char(unit & 0xFF);
            input[inputBytes++] = char(unit >> 8);
        }
        i += characterUnits - 1;
        int error = 0;
        const auto bytes =
            Convert(FConverter->FromUnicode, QByteArrayView(input, inputBytes), error);
        if (bytes && !bytes->isEmpty())
            out.append(*bytes);
        else
            out.append('?');
    }
}

std::optional<std::array<char16_t, 256>> PDFCodePage::ByteValues() const {
    return FByteValues;
}

int CharsetCodePage(int charset) {
    switch (charset) {
        case 128:
            return 932;  // Shift JIS
        case 134:
            return 936;  // GB 2312
        case 136:
            return 950;  // Big5
        case 161:
            return 1253;  // Greek
        case 162:
            return 1254;  // Turkish
        case 163:
            return 1258;  // Vietnamese
        case 177:
            return 1255;  // Hebrew
        case 178:
            return 1256;  // Arabic
        case 186:
            return 1257;  // Baltic
        case 204:
            return 1251;  // Cyrillic
        case 222:
            return 874;  // Thai
        case 238:
            return 1250;  // Eastern European
        case 255:
            return OemCodePage;
        default:
            return WesternCodePage;
    }
}

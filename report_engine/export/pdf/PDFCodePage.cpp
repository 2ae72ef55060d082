#include "report_engine/export/pdf/PDFCodePage.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>

#include "core/Exception.h"
#include "core/Win1252.h"
#include "report_engine/export/TextEncoding.h"

namespace {

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
    // A whole text goes through the converter in one call.
    try {
        FConverter =
            std::make_unique<TVRTextEncoder>(("cp" + QByteArray::number(number)).constData());
    } catch (const Exception&) {
        throw Exception(QStringLiteral("Code page %1 is not supported").arg(number));
    }
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
    FConverter->Encode(text, true, out);
}

std::optional<std::array<char16_t, 256>> PDFCodePage::ByteValues() const {
    return FByteValues;
}

void AppendPDFLiteral(QByteArray& out, const PDFCodePage& codePage, QStringView text,
                      TPDFCode128 code128) {
    const qsizetype start = out.size();
    codePage.Encode(text, out);
    const auto special = [code128](char c) {
        return c == '\\' || c == '(' || c == ')' ||
               (code128 == TPDFCode128::Octal && quint8(c) == 0x80);
    };
    const qsizetype count = std::count_if(out.cbegin() + start, out.cend(), special);
    if (count == 0) return;
    // Written again with the escapes: one byte more for each, three for the octal code.
    const QByteArray encoded = out.mid(start);
    out.truncate(start);
    out.reserve(start + encoded.size() + 3 * count);
    for (char c : encoded) {
        if (!special(c)) {
            out.append(c);
        } else if (quint8(c) == 0x80) {
            out.append("\\200");
        } else {
            out.append('\\');
            out.append(c);
        }
    }
}

QByteArray PDFNameText(QByteArrayView bytes) {
    static const char digits[] = "0123456789ABCDEF";
    QByteArray name;
    name.reserve(bytes.size());
    for (char c : bytes) {
        const auto byte = quint8(c);
        const bool regular =
            byte > 0x20 && byte < 0x7F && !QByteArrayView("()<>[]{}/%#").contains(c);
        if (regular) {
            name.append(c);
        } else {
            name.append('#');
            name.append(digits[byte >> 4]);
            name.append(digits[byte & 0xF]);
        }
    }
    return name;
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

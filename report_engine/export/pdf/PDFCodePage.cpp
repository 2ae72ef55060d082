#include "report_engine/export/pdf/PDFCodePage.h"

#include <algorithm>

#include "core/CodePage.h"

namespace {

// The OEM code page of the program's users' systems (Portuguese).
constexpr int OemCodePage = 850;

}  // namespace

PDFCodePage::PDFCodePage(int number) : FNumber(number), FTable(SingleByteCodePage(number)) {
    // A whole text goes through the converter in one call.
    if (!FTable)
        FConverter = std::make_unique<TCodePageEncoder>(CodePageConverterName(number).constData());
}

PDFCodePage::~PDFCodePage() = default;

void PDFCodePage::Encode(QStringView text, QByteArray& out) const {
    const qsizetype length = text.size();
    const QChar* units = text.data();
    if (FTable) {
        const qsizetype start = out.size();
        out.resize(start + length);
        char* target = out.data() + start;
        qsizetype written = 0;
        for (qsizetype i = 0; i < length; ++i) {
            const char16_t unit = units[i].unicode();
            // A character beyond the 16-bit plane is one "?", not two.
            if (QChar::isHighSurrogate(unit) && i + 1 < length && units[i + 1].isLowSurrogate())
                ++i;
            const unsigned char byte = FTable->Byte(unit);
            target[written++] = unit == 0 ? '\0' : byte ? char(byte) : '?';
        }
        out.resize(start + written);
        return;
    }
    FConverter->Encode(text, true, out);
}

std::optional<std::array<char16_t, 256>> PDFCodePage::ByteValues() const {
    if (!FTable) return std::nullopt;
    return FTable->Characters();
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

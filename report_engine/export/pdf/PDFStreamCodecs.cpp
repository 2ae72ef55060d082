#include "report_engine/export/pdf/PDFStreamCodecs.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>

namespace {

constexpr int ClearTable = 256;
constexpr int EndOfData = 257;
constexpr int FirstFreeCode = 258;
constexpr int LargestCode = 4095;
constexpr int MinimumCodeWidth = 9;

// Codes go out most significant bit first, packed across byte boundaries.
class CodeWriter {
public:
    explicit CodeWriter(QByteArray& out) : FOut(out) {}

    void Put(int code, int width) {
        FBits = (FBits << width) | std::uint32_t(code);
        FCount += width;
        while (FCount >= 8) {
            FCount -= 8;
            FOut.append(char((FBits >> FCount) & 0xFF));
        }
    }
    // Pads the last byte with zero bits.
    void Flush() {
        if (FCount > 0) FOut.append(char((FBits << (8 - FCount)) & 0xFF));
        FCount = 0;
    }

private:
    QByteArray& FOut;
    std::uint32_t FBits = 0;  // holds at most 7 pending bits between calls
    int FCount = 0;
};

// The string table: (prefix code, next byte) -> code, open addressing. 8192 slots for at
// most 3838 entries keep the probes short; clearing rewrites 32 KB.
class StringTable {
public:
    StringTable() { Clear(); }

    void Clear() {
        FKeys.fill(0);
        FNext = FirstFreeCode;
    }
    // The code of prefix + byte; -1 when the table has none, `slot` then tells where a
    // new entry goes.
    int Find(int prefix, unsigned char byte, std::size_t& slot) const {
        const std::uint32_t key = Key(prefix, byte);
        slot = (std::uint32_t(prefix) * 257u + byte) & (Slots - 1);
        while (FKeys[slot] != 0) {
            if (FKeys[slot] == key) return FCodes[slot];
            slot = (slot + 1) & (Slots - 1);
        }
        return -1;
    }
    void Add(std::size_t slot, int prefix, unsigned char byte) {
        FKeys[slot] = Key(prefix, byte);
        FCodes[slot] = std::uint16_t(FNext);
        ++FNext;
    }
    int Next() const { return FNext; }
    void Skip() { ++FNext; }

private:
    static constexpr std::size_t Slots = 8192;
    static std::uint32_t Key(int prefix, unsigned char byte) {
        return ((std::uint32_t(prefix) << 8) | byte) + 1;  // 0 marks a free slot
    }

    std::array<std::uint32_t, Slots> FKeys;
    std::array<std::uint16_t, Slots> FCodes;
    int FNext = FirstFreeCode;
};

// The width after entry `made` exists: a decoder, one entry behind, widens at the same
// code because of the early change.
int WidthAfter(int made, int width) {
    if (made == 511 || made == 1023 || made == 2047) return width + 1;
    return width;
}

}  // namespace

QByteArray LZWEncode(QByteArrayView data) {
    QByteArray out;
    out.reserve(data.size() / 2 + 16);
    CodeWriter writer(out);
    auto table = std::make_unique<StringTable>();
    int width = MinimumCodeWidth;
    writer.Put(ClearTable, width);
    if (data.isEmpty()) {
        writer.Put(EndOfData, width);
        writer.Flush();
        return out;
    }

    const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
    int prefix = bytes[0];
    for (qsizetype i = 1; i < data.size(); ++i) {
        const unsigned char byte = bytes[i];
        std::size_t slot = 0;
        const int code = table->Find(prefix, byte, slot);
        if (code >= 0) {
            prefix = code;
            continue;
        }
        writer.Put(prefix, width);
        const int made = table->Next();
        table->Add(slot, prefix, byte);
        width = WidthAfter(made, width);
        if (table->Next() > LargestCode) {
            writer.Put(ClearTable, width);
            table->Clear();
            width = MinimumCodeWidth;
        }
        prefix = byte;
    }
    writer.Put(prefix, width);
    // The decoder makes an entry for this last code too, and may widen before it
    // reads the end-of-data code.
    if (table->Next() <= LargestCode) width = WidthAfter(table->Next(), width);
    writer.Put(EndOfData, width);
    writer.Flush();
    return out;
}

QByteArray ASCII85Encode(QByteArrayView data) {
    constexpr int LineGroupsLimit = 200;  // a line ends once its count passes this
    QByteArray out;
    out.reserve(data.size() * 5 / 4 + data.size() / 80 + 8);
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
    int lineCount = 0;
    for (qsizetype start = 0; start < data.size(); start += 4) {
        const int n = int(std::min<qsizetype>(4, data.size() - start));
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) value = (value << 8) | (i < n ? bytes[start + i] : 0u);
        if (n == 4 && value == 0) {
            out.append('z');
        } else {
            char digits[5];
            for (int i = 4; i >= 0; --i) {
                digits[i] = char('!' + value % 85);
                value /= 85;
            }
            out.append(digits, n + 1);
        }
        // A "z" counts as the five characters it stands for.
        lineCount += n + 1;
        if (lineCount > LineGroupsLimit) {
            out.append("\r\n", 2);
            lineCount = 0;
        }
    }
    out.append("~>", 2);
    return out;
}

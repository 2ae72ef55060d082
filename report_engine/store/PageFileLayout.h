#pragma once

#include <QByteArray>
#include <QtEndian>
#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstring>
#include <limits>
#include <type_traits>

#include "report_engine/emf/EmfRecords.h"

// The native report file: the page store saved as it stands. A header, then one record
// per page, page 1 first, each record chained forwards by the offset of the next one and
// backwards by a link to its own start:
//
//   Header | record 1 | record 2 | ... | record N
//   record: RecordPrefix | payload | RecordTrailer
//
// The payload is the page's EMF exactly as the metafile serialises itself; compressed,
// a CompressedPrefix giving the EMF's length followed by its splay-tree code. Offsets
// are absolute positions in the stream, so the stream's last four bytes point at the
// last record. Reserved bytes are written as zero and ignored on reading.
//
// The file is little-endian on every host. Its fields are Qt's little-endian integer
// types, which hold their bytes in the file's order and convert on each access: a
// struct's bytes are the file's bytes on any host, and no reader or writer is left a
// byte swap to forget (std::endian plus a plain memcpy would be right on little-endian
// hosts only). The structs are copied in and out with memcpy (Read, Write), so a part
// may lie at any offset of a buffer.
namespace PageFile {

// The header's first two words, written for other readers of the format; this program
// never reads them.
constexpr qint16 FirstMarkValue = 3;
constexpr qint16 SecondMarkValue = 60;
constexpr char FillerByte = 'H';
constexpr quint8 PlainPayloads = 0;
constexpr quint8 CompressedPayloads = 1;

struct Header {
    qint16_le FirstMark;
    qint16_le SecondMark;
    char Reserved1[4];
    qint32_le PageCount;
    char Reserved2[4];
    // IEEE double, kept as its bits: days since 30 December 1899, the fraction being
    // the time of day.
    quint64_le WrittenAtBits;
    char Reserved3;
    quint8 Compression;  // CompressedPayloads or PlainPayloads
    char Filler[100];    // FillerByte throughout
    char Reserved4[2];

    double WrittenAt() const { return std::bit_cast<double>(quint64(WrittenAtBits)); }
    void SetWrittenAt(double days) { WrittenAtBits = std::bit_cast<quint64>(days); }
    bool Compressed() const { return Compression == CompressedPayloads; }
};
static_assert(std::numeric_limits<double>::is_iec559 && sizeof(double) == sizeof(quint64));
static_assert(sizeof(Header) == 128);
static_assert(offsetof(Header, SecondMark) == 2);
static_assert(offsetof(Header, PageCount) == 8);
static_assert(offsetof(Header, WrittenAtBits) == 16);
static_assert(offsetof(Header, Compression) == 25);
static_assert(offsetof(Header, Filler) == 26);
static_assert(offsetof(Header, Reserved4) == 126);

struct RecordPrefix {
    qint32_le PageNumber;  // 1-based
    qint32_le NextRecord;  // just after this record's trailer
};
static_assert(sizeof(RecordPrefix) == 8);

struct RecordTrailer {
    qint32_le RecordStart;  // the back link
};
static_assert(sizeof(RecordTrailer) == 4);

struct CompressedPrefix {
    qint32_le PlainLength;  // of the EMF the code expands to
};
static_assert(sizeof(CompressedPrefix) == 4);

static_assert(std::is_trivially_copyable_v<Header> && std::is_trivially_copyable_v<RecordPrefix> &&
              std::is_trivially_copyable_v<RecordTrailer> &&
              std::is_trivially_copyable_v<CompressedPrefix>);

constexpr qint64 HeaderLength = sizeof(Header);
// The bytes a record adds around its payload.
constexpr qint64 RecordOverhead = sizeof(RecordPrefix) + sizeof(RecordTrailer);
// Records are reached through signed 32-bit offsets.
constexpr qint64 LargestOffset = std::numeric_limits<qint32>::max();

// Files written by older versions have shorter headers, 124, 120 or 96 bytes long. Of
// those only the 124-byte header still holds the page count, where the newest does.
constexpr qint64 OlderHeaderLengths[] = {124, 120, 96};
constexpr bool HeaderHoldsPageCount(qint64 headerLength) {
    return headerLength == HeaderLength || headerLength == OlderHeaderLengths[0];
}

// The first page's EMF signature (" EMF") follows the header at a fixed distance, which
// tells a header's length. These are the letters after its leading space.
constexpr char SignatureLetters[] = "EMF";
constexpr qint64 SignatureLength = sizeof SignatureLetters - 1;
constexpr qint64 SignatureDistance =
    sizeof(RecordPrefix) + offsetof(Emf::EMRHEADER, dSignature) + 1;
static_assert(SignatureDistance == 49);

// A header as this program writes it.
inline Header NewHeader(qint32 pageCount, double writtenAt, bool compressed) {
    Header header{};
    header.FirstMark = FirstMarkValue;
    header.SecondMark = SecondMarkValue;
    header.PageCount = pageCount;
    header.SetWrittenAt(writtenAt);
    header.Compression = compressed ? CompressedPayloads : PlainPayloads;
    std::fill(std::begin(header.Filler), std::end(header.Filler), FillerByte);
    return header;
}

// A copy of the part at `offset` of `bytes`, which the caller has checked holds it.
template <class Part>
Part Read(const QByteArray& bytes, qint64 offset) {
    Part part;
    std::memcpy(&part, bytes.constData() + offset, sizeof(Part));
    return part;
}

// Puts `part` at `offset` of `bytes`, which the caller has checked holds it.
template <class Part>
void Write(QByteArray& bytes, qint64 offset, const Part& part) {
    std::memcpy(bytes.data() + offset, &part, sizeof(Part));
}

template <class Part>
void Append(QByteArray& bytes, const Part& part) {
    bytes.append(reinterpret_cast<const char*>(&part), sizeof(Part));
}

// Appends page `pageNumber` with `payload` to a whole file held in memory.
inline void AppendRecord(QByteArray& file, qint32 pageNumber, const QByteArray& payload) {
    const qint32 start = qint32(file.size());
    Append(file, RecordPrefix{qint32_le(pageNumber),
                              qint32_le(start + qint32(RecordOverhead + payload.size()))});
    file.append(payload);
    Append(file, RecordTrailer{qint32_le(start)});
}

}  // namespace PageFile

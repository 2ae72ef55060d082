#include "report_engine/store/TVRPageList.h"

#include <QDateTime>
#include <QScopeGuard>
#include <cstddef>

#include "core/Exception.h"
#include "report_engine/base/DurableFile.h"
#include "report_engine/emf/TVRMetafile.h"
#include "report_engine/store/TVRCompress.h"
#include "report_engine/store/TVRStream.h"

namespace {

using PageFile::RecordOverhead;

constexpr qint64 pageCountAt = offsetof(PageFile::Header, PageCount);
constexpr qint64 compressionAt = offsetof(PageFile::Header, Compression);
constexpr qint64 saveBlockSize = 10240;
// How far into a file of unknown header length the first page's signature is looked for.
constexpr qint64 signatureScanLimit = 1000;

template <class Part>
void WritePart(TVRStream& stream, const Part& part) {
    stream.Write(reinterpret_cast<const char*>(&part), sizeof(Part));
}

// False when the stream ended before the whole part.
template <class Part>
bool ReadPart(TVRStream& stream, Part& part) {
    return stream.Read(reinterpret_cast<char*>(&part), sizeof(Part)) == qint64(sizeof(Part));
}

// Days since 30 December 1899, the fraction being the time of day.
double DayCount(const QDateTime& moment) {
    static const QDate epoch(1899, 12, 30);
    return double(epoch.daysTo(moment.date())) +
           double(moment.time().msecsSinceStartOfDay()) / 86400000.0;
}

bool HasSignatureAt(const QByteArray& head, qint64 offset) {
    return offset >= 0 && offset + PageFile::SignatureLength <= head.size() &&
           head.mid(offset, PageFile::SignatureLength) == PageFile::SignatureLetters;
}

QString DamageAfter(int soundPages) {
    if (soundPages == 0) return QStringLiteral("The file is damaged: no page could be read");
    return QStringLiteral("The file is damaged after page %1").arg(soundPages);
}

}  // namespace

TVRPageList::TVRPageList() = default;
TVRPageList::~TVRPageList() = default;

void TVRPageList::Attach(TVRStream* stream, bool compression) {
    std::lock_guard lock(FLock);
    FStream = stream;
    FCompression = compression;
    FPageCount = 0;
    FRecordStarts.clear();
    FHeaderLength = HeaderSize;
}

int TVRPageList::PageCount() const {
    std::lock_guard lock(FLock);
    return FPageCount;
}

void TVRPageList::Clear() {
    std::lock_guard lock(FLock);
    FPageCount = 0;
    FRecordStarts.clear();
    FStream = nullptr;
}

void TVRPageList::WriteHeader() {
    FStream->Seek(0);
    WritePart(*FStream, PageFile::NewHeader(FPageCount, DayCount(QDateTime::currentDateTime()),
                                            FCompression));
}

void TVRPageList::AddPage(const TVRMetafile& page) {
    std::lock_guard lock(FLock);
    if (!FStream) return;

    // The payload is made whole before the stream is touched, so that its size is
    // known: a record the offsets could not point past is refused up front.
    QByteArray compressed;
    if (FCompression) {
        aCompressor = std::make_unique<TVRCompress>();
        compressed = aCompressor->Compress(page.Bytes());
        aCompressor.reset();
    }
    const QByteArray& payload = FCompression ? compressed : page.Bytes();
    const qint64 sizeBefore = FStream->Size();
    const qint64 recordStart = FPageCount == 0 ? qMax<qint64>(sizeBefore, HeaderSize) : sizeBefore;
    const qint64 recordEnd = recordStart + RecordOverhead +
                             (FCompression ? qint64(sizeof(PageFile::CompressedPrefix)) : 0) +
                             qint64(payload.size());
    if (recordEnd > FOffsetLimit)
        throw Exception(QStringLiteral("The report is too large for the page store, which "
                                       "cannot reach beyond %1 bytes: it ends after page %2")
                            .arg(FOffsetLimit)
                            .arg(FPageCount));

    // A write that fails (no spill file, a full disk) leaves the store as it was: the
    // count, the record starts and the stream's length all go back, so the pages
    // before stay readable and a later Finish writes a true header.
    try {
        ++FPageCount;
        if (FPageCount == 1) WriteHeader();
        FRecordStarts.push_back(recordStart);
        FStream->Seek(recordStart);
        WritePart(*FStream,
                  PageFile::RecordPrefix{qint32_le(FPageCount), qint32_le(qint32(recordEnd))});
        if (FCompression)
            WritePart(*FStream, PageFile::CompressedPrefix{qint32_le(qint32(page.Bytes().size()))});
        FStream->Write(payload);
        WritePart(*FStream, PageFile::RecordTrailer{qint32_le(qint32(recordStart))});
    } catch (...) {
        --FPageCount;
        FRecordStarts.resize(size_t(FPageCount));
        FStream->Truncate(sizeBefore);
        FStream->Seek(sizeBefore);
        throw;
    }
}

void TVRPageList::SetOffsetLimit(qint64 bytes) {
    std::lock_guard lock(FLock);
    FOffsetLimit = qBound<qint64>(qint64(HeaderSize), bytes, PageFile::LargestOffset);
}

void TVRPageList::Finish() {
    std::lock_guard lock(FLock);
    if (!FStream) return;
    WriteHeader();
    FStream->Seek(FStream->Size());
}

bool TVRPageList::IsRecordStart(qint64 position, qint64 streamSize) const {
    return position >= FHeaderLength && position + RecordOverhead <= streamSize;
}

// Leaves the position at the start of record N, known from the links followed when
// the page was added or its file was checked.
bool TVRPageList::SeekToPage(int pageNumber) {
    if (pageNumber < 1 || pageNumber > qsizetype(FRecordStarts.size())) return false;
    FStream->Seek(FRecordStarts[pageNumber - 1]);
    return true;
}

std::optional<QByteArray> TVRPageList::ReadRecord(qint64 recordStart, int pageNumber,
                                                  qint64* next) {
    const qint64 size = FStream->Size();
    if (!IsRecordStart(recordStart, size)) return std::nullopt;
    FStream->Seek(recordStart);
    PageFile::RecordPrefix prefix;
    if (!ReadPart(*FStream, prefix) || qint32(prefix.PageNumber) != pageNumber) return std::nullopt;
    const qint64 nextRecord = prefix.NextRecord;
    if (nextRecord <= recordStart + RecordOverhead || nextRecord > size) return std::nullopt;

    QByteArray payload(nextRecord - recordStart - RecordOverhead, Qt::Uninitialized);
    PageFile::RecordTrailer trailer;
    if (FStream->Read(payload.data(), payload.size()) != payload.size()) return std::nullopt;
    if (!ReadPart(*FStream, trailer) || qint32(trailer.RecordStart) != recordStart)
        return std::nullopt;
    if (next) *next = nextRecord;
    return DecodePayload(payload);
}

std::optional<QByteArray> TVRPageList::DecodePayload(const QByteArray& payload) {
    if (!FCompression) {
        // A plain payload is one EMF, which declares its own length.
        const quint32 length = TVRMetafile::DeclaredLength(payload.constData(), payload.size());
        if (length == 0 || length > quint32(payload.size())) return std::nullopt;
        return payload.left(qsizetype(length));
    }
    constexpr qint64 prefixSize = sizeof(PageFile::CompressedPrefix);
    if (payload.size() < prefixSize) return std::nullopt;
    const auto prefix = PageFile::Read<PageFile::CompressedPrefix>(payload, 0);
    aCompressor = std::make_unique<TVRCompress>();
    auto plain = aCompressor->Expand(payload.constData() + prefixSize, payload.size() - prefixSize,
                                     prefix.PlainLength);
    aCompressor.reset();
    return plain;
}

std::unique_ptr<TVRMetafile> TVRPageList::GetPage(int pageNumber) {
    std::lock_guard lock(FLock);
    if (!FStream || pageNumber < 1 || pageNumber > FPageCount) return nullptr;
    if (!SeekToPage(pageNumber)) return nullptr;
    const auto bytes = ReadRecord(FStream->Position(), pageNumber, nullptr);
    if (!bytes) return nullptr;
    try {
        return TVRMetafile::FromBytes(*bytes);
    } catch (const Exception&) {
        return nullptr;
    }
}

qint64 TVRPageList::DetectHeaderLength(const QByteArray& head) {
    // The lengths files have used are tried first, the newest format last; then the
    // signature is looked for wherever it lies.
    for (const qint64 length : PageFile::OlderHeaderLengths)
        if (HasSignatureAt(head, length + PageFile::SignatureDistance)) return length;
    if (HasSignatureAt(head, HeaderSize + PageFile::SignatureDistance)) return HeaderSize;
    const qint64 scanEnd =
        qMin<qint64>(head.size() - PageFile::SignatureLength, signatureScanLimit);
    for (qint64 offset = PageFile::SignatureDistance; offset <= scanEnd; ++offset)
        if (HasSignatureAt(head, offset)) return offset - PageFile::SignatureDistance;
    return HeaderSize;
}

TVRLoadResult TVRPageList::LoadFromStream(TVRStream* stream) {
    std::lock_guard lock(FLock);
    FStream = stream;
    FPageCount = 0;
    FRecordStarts.clear();
    const qint64 size = FStream->Size();
    TVRLoadResult result;
    if (size == 0) return result;

    QByteArray head(qMin<qint64>(size, signatureScanLimit + 64), Qt::Uninitialized);
    FStream->Seek(0);
    FStream->Read(head.data(), head.size());
    FHeaderLength = DetectHeaderLength(head);
    FCompression =
        head.size() > compressionAt && quint8(head[compressionAt]) == PageFile::CompressedPayloads;
    if (size < FHeaderLength) {
        result.Damage = DamageAfter(0);
        return result;
    }
    // Only the two newest header layouts carry the page count; older files are
    // counted by their chain of records.
    std::optional<qint32> declaredCount;
    if (PageFile::HeaderHoldsPageCount(FHeaderLength) &&
        head.size() >= pageCountAt + qint64(sizeof(qint32_le))) {
        const qint32 count = PageFile::Read<qint32_le>(head, pageCountAt);
        if (count >= 0) declaredCount = count;
    }

    // Every page is read and decoded once here, so that a page that loaded is a page
    // that plays; the store ends after the last sound record.
    qint64 recordStart = FHeaderLength;
    int soundPages = 0;
    while (recordStart < size && (!declaredCount || soundPages < *declaredCount)) {
        qint64 next = 0;
        const auto bytes = ReadRecord(recordStart, soundPages + 1, &next);
        if (!bytes) break;
        try {
            TVRMetafile::FromBytes(*bytes);
        } catch (const Exception&) {
            break;
        }
        ++soundPages;
        FRecordStarts.push_back(recordStart);
        recordStart = next;
    }
    const bool damaged = declaredCount ? soundPages < *declaredCount : recordStart < size;
    if (damaged) result.Damage = DamageAfter(soundPages);

    FPageCount = soundPages;
    FStream->Truncate(recordStart);
    if (declaredCount && *declaredCount != soundPages) {
        // The header then tells the truth about what the store holds, also when saved.
        FStream->Seek(pageCountAt);
        WritePart(*FStream, qint32_le(soundPages));
    }
    FStream->Seek(FStream->Size());
    result.PageCount = soundPages;
    return result;
}

void TVRPageList::SaveToFile(const QString& fileName) {
    std::lock_guard lock(FLock);
    DurableFile file(fileName);
    const auto failure = [&](const QString& reason) {
        file.discard();
        return Exception(QStringLiteral("Cannot write the file %1: %2").arg(fileName, reason));
    };
    if (!file.open(QIODevice::WriteOnly)) throw failure(file.errorString());
    qint64 copied = 0;
    qint64 expectedSize = 0;
    if (FStream) {
        expectedSize = FStream->Size();
        QByteArray block(saveBlockSize, Qt::Uninitialized);
        // Adding pages goes on at the end, whatever happens here.
        const auto toTheEnd = qScopeGuard([this] { FStream->Seek(FStream->Size()); });
        FStream->Seek(0);
        for (;;) {
            const qint64 count = FStream->Read(block.data(), saveBlockSize);
            if (count <= 0) break;
            if (file.write(block.constData(), count) != count) throw failure(file.errorString());
            copied += count;
        }
    }
    if (copied != expectedSize) throw failure(QStringLiteral("the page store ended early"));
    if (!file.commit()) throw failure(file.errorString());
}

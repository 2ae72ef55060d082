#include "report_engine/store/TVRPageList.h"

#include <QDateTime>
#include <QScopeGuard>
#include <QtEndian>
#include <limits>

#include "core/Exception.h"
#include "report_engine/base/DurableFile.h"
#include "report_engine/emf/TVRMetafile.h"
#include "report_engine/store/TVRCompress.h"
#include "report_engine/store/TVRStream.h"

namespace {

constexpr int pageCountOffset = 8;
constexpr int timeOffset = 16;
constexpr int compressionOffset = 25;
constexpr int fillerOffset = 26;
constexpr int fillerLength = 100;
// Page number, next-record offset and back link around each payload.
constexpr qint64 recordOverhead = 12;
constexpr qint64 saveBlockSize = 10240;

// The first page's EMF signature lies 49 bytes after the header: 8 bytes of record
// prefix and 41 bytes into the EMF header (the letters of " EMF"). These are where it
// lies for the header lengths files have used, newest format last.
struct SignatureProbe {
    qint64 Offset;
    qint64 HeaderLength;
};
constexpr SignatureProbe signatureProbes[] = {{173, 124}, {169, 120}, {145, 96}, {177, 128}};
constexpr qint64 signatureDistance = 49;
constexpr qint64 signatureScanLimit = 1000;

// Days since 30 December 1899, the fraction being the time of day.
double DayCount(const QDateTime& moment) {
    static const QDate epoch(1899, 12, 30);
    return double(epoch.daysTo(moment.date())) +
           double(moment.time().msecsSinceStartOfDay()) / 86400000.0;
}

bool HasSignatureAt(const QByteArray& head, qint64 offset) {
    return offset >= 0 && offset + 3 <= head.size() && head.mid(offset, 3) == "EMF";
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
    QByteArray header(HeaderSize, '\0');
    qToLittleEndian<qint16>(3, header.data());
    qToLittleEndian<qint16>(60, header.data() + 2);
    qToLittleEndian<qint32>(FPageCount, header.data() + pageCountOffset);
    qToLittleEndian<double>(DayCount(QDateTime::currentDateTime()), header.data() + timeOffset);
    header[compressionOffset] = FCompression ? 1 : 0;
    std::fill_n(header.data() + fillerOffset, fillerLength, 'H');
    FStream->Seek(0);
    FStream->Write(header);
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
    const qint64 recordEnd =
        recordStart + recordOverhead + (FCompression ? 4 : 0) + qint64(payload.size());
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
        FStream->WriteInt32(FPageCount);
        const qint64 nextField = FStream->Position();
        FStream->WriteInt32(0);
        if (FCompression) FStream->WriteInt32(qint32(page.Bytes().size()));
        FStream->Write(payload);
        FStream->WriteInt32(qint32(recordStart));
        FStream->Seek(nextField);
        FStream->WriteInt32(qint32(recordEnd));
        FStream->Seek(recordEnd);
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
    FOffsetLimit =
        qBound<qint64>(qint64(HeaderSize), bytes, qint64(std::numeric_limits<qint32>::max()));
}

void TVRPageList::Finish() {
    std::lock_guard lock(FLock);
    if (!FStream) return;
    WriteHeader();
    FStream->Seek(FStream->Size());
}

bool TVRPageList::IsRecordStart(qint64 position, qint64 streamSize) const {
    return position >= FHeaderLength && position + recordOverhead <= streamSize;
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
    qint32 number = 0;
    qint32 nextRecord = 0;
    if (!FStream->ReadInt32(number) || number != pageNumber) return std::nullopt;
    if (!FStream->ReadInt32(nextRecord)) return std::nullopt;
    if (nextRecord <= recordStart + recordOverhead || nextRecord > size) return std::nullopt;

    QByteArray payload(nextRecord - recordStart - recordOverhead, Qt::Uninitialized);
    qint32 backLink = 0;
    if (FStream->Read(payload.data(), payload.size()) != payload.size()) return std::nullopt;
    if (!FStream->ReadInt32(backLink) || backLink != recordStart) return std::nullopt;
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
    if (payload.size() < 4) return std::nullopt;
    const qint32 length = qFromLittleEndian<qint32>(payload.constData());
    aCompressor = std::make_unique<TVRCompress>();
    auto plain = aCompressor->Expand(payload.constData() + 4, payload.size() - 4, length);
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
    for (const SignatureProbe& probe : signatureProbes)
        if (HasSignatureAt(head, probe.Offset)) return probe.HeaderLength;
    const qint64 scanEnd = qMin<qint64>(head.size() - 3, signatureScanLimit);
    for (qint64 offset = signatureDistance; offset <= scanEnd; ++offset)
        if (HasSignatureAt(head, offset)) return offset - signatureDistance;
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
    FCompression = head.size() > compressionOffset && head[compressionOffset] == 1;
    if (size < FHeaderLength) {
        result.Damage = DamageAfter(0);
        return result;
    }
    // Only the two newest header layouts carry the page count; older files are
    // counted by their chain of records.
    std::optional<qint32> declaredCount;
    if ((FHeaderLength == 128 || FHeaderLength == 124) && head.size() >= pageCountOffset + 4) {
        const qint32 count = qFromLittleEndian<qint32>(head.constData() + pageCountOffset);
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
        FStream->Seek(pageCountOffset);
        FStream->WriteInt32(soundPages);
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

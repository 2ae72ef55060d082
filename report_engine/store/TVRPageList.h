#pragma once

#include <QByteArray>
#include <QString>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "report_engine/store/PageFileLayout.h"

class TVRCompress;
class TVRMetafile;
class TVRStream;

// What loading a page file found. A damaged file keeps the pages before the damage.
struct TVRLoadResult {
    int PageCount = 0;
    QString Damage;  // empty when the whole file was sound
    bool IsSound() const { return Damage.isEmpty(); }
};

// The page store: a header and a chain of page records in a TVRStream, laid out as the
// native report file (PageFileLayout.h). The list remembers where each record starts as
// it follows the links, so a page is reached with one seek, without reading the pages
// in between. Adding and reading whole pages happen under the list's lock.
class TVRPageList {
public:
    static constexpr int HeaderSize = int(PageFile::HeaderLength);
    // Records are reached through 32-bit offsets: no page file is longer than the
    // largest offset plus a header.
    static constexpr qint64 LargestFile = PageFile::LargestOffset + HeaderSize;

    TVRPageList();
    ~TVRPageList();

    // Starts an empty store on `stream` (not owned).
    void Attach(TVRStream* stream, bool compression);
    TVRStream* Stream() const { return FStream; }
    bool Compression() const { return FCompression; }
    int PageCount() const;

    // Appends a page; throws Exception, leaving the store as it was, when the stream
    // cannot take it or the record would end beyond the offset limit.
    void AddPage(const TVRMetafile& page);
    // The furthest a record may end: the format's offsets are signed 32-bit, so by
    // default 2^31 - 1. Tests lower it to fill a store without writing gigabytes.
    void SetOffsetLimit(qint64 bytes);
    qint64 OffsetLimit() const { return FOffsetLimit; }
    // Page N (1-based); none when out of range or when the stored page is damaged.
    std::unique_ptr<TVRMetafile> GetPage(int pageNumber);
    // Rewrites the header with the final page count.
    void Finish();
    void Clear();

    // Takes `stream` (not owned), holding a whole native report file, as the store.
    // Keeps every sound page up to the first damage, cuts the stream there and says
    // where the damage starts.
    TVRLoadResult LoadFromStream(TVRStream* stream);
    // Copies the stream into a file, which is replaced only once completely written;
    // throws Exception when that fails.
    void SaveToFile(const QString& fileName);

    // Header length of the store: HeaderSize, or what a loaded older file used.
    qint64 HeaderLength() const { return FHeaderLength; }

    // The length of the header of a native report file that starts with `head`.
    static qint64 DetectHeaderLength(const QByteArray& head);

private:
    void WriteHeader();
    bool SeekToPage(int pageNumber);
    bool IsRecordStart(qint64 position, qint64 streamSize) const;
    // The EMF bytes of the record at `recordStart`, checked against its links; none
    // when the record is unsound. `next` receives the following record's offset.
    std::optional<QByteArray> ReadRecord(qint64 recordStart, int pageNumber, qint64* next);
    std::optional<QByteArray> DecodePayload(const QByteArray& payload);

    mutable std::mutex FLock;
    // Where each record starts, as the links give it: learnt while pages are added or
    // a file is checked on loading, so that reaching page N costs one seek instead of
    // a walk along the chain.
    std::vector<qint64> FRecordStarts;
    std::unique_ptr<TVRCompress> aCompressor;
    bool FCompression = false;
    int FPageCount = 0;
    TVRStream* FStream = nullptr;
    qint64 FHeaderLength = HeaderSize;
    qint64 FOffsetLimit = PageFile::LargestOffset;
};

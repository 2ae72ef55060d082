#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <memory>
#include <mutex>

class QFile;

// The page store's byte stream. It starts in memory and, as soon as a write makes it
// larger than the memory limit, moves its content into a temporary file in the
// system's temporary folder and goes on there. The file has no name: the kernel frees
// it when the stream closes it or the process ends, however it ends. Every operation takes the stream's own lock, so a reader on one thread and
// a writer on another never see a half-done read, write or seek.
class TVRStream {
public:
    explicit TVRStream(qint64 memoryLimit);
    // A stream in memory holding `content` (taken over, not copied), positioned at 0.
    TVRStream(QByteArray content, qint64 memoryLimit);
    ~TVRStream();

    TVRStream(const TVRStream&) = delete;
    TVRStream& operator=(const TVRStream&) = delete;

    // Reads up to `size` bytes at the position and advances it; returns the bytes read
    // (fewer at the end of the stream).
    qint64 Read(char* data, qint64 size);
    // Writes at the position, growing the stream; throws Exception when the temporary
    // file cannot be written.
    void Write(const char* data, qint64 size);
    void Write(const QByteArray& bytes) { Write(bytes.constData(), bytes.size()); }
    // Positions beyond the end are allowed; a later write fills the gap with zeros.
    void Seek(qint64 position);
    qint64 Position() const;
    qint64 Size() const;
    // Cuts the stream to `size` bytes (no effect when it is shorter already).
    void Truncate(qint64 size);

    // Little-endian 32-bit integers: false when fewer than four bytes were left.
    bool ReadInt32(qint32& value);
    void WriteInt32(qint32 value);

    bool InMemory() const;
    qint64 MemoryLimit() const { return FMemoryLimit; }

private:
    void MoveToFile();
    void WriteLocked(const char* data, qint64 size);

    mutable std::mutex FLock;
    QByteArray MemoryStream;
    qint64 FMemoryPosition = 0;
    std::unique_ptr<QFile> FileStream;
    bool FInMemory = true;
    qint64 FMemoryLimit;
};

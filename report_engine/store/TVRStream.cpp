#include "report_engine/store/TVRStream.h"

#include <QDir>
#include <QTemporaryFile>
#include <QtEndian>
#include <cstring>

#include "data/Exception.h"

namespace {

// The spill file is written without Qt's write buffer: a write the disk refuses (full,
// or over the process's file size limit) then fails at once, where the store can undo
// it, instead of surfacing later in a flush behind a seek and leaving buffered bytes
// to land at the wrong place.
class SpillFile : public QTemporaryFile {
public:
    using QTemporaryFile::QTemporaryFile;
    bool OpenUnbuffered() { return open(QIODevice::ReadWrite | QIODevice::Unbuffered); }
};

}  // namespace

TVRStream::TVRStream(qint64 memoryLimit) : FMemoryLimit(memoryLimit) {}

TVRStream::TVRStream(QByteArray content, qint64 memoryLimit)
    : MemoryStream(std::move(content)), FMemoryLimit(memoryLimit) {}

// The temporary file removes itself when FileStream is freed.
TVRStream::~TVRStream() = default;

qint64 TVRStream::Read(char* data, qint64 size) {
    std::lock_guard lock(FLock);
    if (size <= 0) return 0;
    if (!FInMemory) return qMax<qint64>(0, FileStream->read(data, size));
    const qint64 available = qMax<qint64>(0, MemoryStream.size() - FMemoryPosition);
    const qint64 count = qMin(size, available);
    if (count > 0) std::memcpy(data, MemoryStream.constData() + FMemoryPosition, size_t(count));
    FMemoryPosition += count;
    return count;
}

void TVRStream::Write(const char* data, qint64 size) {
    std::lock_guard lock(FLock);
    WriteLocked(data, size);
}

void TVRStream::WriteLocked(const char* data, qint64 size) {
    if (size <= 0) return;
    if (FInMemory) {
        const qint64 end = FMemoryPosition + size;
        if (qMax<qint64>(end, MemoryStream.size()) > FMemoryLimit) {
            MoveToFile();
        } else {
            if (end > MemoryStream.size()) {
                const qint64 oldSize = MemoryStream.size();
                MemoryStream.resize(end);
                // A write after a seek past the end leaves zeros in between.
                if (FMemoryPosition > oldSize)
                    std::memset(MemoryStream.data() + oldSize, 0,
                                size_t(FMemoryPosition - oldSize));
            }
            std::memcpy(MemoryStream.data() + FMemoryPosition, data, size_t(size));
            FMemoryPosition = end;
            return;
        }
    }
    if (FileStream->write(data, size) != size)
        throw Exception(QStringLiteral("Cannot write the page store file %1: %2")
                            .arg(FFilename, FileStream->errorString()));
}

void TVRStream::MoveToFile() {
    auto file = std::make_unique<SpillFile>(QDir::tempPath() + QStringLiteral("/VRPXXXXXX"));
    if (!file->OpenUnbuffered())
        throw Exception(QStringLiteral("Cannot create a temporary file for the page store: %1")
                            .arg(file->errorString()));
    if (file->write(MemoryStream) != MemoryStream.size() || !file->seek(FMemoryPosition))
        throw Exception(QStringLiteral("Cannot write the page store file %1: %2")
                            .arg(file->fileName(), file->errorString()));
    FFilename = file->fileName();
    FileStream = std::move(file);
    MemoryStream = QByteArray();
    FMemoryPosition = 0;
    FInMemory = false;
}

void TVRStream::Seek(qint64 position) {
    std::lock_guard lock(FLock);
    position = qMax<qint64>(0, position);
    if (FInMemory)
        FMemoryPosition = position;
    else
        FileStream->seek(position);
}

qint64 TVRStream::Position() const {
    std::lock_guard lock(FLock);
    return FInMemory ? FMemoryPosition : FileStream->pos();
}

qint64 TVRStream::Size() const {
    std::lock_guard lock(FLock);
    return FInMemory ? MemoryStream.size() : FileStream->size();
}

void TVRStream::Truncate(qint64 size) {
    std::lock_guard lock(FLock);
    if (FInMemory) {
        if (size < MemoryStream.size()) MemoryStream.truncate(size);
        FMemoryPosition = qMin(FMemoryPosition, qint64(MemoryStream.size()));
    } else if (size < FileStream->size()) {
        const qint64 position = qMin(FileStream->pos(), size);
        FileStream->resize(size);
        FileStream->seek(position);
    }
}

bool TVRStream::ReadInt32(qint32& value) {
    char bytes[4];
    if (Read(bytes, 4) != 4) return false;
    value = qFromLittleEndian<qint32>(bytes);
    return true;
}

void TVRStream::WriteInt32(qint32 value) {
    char bytes[4];
    qToLittleEndian(value, bytes);
    Write(bytes, 4);
}

bool TVRStream::InMemory() const {
    std::lock_guard lock(FLock);
    return FInMemory;
}

QString TVRStream::FileName() const {
    std::lock_guard lock(FLock);
    return FFilename;
}

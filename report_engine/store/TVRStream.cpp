#include "report_engine/store/TVRStream.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QtEndian>
#include <cerrno>
#include <cstring>

#include "core/Exception.h"

namespace {

// A file without a name in the temporary folder: O_TMPFILE, or where the file system
// has none, a file removed as soon as it is open. Nothing is left in the folder
// whatever ends the process. -1 with errno when the folder cannot take it.
int OpenUnnamedFile(const QString& folder) {
    const QByteArray path = QFile::encodeName(folder);
    const int handle = ::open(path.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (handle >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)) return handle;
    QByteArray name = path + "/VRPXXXXXX";
    const int named = ::mkostemp(name.data(), O_CLOEXEC);
    if (named >= 0) ::unlink(name.constData());
    return named;
}

}  // namespace

TVRStream::TVRStream(qint64 memoryLimit) : FMemoryLimit(memoryLimit) {}

TVRStream::TVRStream(QByteArray content, qint64 memoryLimit)
    : MemoryStream(std::move(content)), FMemoryLimit(memoryLimit) {}

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
        throw Exception(QStringLiteral("Cannot write the page store file: %1")
                            .arg(FileStream->errorString()));
}

void TVRStream::MoveToFile() {
    const int handle = OpenUnnamedFile(QDir::tempPath());
    if (handle < 0)
        throw Exception(QStringLiteral("Cannot create a temporary file for the page store: %1")
                            .arg(QString::fromLocal8Bit(std::strerror(errno))));
    // Written without Qt's write buffer: a write the disk refuses (full, or over the
    // process's file size limit) then fails at once, where the store can undo it,
    // instead of surfacing later in a flush behind a seek and leaving buffered bytes to
    // land at the wrong place.
    auto file = std::make_unique<QFile>();
    if (!file->open(handle, QIODevice::ReadWrite | QIODevice::Unbuffered,
                    QFileDevice::AutoCloseHandle)) {
        ::close(handle);
        throw Exception(QStringLiteral("Cannot create a temporary file for the page store: %1")
                            .arg(file->errorString()));
    }
    if (file->write(MemoryStream) != MemoryStream.size() || !file->seek(FMemoryPosition))
        throw Exception(QStringLiteral("Cannot write the page store file: %1")
                            .arg(file->errorString()));
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

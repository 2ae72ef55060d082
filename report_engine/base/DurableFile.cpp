#include "report_engine/base/DurableFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <atomic>
#include <cerrno>
#include <cstring>

namespace {

// Writes smaller than this are gathered before they reach the file.
constexpr qsizetype BufferSize = 64 << 10;

std::atomic<bool> namedStagingOnly = false;

QString Reason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

QByteArray StagingName() {
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QByteArray name(DurableFile::StagingPrefix());
    for (int i = 0; i < 6; ++i)
        name += letters[QRandomGenerator::global()->bounded(int(sizeof letters - 1))];
    return name;
}

// Removes the staging files of writers that are gone: a live writer holds a lock on
// its file, which the kernel lets go when the writer ends, however it ends. The
// folder's own lock keeps a writer from losing its file between creating and locking
// it; a folder that someone else is sweeping is left to them.
void SweepAbandoned(int folder) {
    if (::flock(folder, LOCK_EX | LOCK_NB) != 0) return;
    const int listing = ::dup(folder);
    DIR* entries = listing >= 0 ? ::fdopendir(listing) : nullptr;
    if (!entries && listing >= 0) ::close(listing);
    const size_t prefixLength = std::strlen(DurableFile::StagingPrefix());
    while (entries) {
        const dirent* entry = ::readdir(entries);
        if (!entry) break;
        if (std::strncmp(entry->d_name, DurableFile::StagingPrefix(), prefixLength) != 0) continue;
        const int handle =
            ::openat(folder, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (handle < 0) continue;
        struct stat status {};
        if (::fstat(handle, &status) == 0 && S_ISREG(status.st_mode) &&
            ::flock(handle, LOCK_EX | LOCK_NB) == 0)
            ::unlinkat(folder, entry->d_name, 0);
        ::close(handle);
    }
    if (entries) ::closedir(entries);
    ::flock(folder, LOCK_UN);
}

// File systems that have no unnamed files answer O_TMPFILE with one of these.
bool NoUnnamedFiles(int error) {
    return error == EOPNOTSUPP || error == EISDIR || error == EINVAL;
}

}  // namespace

DurableFile::DurableFile(const QString& target) {
    QFileInfo info(target);
    // The file a link points to is replaced, not the link.
    if (info.isSymLink()) info.setFile(info.symLinkTarget());
    FTarget = info.absoluteFilePath();
    FFolder = QFile::encodeName(info.absolutePath());
    FName = QFile::encodeName(info.fileName());
}

DurableFile::~DurableFile() {
    discard();
}

void DurableFile::SetNamedStagingOnly(bool namedOnly) {
    namedStagingOnly = namedOnly;
}

bool DurableFile::Fail(int error) {
    setErrorString(Reason(error));
    FFailed = true;
    return false;
}

bool DurableFile::open(OpenMode mode) {
    if (isOpen() || (mode & (ReadOnly | Append)) || !(mode & WriteOnly)) {
        setErrorString(QStringLiteral("A durable file is opened once, for writing only"));
        return false;
    }
    FFailed = false;
    FBuffer.clear();
    FBufferStart = 0;
    const QByteArray target = QFile::encodeName(FTarget);
    struct stat existing {};
    const bool replaces = ::stat(target.constData(), &existing) == 0;
    if (replaces && S_ISDIR(existing.st_mode)) return Fail(EISDIR);
    if (replaces && ::access(target.constData(), W_OK) != 0) return Fail(errno);

    FFolderHandle = ::open(FFolder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (FFolderHandle < 0) return Fail(errno);
    SweepAbandoned(FFolderHandle);
    // Naming an unnamed file goes through /proc where the process may not link it
    // directly; without /proc it could never be named.
    const bool named = namedStagingOnly || ::access("/proc/self/fd", X_OK) != 0;
    if (!OpenStaging(named) && !(FHandle < 0 && !named && NoUnnamedFiles(errno) &&
                                 OpenStaging(true))) {
        const int error = errno;
        CloseHandles();
        return Fail(error);
    }
    if (replaces) ::fchmod(FHandle, existing.st_mode & 07777);
    FFailed = false;
    return QIODevice::open(mode | Unbuffered);
}

bool DurableFile::OpenStaging(bool named) {
    if (!named) {
        FHandle = ::openat(FFolderHandle, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        // Locked as a named staging file is, for the moment of commit() when it has an
        // interim name.
        if (FHandle >= 0) ::flock(FHandle, LOCK_EX);
        return FHandle >= 0;
    }
    ::flock(FFolderHandle, LOCK_SH);
    for (int attempt = 0; attempt < 100 && FHandle < 0; ++attempt) {
        const QByteArray name = StagingName();
        FHandle = ::openat(FFolderHandle, name.constData(),
                           O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (FHandle >= 0) {
            ::flock(FHandle, LOCK_EX);
            FStaging = name;
        } else if (errno != EEXIST) {
            break;
        }
    }
    const int error = errno;
    ::flock(FFolderHandle, LOCK_UN);
    errno = error;
    return FHandle >= 0;
}

qint64 DurableFile::readData(char*, qint64) {
    return -1;
}

qint64 DurableFile::writeData(const char* data, qint64 size) {
    if (FFailed || FHandle < 0) return -1;
    // A block the size of the buffer or more goes to the file as it is, after what is
    // buffered: copying it into the buffer first would only double the work.
    if (size >= BufferSize) {
        if (!FlushBuffer() || !WriteAll(data, size)) return -1;
        FBufferStart += size;
        return size;
    }
    FBuffer.append(data, size);
    if (FBuffer.size() >= BufferSize && !FlushBuffer()) return -1;
    return size;
}

bool DurableFile::WriteAll(const char* data, qint64 size) {
    while (size > 0) {
        const ssize_t written = ::write(FHandle, data, size_t(size));
        if (written < 0 && errno == EINTR) continue;
        // A device that takes nothing and names no error is full.
        if (written <= 0) return Fail(written < 0 ? errno : ENOSPC);
        data += written;
        size -= written;
    }
    return true;
}

bool DurableFile::FlushBuffer() {
    if (FFailed) return false;
    if (!WriteAll(FBuffer.constData(), FBuffer.size())) return false;
    FBufferStart += FBuffer.size();
    // Emptied, the buffer keeps its memory for the next writes.
    FBuffer.resize(0);
    return true;
}

bool DurableFile::seek(qint64 position) {
    if (FHandle < 0 || !FlushBuffer()) return false;
    if (::lseek(FHandle, position, SEEK_SET) < 0) return Fail(errno);
    FBufferStart = position;
    return QIODevice::seek(position);
}

qint64 DurableFile::size() const {
    struct stat status {};
    const qint64 written = FHandle >= 0 && ::fstat(FHandle, &status) == 0 ? status.st_size : 0;
    return qMax(written, FBufferStart + FBuffer.size());
}

bool DurableFile::GiveName() {
    if (!FStaging.isEmpty()) {
        if (::renameat(FFolderHandle, FStaging.constData(), FFolderHandle, FName.constData()) != 0)
            return false;
        FStaging.clear();
        return true;
    }
    // Linking the unnamed file under a name: directly where the process may, else
    // through its entry in /proc.
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(FHandle);
    const auto link = [&](const QByteArray& name) {
        if (::linkat(FHandle, "", FFolderHandle, name.constData(), AT_EMPTY_PATH) == 0) return true;
        return errno != EEXIST && ::linkat(AT_FDCWD, self.constData(), FFolderHandle,
                                           name.constData(), AT_SYMLINK_FOLLOW) == 0;
    };
    if (link(FName)) return true;
    if (errno != EEXIST) return false;
    // An older file has the name: the new one takes an interim name and replaces it in
    // one rename.
    QByteArray interim;
    for (int attempt = 0; attempt < 100 && interim.isEmpty(); ++attempt) {
        const QByteArray name = StagingName();
        if (link(name))
            interim = name;
        else if (errno != EEXIST)
            return false;
    }
    if (interim.isEmpty()) return false;
    if (::renameat(FFolderHandle, interim.constData(), FFolderHandle, FName.constData()) != 0) {
        const int error = errno;
        ::unlinkat(FFolderHandle, interim.constData(), 0);
        errno = error;
        return false;
    }
    return true;
}

bool DurableFile::commit() {
    if (FHandle < 0 || !isOpen()) {
        if (errorString().isEmpty() || errorString() == QLatin1String("Unknown error"))
            setErrorString(QStringLiteral("The file was not opened"));
        discard();
        return false;
    }
    bool done = FlushBuffer();
    if (done && ::fsync(FHandle) != 0) done = Fail(errno);
    if (done && !GiveName()) done = Fail(errno);
    // The new name is on disk only once the folder is; a file system that cannot sync
    // a folder says so with EINVAL and keeps its names by other means.
    if (done && ::fsync(FFolderHandle) != 0 && errno != EINVAL) done = Fail(errno);
    if (!done) {
        discard();
        return false;
    }
    CloseHandles();
    QIODevice::close();
    return true;
}

void DurableFile::discard() {
    if (!FStaging.isEmpty() && FFolderHandle >= 0)
        ::unlinkat(FFolderHandle, FStaging.constData(), 0);
    FStaging.clear();
    CloseHandles();
    FBuffer.clear();
    if (isOpen()) {
        // Closing must not lose the reason a commit failed.
        const QString reason = errorString();
        QIODevice::close();
        setErrorString(reason);
    }
}

void DurableFile::CloseHandles() {
    if (FHandle >= 0) ::close(FHandle);
    if (FFolderHandle >= 0) ::close(FFolderHandle);
    FHandle = -1;
    FFolderHandle = -1;
}

bool WriteDurably(const QString& fileName, const QByteArray& bytes, QString* error) {
    DurableFile file(fileName);
    const bool written =
        file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
    if (!written && error) *error = file.errorString();
    return written;
}

#include "tool/StagingFolder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

// Removes the folders of `prefix` in `parent` whose owner is gone: nobody holds their
// lock. A folder whose owner lives is left alone.
void SweepAbandoned(const QString& parent, const QString& prefix) {
    const QDir folder(parent);
    const QStringList names = folder.entryList({prefix + QStringLiteral("*")},
                                               QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        const QString path = folder.filePath(name);
        const int handle = ::open(QFile::encodeName(path).constData(),
                                  O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (handle < 0) continue;
        if (::flock(handle, LOCK_EX | LOCK_NB) == 0) QDir(path).removeRecursively();
        ::close(handle);
    }
}

}  // namespace

StagingFolder::StagingFolder(const QString& parent, const QString& prefix) {
    SweepAbandoned(parent, prefix);
    FFolder = std::make_unique<QTemporaryDir>(parent + QLatin1Char('/') + prefix +
                                              QStringLiteral("XXXXXX"));
    if (!FFolder->isValid()) return;
    FLock = ::open(QFile::encodeName(FFolder->path()).constData(),
                   O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (FLock >= 0) ::flock(FLock, LOCK_EX);
}

StagingFolder::~StagingFolder() {
    // The folder goes first, then its lock: a sweep never meets it unlocked.
    FFolder.reset();
    if (FLock >= 0) ::close(FLock);
}

bool StagingFolder::IsValid() const {
    return FFolder->isValid();
}

QString StagingFolder::ErrorString() const {
    return FFolder->errorString();
}

QString StagingFolder::FilePath(const QString& name) const {
    return FFolder->filePath(name);
}

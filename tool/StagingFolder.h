#pragma once

#include <QString>
#include <memory>

class QTemporaryDir;

// A private folder for work that cannot be written as an unnamed file (gbak writes and
// restores by path): made as PARENT/PREFIX + random letters and removed with what is
// left in it when the object goes. It stays locked while its owner lives; a run that
// was killed leaves it unlocked, and the next StagingFolder of the same prefix in that
// parent removes it, so killed runs do not pile up.
class StagingFolder {
public:
    StagingFolder(const QString& parent, const QString& prefix);
    ~StagingFolder();
    StagingFolder(const StagingFolder&) = delete;
    StagingFolder& operator=(const StagingFolder&) = delete;

    bool IsValid() const;
    QString ErrorString() const;
    QString FilePath(const QString& name) const;

private:
    std::unique_ptr<QTemporaryDir> FFolder;
    int FLock = -1;  // the folder itself, locked
};

#pragma once

// Points the process's temporary folder (TMPDIR) at a new empty folder while the object
// lives, so that a test can see what code leaves there.

#include <QByteArray>
#include <QDir>
#include <QStringList>
#include <QTemporaryDir>
#include <QtGlobal>

#include "tests/support/FolderEntries.h"

class PrivateTempFolder {
public:
    PrivateTempFolder() : FPrevious(qgetenv("TMPDIR")), FHadPrevious(qEnvironmentVariableIsSet("TMPDIR")) {
        qputenv("TMPDIR", FFolder.path().toLocal8Bit());
    }
    ~PrivateTempFolder() {
        if (FHadPrevious)
            qputenv("TMPDIR", FPrevious);
        else
            qunsetenv("TMPDIR");
    }
    PrivateTempFolder(const PrivateTempFolder&) = delete;
    PrivateTempFolder& operator=(const PrivateTempFolder&) = delete;

    QString Path() const { return FFolder.path(); }
    // Everything in the folder, hidden entries included.
    QStringList Entries() const { return EntriesOf(FFolder.path()); }

private:
    QTemporaryDir FFolder;
    QByteArray FPrevious;
    bool FHadPrevious;
};

#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>

// A file that appears under its name whole or not at all, and stays there once it is
// reported written.
//
// The content is written into a file without a name in the target's folder (Linux's
// O_TMPFILE), which the kernel frees however the process ends. commit() syncs the data
// to disk, gives the file the target's name (replacing an older file of that name in
// one step: a reader sees the old file or the new one, never a mixture) and syncs the
// folder, so the name survives a power cut. A file that is not committed (discard(),
// the destructor, a killed process) leaves the target as it was and nothing beside it.
//
// Where the file system has no unnamed files, the content goes to a hidden staging
// file ".vialar-part-XXXXXX" in the same folder, held locked while its writer lives;
// every DurableFile opened in that folder later removes the staging files whose writer
// is gone.
//
// Writes are buffered; a write the disk refuses (full, over the process's file size
// limit) makes write() or commit() fail, with the system's reason in errorString().
class DurableFile : public QIODevice {
public:
    // The file to write. A symbolic link is followed: the file it points to is the one
    // replaced, and the link stays.
    explicit DurableFile(const QString& target);
    ~DurableFile() override;

    // WriteOnly only. Fails when the folder cannot take files, the target is a folder,
    // or an existing target may not be written. A replaced file's permissions pass on
    // to the new one.
    bool open(OpenMode mode) override;
    // Makes what was written the target's content. False, with the target unchanged,
    // when any part of it fails. The file is closed either way.
    bool commit();
    // Throws away what was written; the target stays as it was.
    void discard();

    QString target() const { return FTarget; }
    bool isSequential() const override { return false; }
    bool seek(qint64 position) override;
    qint64 size() const override;
    void close() override { discard(); }

    // The staging prefix of folders whose file system has no unnamed files.
    static const char* StagingPrefix() { return ".vialar-part-"; }
    // Uses named staging files even where unnamed ones are available: the way of file
    // systems without them, so it can be exercised anywhere.
    static void SetNamedStagingOnly(bool namedOnly);

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 size) override;

private:
    bool Fail(int error);
    bool FlushBuffer();
    // Writes all `size` bytes at the handle's position; false (and failed) when it cannot.
    bool WriteAll(const char* data, qint64 size);
    bool OpenStaging(bool named);
    bool GiveName();
    void CloseHandles();

    QString FTarget;       // absolute, symbolic links followed
    QByteArray FFolder;    // the target's folder, encoded
    QByteArray FName;      // the target's name in it, encoded
    QByteArray FStaging;   // the staging file's name when the file has one
    int FFolderHandle = -1;
    int FHandle = -1;
    QByteArray FBuffer;
    qint64 FBufferStart = 0;  // where the buffer's bytes go in the file
    bool FFailed = false;  // a write was refused: nothing may be committed
};

// Writes `bytes` as the file `fileName` through a DurableFile; false with the reason
// in `error` when it could not.
bool WriteDurably(const QString& fileName, const QByteArray& bytes, QString* error);

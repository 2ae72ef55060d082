// DurableFile: a file that takes its name whole or not at all. Both ways of staging
// (an unnamed file, and the named staging file of file systems without unnamed ones)
// go through the same table.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>

#include "report_engine/base/DurableFile.h"
#include "tests/support/FolderEntries.h"
#include "tests/support/PageRuns.h"

namespace {

class DurableFileTest : public testing::TestWithParam<bool> {
protected:
    void SetUp() override { DurableFile::SetNamedStagingOnly(GetParam()); }
    void TearDown() override { DurableFile::SetNamedStagingOnly(false); }
    QTemporaryDir folder;
};

}  // namespace

TEST_P(DurableFileTest, CommitReplacesTheOlderFileAndKeepsItsPermissions) {
    const QString target = folder.filePath("listagem.txt");
    WriteFile(target, "older");
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    DurableFile file(target);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << file.errorString().toStdString();
    // More than the write buffer, so that part of it reaches the file before commit.
    const QByteArray content = QByteArray(200000, 'x') + "end";
    ASSERT_EQ(file.write(content), content.size());
    EXPECT_EQ(ReadFile(target), "older");  // nothing shows before commit
    ASSERT_TRUE(file.commit()) << file.errorString().toStdString();
    EXPECT_EQ(ReadFile(target), content);
    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther |
                                      QFile::WriteOther;
    EXPECT_EQ(QFile::permissions(target) & others, QFile::Permissions(QFile::ReadGroup));
    EXPECT_EQ(EntriesOf(folder.path()), QStringList{"listagem.txt"});
}

TEST_P(DurableFileTest, WhatIsNotCommittedLeavesTheOlderFileAndNothingBeside) {
    const QString target = folder.filePath("listagem.txt");
    WriteFile(target, "older");
    {
        DurableFile discarded(target);
        ASSERT_TRUE(discarded.open(QIODevice::WriteOnly));
        discarded.write("new");
        discarded.discard();
        DurableFile abandoned(target);
        ASSERT_TRUE(abandoned.open(QIODevice::WriteOnly));
        abandoned.write("new");
    }
    EXPECT_EQ(ReadFile(target), "older");
    EXPECT_EQ(EntriesOf(folder.path()), QStringList{"listagem.txt"});
    // A new file that is not committed leaves no file at all.
    {
        DurableFile fresh(folder.filePath("nova.txt"));
        ASSERT_TRUE(fresh.open(QIODevice::WriteOnly));
        fresh.write("new");
    }
    EXPECT_EQ(EntriesOf(folder.path()), QStringList{"listagem.txt"});
}

// A symbolic link stays; the file it points to is the one replaced.
TEST_P(DurableFileTest, ALinkStaysAndItsFileIsReplaced) {
    const QString real = folder.filePath("real.txt");
    WriteFile(real, "older");
    ASSERT_TRUE(QFile::link(real, folder.filePath("link.txt")));
    ASSERT_TRUE(WriteDurably(folder.filePath("link.txt"), "new", nullptr));
    EXPECT_TRUE(QFileInfo(folder.filePath("link.txt")).isSymLink());
    EXPECT_EQ(ReadFile(real), "new");
}

TEST_P(DurableFileTest, RefusesAFolderAndAFileItMayNotWrite) {
    ASSERT_TRUE(QDir(folder.path()).mkdir("pasta"));
    QString reason;
    EXPECT_FALSE(WriteDurably(folder.filePath("pasta"), "x", &reason));
    EXPECT_FALSE(reason.isEmpty());
    EXPECT_FALSE(WriteDurably(folder.filePath("sem-pasta/x.txt"), "x", &reason));
    EXPECT_EQ(EntriesOf(folder.path()), QStringList{"pasta"});
}

INSTANTIATE_TEST_SUITE_P(Staging, DurableFileTest, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) {
                             return info.param ? "NamedStaging" : "UnnamedFile";
                         });

// A named staging file whose writer is gone (killed: no lock on it) is removed by the
// next writer in that folder; one whose writer lives (locked) stays.
TEST(DurableFileSweep, RemovesTheStagingFilesOfWritersThatAreGone) {
    QTemporaryDir folder;
    const QString abandoned = folder.filePath(QString::fromLatin1(DurableFile::StagingPrefix()) + "dead01");
    const QString live = folder.filePath(QString::fromLatin1(DurableFile::StagingPrefix()) + "live01");
    WriteFile(abandoned, "half");
    WriteFile(live, "half");
    const int handle = ::open(QFile::encodeName(live).constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(handle, 0);
    const auto closeHandle = qScopeGuard([handle] { ::close(handle); });
    ASSERT_EQ(::flock(handle, LOCK_EX), 0);
    ASSERT_TRUE(WriteDurably(folder.filePath("listagem.txt"), "new", nullptr));
    EXPECT_EQ(EntriesOf(folder.path()),
              (QStringList{QString::fromLatin1(DurableFile::StagingPrefix()) + "live01",
                           "listagem.txt"}));
}

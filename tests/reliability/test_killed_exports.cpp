// The listing's exports killed at random moments: vialar-tool makes the listing of a
// registry into a file of every format and is killed with SIGKILL while it generates
// the pages (its page store spilled to the temporary folder) or writes the file. After
// each kill the temporary folder is empty, nothing is left beside the target, and the
// target is the older file or a complete new one.
// VIALAR_RELIABILITY_EXPORT_KILLS sets the kills per format (scripts/reliability-long).
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>

#include "tests/reliability/WorkerProcess.h"
#include "tests/support/FolderEntries.h"
#include "tests/support/PageRuns.h"
#include "tests/support/TestDatabase.h"
#include "tests/tool/ToolProcess.h"

TEST(KilledExports, LeaveNothingBehindAndTheTargetWhole) {
    if (!QFileInfo(ToolPath()).isExecutable()) GTEST_SKIP() << "vialar-tool is not built";
    const int killsPerFormat = RunCount("VIALAR_RELIABILITY_EXPORT_KILLS", 2);
    // Enough streets for a page store past its memory (about 80 pages).
    TestDatabase database = TestDatabase::Generated(3000);
    QTemporaryDir temporary;
    QTemporaryDir output;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.remove(QStringLiteral("DISPLAY"));
    environment.insert(QStringLiteral("TMPDIR"), temporary.path());
    environment.insert(QStringLiteral("VIALAR_DATABASE"), database.Path());
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    QRandomGenerator random(20261211);
    const QByteArray older = "an older file of the same name\n";
    int killedWhileWorking = 0;

    for (const char* extension : {"txt", "csv", "htm", "pdf", "vrp"}) {
        const QString target =
            QDir(output.path()).filePath(QStringLiteral("listagem.") + QLatin1String(extension));
        // A complete export's size: the only size a new target may have. How long it
        // takes spreads the kills over the whole run.
        QElapsedTimer timing;
        timing.start();
        const ToolRun complete =
            RunTool({QStringLiteral("listing"), QStringLiteral("--out"), target}, output.path(),
                    environment);
        ASSERT_EQ(complete.ExitCode, 0) << complete;
        const qint64 completeSize = QFileInfo(target).size();
        const auto runTime = quint32(std::max<qint64>(timing.elapsed(), 20));
        for (int kill = 1; kill <= killsPerFormat; ++kill) {
            SCOPED_TRACE(std::string(extension) + " kill " + std::to_string(kill));
            for (const QString& name : EntriesOf(output.path()))
                QFile::remove(QDir(output.path()).filePath(name));
            QFile file(target);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(older);
            file.close();

            QProcess tool;
            tool.setProcessEnvironment(environment);
            tool.setWorkingDirectory(output.path());
            tool.start(ToolPath(), {QStringLiteral("listing"), QStringLiteral("--out"), target});
            ASSERT_TRUE(tool.waitForStarted(30000));
            QThread::msleep(random.bounded(runTime / 20, runTime * 19 / 20));
            ::kill(pid_t(tool.processId()), SIGKILL);
            ASSERT_TRUE(tool.waitForFinished(60000));
            if (tool.exitStatus() == QProcess::CrashExit)
                ++killedWhileWorking;
            else
                EXPECT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();

            EXPECT_EQ(EntriesOf(temporary.path()), QStringList());
            const QByteArray written = ReadFile(target);
            if (written != older) {
                EXPECT_EQ(written.size(), completeSize) << "a half-written target";
            }
            QStringList beside = EntriesOf(output.path());
            // The HTML page's emblem is written whole just before the page.
            if (QLatin1String(extension) == QLatin1String("htm"))
                beside.removeAll(QStringLiteral("Imagem.jpg"));
            EXPECT_EQ(beside, QStringList{QFileInfo(target).fileName()});
        }
    }
    // Most kills must land while the tool works, or the harness tests nothing.
    EXPECT_GE(killedWhileWorking, killsPerFormat * 5 / 2);
    RecordProperty("killed while working", killedWhileWorking);
}

// Saves and deletions killed at random moments: a worker process runs the street data
// module's save and delete paths in a loop and is killed with SIGKILL, again and again,
// on one database. After every kill each row must wholly hold one version, every
// change reported done must be there, and at the end Firebird's validation must find
// the file sound. VIALAR_RELIABILITY_KILLS sets the number of kills (scripts/reliability-long).
#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <QThread>
#include <map>
#include <optional>
#include <signal.h>

#include "tests/reliability/StreetVersions.h"
#include "tests/reliability/WorkerProcess.h"

namespace {

// What the journal allows a street to be: the version of its last reported change
// (-1: deleted), and, when a change was under way at the kill, that one too.
struct Expected {
    std::optional<qint64> Reported;
    std::optional<qint64> Pending;
};

std::map<int, qint64> StoredVersions(const TestDatabase& database, QStringList& problems) {
    std::map<int, qint64> stored;
    const QList<QStringList> rows = database.Query(
        QStringLiteral("SELECT I_ID, %1 FROM LOGRADOUROS").arg(StreetVersionColumns()));
    for (QStringList row : rows) {
        const int id = row.takeFirst().toInt();
        if (const std::optional<qint64> version = WholeVersionOf(row))
            stored[id] = *version;
        else
            problems << QStringLiteral("street %1 holds a mix of versions: %2").arg(id).arg(row.join('|'));
    }
    return stored;
}

}  // namespace

TEST(KilledSaves, EveryRowWholeNothingReportedLostFileValid) {
    const int kills = RunCount("VIALAR_RELIABILITY_KILLS", 12);
    TestDatabase database = TestDatabase::Empty();
    const QString journal = database.Directory() + QStringLiteral("/journal.txt");
    std::map<int, Expected> expected;
    QRandomGenerator random(20261210);
    int linesRead = 0;
    int reportedSaves = 0;
    int killedMidSave = 0;

    for (int kill = 1; kill <= kills; ++kill) {
        QProcess worker;
        worker.start(WorkerPath(), {QStringLiteral("churn"), database.Path(), journal,
                                    QString::number(kill)});
        ASSERT_TRUE(worker.waitForStarted(30000));
        ASSERT_TRUE(worker.waitForReadyRead(120000)) << worker.readAllStandardError().toStdString();
        ASSERT_TRUE(worker.readAllStandardOutput().startsWith("ready"));
        QThread::msleep(random.bounded(20u, 400u));
        ::kill(pid_t(worker.processId()), SIGKILL);
        ASSERT_TRUE(worker.waitForFinished(30000));
        ASSERT_EQ(worker.exitStatus(), QProcess::CrashExit)
            << "the worker stopped by itself: " << worker.readAllStandardError().toStdString();

        // Fold the run's journal into what each street may be.
        const QStringList lines = JournalLines(journal);
        for (; linesRead < lines.size(); ++linesRead) {
            const QStringList parts = lines[linesRead].split(QLatin1Char(' '));
            ASSERT_EQ(parts.size(), 3) << "journal line: " << lines[linesRead].toStdString();
            Expected& street = expected[parts[1].toInt()];
            if (parts[0] == QLatin1String("P")) {
                street.Pending = parts[2].toLongLong();
            } else {
                street.Reported = parts[2].toLongLong();
                street.Pending.reset();
                ++reportedSaves;
            }
        }

        QStringList problems;
        const std::map<int, qint64> stored = StoredVersions(database, problems);
        for (auto& [id, street] : expected) {
            const auto found = stored.find(id);
            const qint64 actual = found == stored.end() ? -1 : found->second;
            const bool asReported = actual == street.Reported.value_or(-1);
            const bool asPending = street.Pending && actual == *street.Pending;
            if (!asReported && !asPending) {
                problems << QStringLiteral("street %1 holds %2, reported %3, pending %4")
                                .arg(id)
                                .arg(actual)
                                .arg(street.Reported.value_or(-1))
                                .arg(street.Pending.value_or(-2));
            }
            // The kill settled the change under way: it either happened or not.
            if (street.Pending) {
                ++killedMidSave;
                street.Reported = actual;
                street.Pending.reset();
            }
        }
        for (const auto& [id, version] : stored)
            if (!expected.count(id)) problems << QStringLiteral("street %1 was never saved").arg(id);
        ASSERT_TRUE(problems.isEmpty()) << "after kill " << kill << ":\n"
                                        << problems.join('\n').toStdString();
    }
    QString warnings;
    const QString errors = ValidationReport(database, &warnings);
    EXPECT_TRUE(errors.isEmpty()) << errors.toStdString();
    RecordProperty("kills", kills);
    RecordProperty("reported_saves", reportedSaves);
    RecordProperty("killed_mid_save", killedMidSave);
    std::printf("%d kills survived, %d changes reported done, %d kills during a change\n"
                "validation: %s\n",
                kills, reportedSaves, killedMidSave,
                warnings.isEmpty() ? "clean" : qPrintable(warnings.simplified()));
}

// Two instances of the registry window add streets to one database file at the same
// time (the engine shared between processes). Every save is either stored under an
// identifier of its own or refused with the program's message; the rows stored are
// exactly the saves reported done. VIALAR_RELIABILITY_RACE_SAVES sets the saves per
// instance (scripts/reliability-long).
#include <gtest/gtest.h>

#include <QSet>
#include <map>

#include "tests/reliability/WorkerProcess.h"

TEST(RacingInstances, EverySaveStoredOnceOrRefusedWithTheMessage) {
    const int saves = RunCount("VIALAR_RELIABILITY_RACE_SAVES", 40);
    TestDatabase database = TestDatabase::Empty();
    QProcess workers[2];
    for (int worker = 0; worker < 2; ++worker) {
        workers[worker].start(WorkerPath(),
                              {QStringLiteral("race"), database.Path(),
                               database.Directory() + QStringLiteral("/journal%1.txt").arg(worker),
                               QString::number(worker), QString::number(saves)});
    }
    for (QProcess& worker : workers) {
        ASSERT_TRUE(worker.waitForFinished(-1));
        ASSERT_EQ(worker.exitStatus(), QProcess::NormalExit);
        ASSERT_EQ(worker.exitCode(), 0) << worker.readAllStandardError().toStdString();
    }

    const QSet<QString> programMessages = {
        QStringLiteral("Atenção, esse registro tem informações confusas, confirme "
                       "informações ou cancele procedimento!"),
        QStringLiteral("Atenção, esse registro já existe, confirme informações!"),
    };
    std::map<int, QString> reported;  // identifier -> name
    int refused = 0;
    for (int worker = 0; worker < 2; ++worker) {
        const QStringList lines =
            JournalLines(database.Directory() + QStringLiteral("/journal%1.txt").arg(worker));
        EXPECT_EQ(lines.size(), saves) << "instance " << worker;
        for (const QString& line : lines) {
            if (line.startsWith(QLatin1String("R "))) {
                ++refused;
                EXPECT_TRUE(programMessages.contains(line.mid(2))) << line.toStdString();
                continue;
            }
            const QStringList parts = line.split(QLatin1Char(' '));
            ASSERT_EQ(parts.size(), 3) << line.toStdString();
            EXPECT_TRUE(reported.emplace(parts[1].toInt(), parts[2]).second)
                << "identifier " << parts[1].toStdString() << " reported saved twice";
        }
    }

    std::map<int, QString> stored;
    for (const QStringList& row : database.Query(QStringLiteral("SELECT I_ID, NOME FROM LOGRADOUROS")))
        stored.emplace(row[0].toInt(), row[1]);
    EXPECT_EQ(stored, reported);
    EXPECT_EQ(int(stored.size()) + refused, 2 * saves);
    EXPECT_TRUE(ValidationReport(database).isEmpty()) << ValidationReport(database).toStdString();
    std::printf("%d saves raced: %zu stored, %d refused with the program's message\n", 2 * saves,
                stored.size(), refused);
}

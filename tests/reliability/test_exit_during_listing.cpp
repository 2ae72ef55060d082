// The program ends cleanly when its exit is confirmed while the full listing is being
// made: the run is cancelled, no preview opens and the process ends with status 0.
// VIALAR_EXIT_LISTING_ROWS sets the registry's size (the hand measurement uses 100000).
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>

#include "tests/support/TestDatabase.h"

TEST(ExitDuringListing, CancelsTheRunAndEndsWithStatusZero) {
    const int configured = qEnvironmentVariableIntValue("VIALAR_EXIT_LISTING_ROWS");
    const int rows = configured > 0 ? configured : 3000;
    TestDatabase database = TestDatabase::Generated(rows);
    QProcess program;
    program.setWorkingDirectory(database.Directory());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!environment.contains(QStringLiteral("QT_QPA_PLATFORM")))
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(VIALAR_LISTING_EXIT_WORKER), {QStringLiteral("2")});
    ASSERT_TRUE(program.waitForFinished(300000));
    const QString output = QString::fromUtf8(program.readAllStandardOutput());
    std::printf("%d streets:\n%s", rows, qPrintable(output));
    ASSERT_EQ(program.exitStatus(), QProcess::NormalExit)
        << program.readAllStandardError().toStdString();
    EXPECT_EQ(program.exitCode(), 0);

    // Each step once, in this order: the question comes while the run is under way, the
    // command returns without a preview, then the window goes.
    QStringList steps;
    for (const QString& line : output.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        steps << line.section(QLatin1Char(' '), 1).section(QStringLiteral(" on page"), 0, 0);
    EXPECT_EQ(steps,
              (QStringList{QStringLiteral("listing started"), QStringLiteral("exit pressed"),
                           QStringLiteral("asked: Deseja sair do sistema?"),
                           QStringLiteral("listing command returned"),
                           QStringLiteral("main window gone"), QStringLiteral("ended with 0")}));
}

#pragma once

// Runs the reliability worker (reliability_worker.cpp) and reads its journal.

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <tuple>
#include <utility>

#include "tests/support/TestDatabase.h"

inline QString WorkerPath() {
    return QStringLiteral(VIALAR_RELIABILITY_WORKER);
}

// A count from the environment (the long runs raise them), else the CI default.
inline int RunCount(const char* variable, int ciDefault) {
    const int configured = qEnvironmentVariableIntValue(variable);
    return configured > 0 ? configured : ciDefault;
}

inline QStringList JournalLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// Runs gfix with the given switches on the database; its exit code and what it printed.
inline std::pair<int, QString> Gfix(const TestDatabase& database, const QStringList& switches) {
    QProcess gfix;
    gfix.start(
        QStringLiteral("gfix"),
        switches + QStringList{QStringLiteral("-user"), QStringLiteral("SYSDBA"), database.Path()});
    if (!gfix.waitForFinished(120000)) return {-1, QStringLiteral("gfix did not finish")};
    const QString output =
        QString::fromLocal8Bit(gfix.readAllStandardOutput() + gfix.readAllStandardError())
            .trimmed();
    return {gfix.exitStatus() == QProcess::NormalExit ? gfix.exitCode() : -1, output};
}

// Where Debian's Firebird writes its log; a validation puts the details of what it
// found there, one entry per finding, and only a count on gfix's output.
inline const char kFirebirdLog[] = "/var/log/firebird/firebird3.0.log";

// The findings a validation of `databasePath` logged after `offset` of the log: each
// entry's message ("Warning: Page 310 is an orphan"), in order.
inline QStringList LoggedFindings(const QString& databasePath, qint64 offset) {
    QFile log(QString::fromLatin1(kFirebirdLog));
    if (!log.open(QIODevice::ReadOnly) || !log.seek(offset)) return {};
    const QString databaseLine = QStringLiteral("Database: ") + databasePath;
    QStringList findings;
    // Entries are a header line (host and time), then indented lines, then blank lines;
    // other processes' entries come in between.
    bool ours = false;
    for (const QString& line : QString::fromLocal8Bit(log.readAll()).split(QLatin1Char('\n'))) {
        const QString text = line.trimmed();
        if (!line.startsWith(QLatin1Char('\t'))) {
            ours = false;
        } else if (text == databaseLine) {
            ours = true;
        } else if (ours && (text.startsWith(QLatin1String("Warning:")) ||
                            text.startsWith(QLatin1String("Error:")))) {
            findings << text;
        }
    }
    return findings;
}

// Firebird's own validation of the whole file (gfix -v -full); empty when the file is
// sound, else what is wrong. An error is never allowed. A process killed in the middle
// of a change leaves three kinds of warning, all harmless, as Firebird writes pages in
// an order that keeps a killed change from ever damaging what is reachable:
//   - orphan pages ("Page N is an orphan", counted as database page warnings): pages
//     marked in use in the page inventory (often a whole extent of eight at once) for a
//     structure that the kill kept from ever pointing to them. Lost space only, which
//     gfix -mend does not always give back.
//   - pointer-page fill bits ("Pointer page N ... bits ... are not consistent with data
//     page N ... state", pointer page warnings): the "full" and "secondary" hints a
//     pointer page keeps for each data page, not updated before the kill. They only
//     steer the search for free space, and validation sets them right (its "fixed").
//   - orphan back versions ("Relation has N orphan backversions", record level
//     warnings): older record versions written ahead of the new primary version that
//     was to point to them. No reader reaches them; they only take space, which
//     neither a sweep nor gfix -mend gives back.
// gfix prints only how many warnings of each level it found; the messages themselves
// are read from Firebird's log: every one must be of these kinds, and each level's
// count must be made of its kind alone. Where the log cannot be read, only the three
// levels are checked. What was found comes back through *warnings.
inline QString ValidationReport(const TestDatabase& database, QString* warnings = nullptr) {
    const qint64 logOffset = QFileInfo(QString::fromLatin1(kFirebirdLog)).size();
    const auto [exitCode, output] = Gfix(database, {QStringLiteral("-v"), QStringLiteral("-full")});
    QStringList errors;
    if (exitCode != 0) errors << QStringLiteral("gfix exit %1").arg(exitCode);
    bool warned = false;
    for (const QString& line : output.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QString text = line.trimmed();
        if (text == QLatin1String("Summary of validation errors")) continue;
        static const QRegularExpression allowedCount(QStringLiteral(
            "^Number of (record level|pointer page|database page) warnings\\s*:\\s*\\d+$"));
        if (allowedCount.match(text).hasMatch()) {
            warned = true;
            continue;
        }
        errors << text;
    }
    QStringList found;
    if (warned && QFileInfo(QString::fromLatin1(kFirebirdLog)).isReadable()) {
        // Each level's count must be made of that level's benign findings, one each.
        static const QList<std::pair<QString, QRegularExpression>> benign = {
            {QStringLiteral("database page"),
             QRegularExpression(QStringLiteral("^Warning: Page \\d+ is an orphan$"))},
            {QStringLiteral("pointer page"),
             QRegularExpression(QStringLiteral(
                 "^Warning: Pointer page \\d+ \\{sequence \\d+\\} bits \\{[^}]*\\} are not "
                 "consistent with data page \\d+ \\{sequence \\d+\\} state \\{[^}]*\\} in "
                 "table \\w+ \\(\\d+\\)$"))},
            {QStringLiteral("record level"),
             QRegularExpression(QStringLiteral("^Warning: Relation has \\d+ orphan backversions "
                                               "\\{\\d+ in use\\} in table \\w+ \\(\\d+\\)$"))},
        };
        found = LoggedFindings(database.Path(), logOffset);
        for (const QString& finding : found)
            if (std::none_of(benign.begin(), benign.end(),
                             [&](const auto& kind) { return kind.second.match(finding).hasMatch(); }))
                errors << finding;
        for (const auto& [level, pattern] : benign) {
            const QRegularExpression countLine(
                QStringLiteral("Number of %1 warnings\\s*:\\s*(\\d+)").arg(level));
            const int counted = countLine.match(output).captured(1).toInt();
            const auto logged = std::count_if(found.begin(), found.end(), [&](const QString& finding) {
                return pattern.match(finding).hasMatch();
            });
            if (counted != logged)
                errors << QStringLiteral("%1 %2 warnings counted, %3 of the benign kind logged in %4")
                              .arg(counted)
                              .arg(level)
                              .arg(logged)
                              .arg(QLatin1String(kFirebirdLog));
        }
    }
    if (warnings)
        *warnings =
            found.isEmpty() ? output : output + QLatin1Char('\n') + found.join(QLatin1Char('\n'));
    return errors.isEmpty() ? QString()
                            : errors.join(QLatin1Char('\n')) + QStringLiteral("\n(gfix: ") +
                                  output + QLatin1Char(')');
}

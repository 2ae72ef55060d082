#pragma once

#include <QString>
#include <QStringList>

// Firebird's command-line utilities (gfix, gbak), run for a command: the login travels
// in the environment, never on the command line where every user of the machine could
// read it, and standard input is closed, so that a utility that would ask a question
// (gbak asks for the next volume of a truncated backup) ends instead of waiting.
struct FirebirdLogin {
    QString User;
    QString Password;
};

struct UtilityResult {
    int ExitCode = 0;
    QString Output;  // standard output and standard error together, trimmed
};

// Raises ToolError(kExitFailure) when the utility is not installed or does not run.
UtilityResult RunFirebirdUtility(const QString& program, const QStringList& arguments,
                                 const FirebirdLogin& login);

#pragma once

#include <QString>
#include <optional>

class ToolSession;

// What check-db finds in a database: what the table holds, how the file is built, and
// what Firebird's full validation (gfix -v -full) reports. Backup and restore run the
// same checks on the copy they make.
struct DatabaseCheck {
    QString Database;
    std::optional<int> Streets;  // none when the table could not be read
    std::optional<qint32> HighestId;
    QString TableError;  // why the table could not be read
    int PageSize = 0;
    int OdsMajor = 0;
    int OdsMinor = 0;
    QString Validation;  // gfix's report; empty when it found nothing

    bool Damaged() const { return !TableError.isEmpty() || !Validation.isEmpty(); }
};

// Runs the checks on the session's database. The session's connection is closed on
// return: the embedded engine validates only a database nobody has open, this process
// included. Raises ToolError(kExitDatabase) when the validation cannot run (another
// program has the database open).
DatabaseCheck CheckDatabase(ToolSession& session);

// The report check-db prints, line by line (the table's failure on standard error).
void PrintDatabaseCheck(const DatabaseCheck& check);

// "300 logradouros, nenhum problema encontrado", for the commands that check a copy.
QString DatabaseCheckSummary(const DatabaseCheck& check);

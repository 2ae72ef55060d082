#pragma once

#include <QString>

#include "core/Exception.h"

// How vialar-tool ends. Each kind of failure has its own code, so that a scheduled job
// can tell a missing database from a full disk without reading the message.
enum ToolExit {
    kExitOk = 0,
    kExitFailure = 1,        // anything not listed below
    kExitUsage = 2,          // unknown command, option or argument
    kExitConfiguration = 3,  // a configuration file refused
    kExitDatabase = 4,       // the database is missing, locked, unreachable or refuses us
    kExitDamaged = 5,        // check-db found damage
    kExitFormat = 6,         // an output extension the command cannot write
    kExitWrite = 7,          // the output file cannot be written
    kExitInput = 8,          // the input file cannot be read or is not a sound page file
    kExitPrinter = 9,        // the printer queue does not exist or refused the job
    kExitExists = 10,        // create-db, restore: the database file is already there
    kExitRefused = 11,       // import: lines refused, nothing stored
};

// A failure a command reports to the user: one message in Portuguese and the exit code.
class ToolError : public Exception {
public:
    ToolError(ToolExit code, const QString& message) : Exception(message), FCode(code) {}
    ToolExit Code() const { return FCode; }

private:
    ToolExit FCode;
};

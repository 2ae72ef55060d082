#pragma once

#include <QString>

// The output file of a command, checked before any work starts. Its writers give the
// file its name only when it is complete (DurableFile): nothing half-written is ever
// under the target's name, an older file of that name stays as it was until then, and
// nothing is left beside it however the process ends.
class OutputFile {
public:
    // Raises ToolError(kExitWrite) when the target's folder does not exist or the
    // target is a folder.
    explicit OutputFile(const QString& target);

    // The target, absolute.
    QString Path() const { return FTarget; }

private:
    QString FTarget;
};

#pragma once

#include <QString>
#include <memory>

class QTemporaryDir;

// The output of a command, made so that nothing half-written is ever left under the
// target's name: the writer works in a private folder beside the target (same file
// system), and Commit() moves what it wrote into place, replacing older files of the
// same names. A writer may add files of its own next to the main one (the pictures
// of an HTML page); they move with it. Whatever is not committed is removed.
class OutputFile {
public:
    // Raises ToolError(kExitWrite) when the target's folder cannot take files.
    explicit OutputFile(const QString& target);
    ~OutputFile();

    // Where the writer writes: the target's file name inside the private folder.
    QString StagingPath() const;
    // Moves every file the writer made into the target's folder. Raises
    // ToolError(kExitWrite) when the main file is missing or cannot be moved.
    void Commit();

private:
    QString FTarget;
    std::unique_ptr<QTemporaryDir> FStaging;
};

#pragma once

#include <QStringList>

class Arguments;

// The commands of vialar-tool. Each takes its arguments (after the command's name),
// does its work and returns the exit code; a failure it reports raises ToolError.
struct ToolCommand {
    const char* Name;
    const char* Summary;  // one line for the tool's help
    const char* Help;     // the command's own help
    int (*Run)(Arguments& arguments);
};

int RunCreateDb(Arguments& arguments);
int RunCheckDb(Arguments& arguments);
int RunConvert(Arguments& arguments);
int RunListing(Arguments& arguments);
int RunImport(Arguments& arguments);
int RunExportDb(Arguments& arguments);
int RunBackup(Arguments& arguments);
int RunRestore(Arguments& arguments);

// Every command, in the order the help lists them; ends with a null name.
extern const ToolCommand kToolCommands[];

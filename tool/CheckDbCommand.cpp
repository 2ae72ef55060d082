// check-db: opens the configured database, tells what it holds and how it is built,
// and runs Firebird's own full validation (gfix -v -full), ending with kExitDamaged
// when that finds anything wrong.
#include "tool/Arguments.h"
#include "tool/Commands.h"
#include "tool/DatabaseCheck.h"
#include "tool/ToolError.h"
#include "tool/ToolSession.h"

int RunCheckDb(Arguments& arguments) {
    arguments.TakePositionals(0);
    arguments.Finish();

    ToolSession session;
    const DatabaseCheck check = CheckDatabase(session);
    PrintDatabaseCheck(check);
    if (check.Damaged())
        throw ToolError(kExitDamaged, QStringLiteral("o banco de dados está danificado."));
    return kExitOk;
}

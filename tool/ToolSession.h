#pragma once

#include <memory>

#include "app/DatabaseConfig.h"

class TSQLConnection;
class TdmPrincipal;

// The program's session, opened the way the program opens it at start-up: the
// connection data module with its stored parameters, pointed at the configured
// database. While it exists it is the process's dmPrincipal, so the listing host and
// its queries find it as they do in the program.
class ToolSession {
public:
    // Raises ToolError: kExitConfiguration for a refused configuration, kExitDatabase
    // when the database is missing, locked, unreachable or refuses the login.
    ToolSession();
    ~ToolSession();

    const DatabaseConfig& Config() const { return FConfig; }
    TSQLConnection& Connection() const;
    // The database as the messages name it.
    QString DatabaseName() const;

private:
    DatabaseConfig FConfig;
    std::unique_ptr<TdmPrincipal> FModule;
};

#pragma once

#include <memory>

#include "app/DatabaseConfig.h"
#include "tool/FirebirdUtility.h"

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
    // Another database (a file, or host/port:path on a server) with the configuration's
    // login: a restored copy being checked.
    explicit ToolSession(const QString& database);
    ~ToolSession();

    // The configuration as the tool reads it. Raises ToolError(kExitConfiguration).
    static DatabaseConfig LoadConfig();
    // The login a session with this configuration uses: the configured user and
    // password, or those stored with the connection data module.
    static FirebirdLogin LoginOf(const DatabaseConfig& config);

    const DatabaseConfig& Config() const { return FConfig; }
    TSQLConnection& Connection() const;
    FirebirdLogin Login() const;
    // The database as the messages name it.
    QString DatabaseName() const;

private:
    explicit ToolSession(DatabaseConfig config);

    DatabaseConfig FConfig;
    std::unique_ptr<TdmPrincipal> FModule;
};

#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class TSQLConnection;

// Where the registry lives. Without any configuration it is LOGRADOUROS.FDB in the
// working folder, opened through the embedded engine with the user and password stored
// with the connection data module. An installation may name another database, usually
// one on a Firebird server shared by several workstations, in a configuration file:
//
//     # /etc/vialar/vialar.conf, or ~/.config/vialar/vialar.conf
//     database = servidor/3050:/srv/vialar/LOGRADOUROS.FDB
//     user = VIALAR
//     password = ...
//
// The system file is read first, then the user's ($XDG_CONFIG_HOME/vialar/vialar.conf),
// each key of a later source replacing the same key of an earlier one; the variable
// VIALAR_DATABASE finally replaces `database`. A file holding a password must not be
// readable by every user of the machine: such a file is refused, not used.
struct DatabaseConfig {
    QString Database;  // a file path, or host[/port]:path for a server
    QString UserName;  // empty: the stored user
    QString Password;  // empty: the stored password
    // The files that contributed, for messages.
    QStringList Sources;

    // host[/port]:path names a server; anything else is a file for the embedded engine.
    bool IsRemote() const;
    QString ServerHost() const;  // empty for a file
    int ServerPort() const;      // 3050 unless the text names another port
    QString ServerPath() const;  // the path on the server, or the file

    // The configuration for a process started in `currentDirectory`, read from the
    // standard places. Raises Exception (in Portuguese) for a file that cannot be read,
    // holds an unknown key or exposes a password.
    static DatabaseConfig Load(const QString& currentDirectory);
    // The same from the given files (in order; missing ones are skipped) and value of
    // VIALAR_DATABASE (none when unset).
    static DatabaseConfig Load(const QString& currentDirectory, const QStringList& files,
                               const std::optional<QString>& environmentDatabase);
    // The standard files, system first.
    static QStringList StandardFiles();

    // Closes `session` and points it at this database with dialect 3 and the WIN1252
    // attachment character set; user and password only where configured.
    void Apply(TSQLConnection& session) const;
    // Opens `session`. A server that cannot be reached or refuses the login raises one
    // message saying which server and what failed; a file's failure passes unchanged.
    void Open(TSQLConnection& session) const;
    // The text of that message for a driver's failure `driverMessage` on this server.
    QString ServerFailureMessage(const QString& driverMessage) const;
};

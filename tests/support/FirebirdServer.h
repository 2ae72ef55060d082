#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <memory>

// A Firebird server of the test's own, the way a council runs one for its
// workstations, without the system service: /usr/sbin/firebird started on a free
// loopback port, with its own configuration, security database, SYSDBA password and
// lock folder, all in a temporary folder, and stopped when the object goes, or killed
// by the system when the test process ends without stopping it (a crash).
//
//     QString whyNot;
//     auto server = FirebirdServer::Start(&whyNot);
//     if (!server) GTEST_SKIP() << whyNot.toStdString();
//     server->ConnectionString(path)   // "localhost/PORT:path"
class FirebirdServer {
public:
    // None, with the reason, when the server cannot be started here (not installed).
    static std::unique_ptr<FirebirdServer> Start(QString* whyNot);
    ~FirebirdServer();

    int Port() const { return FPort; }
    static QString UserName() { return QStringLiteral("SYSDBA"); }
    QString Password() const { return FPassword; }
    // A folder for the databases the server serves.
    QString DataFolder() const;
    // How a client names `path` on this server.
    QString ConnectionString(const QString& path) const;

    // Stops the server, as a crash or a switched-off machine would (no goodbye to the
    // clients), and starts it again on the same port.
    void Stop();
    bool Restart(QString* whyNot);
    bool Running() const;

private:
    FirebirdServer() = default;
    bool Configure(QString* whyNot);
    bool Launch(QString* whyNot);

    QTemporaryDir FRoot;
    std::unique_ptr<QProcess> FProcess;
    int FPort = 0;
    QString FPassword;
};

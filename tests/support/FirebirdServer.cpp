#include "tests/support/FirebirdServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QThread>
#include <csignal>

namespace {

const char kServerBinary[] = "/usr/sbin/firebird";
// Where Debian keeps the server's messages, plugins and character sets; the private
// root links to them and holds only its own configuration and security database.
const char kFirebirdLibrary[] = "/usr/lib/x86_64-linux-gnu/firebird/3.0";

sockaddr_in Loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(quint16(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// A port nobody listens on now: the system's choice for a socket bound to port 0.
int FreeLoopbackPort() {
    const int handle = ::socket(AF_INET, SOCK_STREAM, 0);
    if (handle < 0) return 0;
    sockaddr_in address = Loopback(0);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(handle, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(handle, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(handle);
    return port;
}

bool Accepts(int port) {
    const int handle = ::socket(AF_INET, SOCK_STREAM, 0);
    if (handle < 0) return false;
    sockaddr_in address = Loopback(port);
    const bool connected =
        ::connect(handle, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(handle);
    return connected;
}

bool WriteText(const QString& path, const QString& text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(text.toUtf8()) == text.toUtf8().size();
}

}  // namespace

std::unique_ptr<FirebirdServer> FirebirdServer::Start(QString* whyNot) {
    std::unique_ptr<FirebirdServer> server(new FirebirdServer);
    if (!server->Configure(whyNot) || !server->Launch(whyNot)) return nullptr;
    return server;
}

FirebirdServer::~FirebirdServer() {
    Stop();
}

QString FirebirdServer::DataFolder() const {
    return FRoot.filePath(QStringLiteral("data"));
}

QString FirebirdServer::ConnectionString(const QString& path) const {
    return QStringLiteral("localhost/%1:%2").arg(FPort).arg(path);
}

bool FirebirdServer::Configure(QString* whyNot) {
    if (!QFileInfo(QString::fromLatin1(kServerBinary)).isExecutable()) {
        *whyNot = QStringLiteral(
                      "no Firebird server here (%1 is missing: install "
                      "firebird3.0-server, see scripts/install-deps)")
                      .arg(QString::fromLatin1(kServerBinary));
        return false;
    }
    const QString isql = QStandardPaths::findExecutable(QStringLiteral("isql-fb"));
    if (isql.isEmpty()) {
        *whyNot = QStringLiteral("isql-fb (firebird3.0-utils) is missing");
        return false;
    }
    if (!FRoot.isValid()) {
        *whyNot = QStringLiteral("no temporary folder");
        return false;
    }
    FPort = FreeLoopbackPort();
    FPassword =
        QStringLiteral("t%1").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));

    const QDir root(FRoot.path());
    root.mkpath(QStringLiteral("data"));
    root.mkpath(QStringLiteral("lock"));
    const QString library = QString::fromLatin1(kFirebirdLibrary) + QLatin1Char('/');
    for (const char* shared : {"firebird.msg", "plugins", "lib", "UDF", "plugins.conf"}) {
        const QString name = QString::fromLatin1(shared);
        QFile::link(library + name, root.filePath(name));
    }
    // The character sets are copied, not linked: the server loads them only from
    // inside its own root, and WIN1252 (the registry's) lives there.
    root.mkpath(QStringLiteral("intl"));
    for (const char* name : {"intl/libfbintl.so", "intl/fbintl.conf"})
        QFile::copy(library + QLatin1String(name), root.filePath(QLatin1String(name)));
    const QString security = root.filePath(QStringLiteral("security3.fdb"));
    // Super mode: one process owns the databases it serves, as on a council's server.
    // The IPC and pipe names keep it apart from any other Firebird on the machine.
    const QString tag = QStringLiteral("vialar_test_%1").arg(FPort);
    if (!WriteText(root.filePath(QStringLiteral("firebird.conf")),
                   QStringLiteral("RemoteServicePort = %1\n"
                                  "RemoteBindAddress = 127.0.0.1\n"
                                  "SecurityDatabase = %2\n"
                                  "ServerMode = Super\n"
                                  "IpcName = %3\n"
                                  "RemotePipeName = %3\n")
                       .arg(FPort)
                       .arg(security, tag)) ||
        !WriteText(root.filePath(QStringLiteral("databases.conf")),
                   QStringLiteral("security.db = %1\n").arg(security))) {
        *whyNot = QStringLiteral("cannot write the server's configuration");
        return false;
    }

    // The security database, made through the embedded engine under this root, with
    // the one user the tests log in as.
    QProcess create;
    create.setProcessEnvironment([&] {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("FIREBIRD"), FRoot.path());
        environment.insert(QStringLiteral("FIREBIRD_LOCK"), root.filePath(QStringLiteral("lock")));
        environment.insert(QStringLiteral("FIREBIRD_TMP"), FRoot.path());
        return environment;
    }());
    create.setProcessChannelMode(QProcess::MergedChannels);
    create.start(isql, {QStringLiteral("-q"), QStringLiteral("-user"), UserName()});
    create.write(QStringLiteral("CREATE DATABASE '%1';\n"
                                "CREATE USER %2 PASSWORD '%3';\n"
                                "COMMIT;\nEXIT;\n")
                     .arg(security, UserName(), FPassword)
                     .toUtf8());
    create.closeWriteChannel();
    if (!create.waitForFinished(60000) || create.exitCode() != 0 || !QFileInfo::exists(security)) {
        *whyNot = QStringLiteral("cannot create the server's security database: %1")
                      .arg(QString::fromLocal8Bit(create.readAll()));
        return false;
    }
    return true;
}

bool FirebirdServer::Launch(QString* whyNot) {
    FProcess = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("FIREBIRD"), FRoot.path());
    environment.insert(QStringLiteral("FIREBIRD_LOCK"), FRoot.filePath(QStringLiteral("lock")));
    environment.insert(QStringLiteral("FIREBIRD_TMP"), FRoot.path());
    FProcess->setProcessEnvironment(environment);
    FProcess->setProcessChannelMode(QProcess::MergedChannels);
    // The server dies with the test process: a test that crashes, or is killed by its
    // time limit, runs no destructor, and would otherwise leave a server running. The
    // signal is sent when the thread that started the server ends, so a server is
    // started from a thread that lives as long as the test (the tests' main thread).
    // A parent already gone before the request was made is caught by comparing pids.
    const pid_t parent = ::getpid();
    FProcess->setChildProcessModifier([parent] {
        if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() != parent) ::_exit(127);
    });
    FProcess->start(QString::fromLatin1(kServerBinary), {});
    if (!FProcess->waitForStarted(10000)) {
        *whyNot = QStringLiteral("the server did not start: %1").arg(FProcess->errorString());
        FProcess.reset();
        return false;
    }
    QElapsedTimer waited;
    waited.start();
    while (!Accepts(FPort)) {
        if (FProcess->state() != QProcess::Running || waited.elapsed() > 20000) {
            *whyNot = QStringLiteral("the server does not listen on port %1: %2")
                          .arg(FPort)
                          .arg(QString::fromLocal8Bit(FProcess->readAll()));
            Stop();
            return false;
        }
        QThread::msleep(50);
    }
    return true;
}

void FirebirdServer::Stop() {
    if (!FProcess) return;
    FProcess->kill();
    FProcess->waitForFinished(10000);
    FProcess.reset();
}

bool FirebirdServer::Restart(QString* whyNot) {
    Stop();
    return Launch(whyNot);
}

bool FirebirdServer::Running() const {
    return FProcess && FProcess->state() == QProcess::Running;
}

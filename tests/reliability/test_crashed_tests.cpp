// What a test process that crashes leaves behind: its own Firebird server must end with
// it, or every crashed run would leave a server holding a port and a folder.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <cstdlib>
#include <optional>

#include "tests/support/FirebirdServer.h"

namespace {

bool Accepts(int port) {
    const int handle = ::socket(AF_INET, SOCK_STREAM, 0);
    if (handle < 0) return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(quint16(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool connected =
        ::connect(handle, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(handle);
    return connected;
}

// In the child: starts a server, tells the parent where it listens (or why it could
// not start), and crashes without stopping it.
[[noreturn]] void StartServerAndCrash(const QString& report) {
    QString whyNot;
    const std::unique_ptr<FirebirdServer> server = FirebirdServer::Start(&whyNot);
    QFile file(report);
    if (file.open(QIODevice::WriteOnly)) {
        const QString line = server ? QStringLiteral("%1 %2")
                                          .arg(server->Port())
                                          .arg(QFileInfo(server->DataFolder()).absolutePath())
                                    : QStringLiteral("skip ") + whyNot;
        file.write(line.toUtf8());
        file.close();
    }
    std::abort();
}

}  // namespace

TEST(CrashedTestProcess, LeavesNoFirebirdServerRunning) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The child runs this test again from its start, in a new process: it finds the
    // report's place in the environment the parent set.
    std::optional<QTemporaryDir> folder;
    if (qEnvironmentVariableIsEmpty("VIALAR_CRASHED_TEST_REPORT")) {
        folder.emplace();
        qputenv("VIALAR_CRASHED_TEST_REPORT",
                folder->filePath(QStringLiteral("server")).toLocal8Bit());
    }
    const QString report = qEnvironmentVariable("VIALAR_CRASHED_TEST_REPORT");
    const auto forget = qScopeGuard([] { qunsetenv("VIALAR_CRASHED_TEST_REPORT"); });
    EXPECT_EXIT(StartServerAndCrash(report), testing::KilledBySignal(SIGABRT), "");

    QFile file(report);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << "the child wrote nothing";
    const QString line = QString::fromUtf8(file.readAll());
    if (line.startsWith(QLatin1String("skip "))) GTEST_SKIP() << line.mid(5).toStdString();
    const int port = line.section(QLatin1Char(' '), 0, 0).toInt();
    ASSERT_GT(port, 0) << line.toStdString();
    // The crashed child could not remove the server's folder; the test does, and
    // checks that nothing of it is left (each run would otherwise leave 1.6 MB behind).
    const QString root = line.section(QLatin1Char(' '), 1);
    auto removeRoot = qScopeGuard([&] { QDir(root).removeRecursively(); });

    QElapsedTimer waited;
    waited.start();
    while (Accepts(port) && waited.elapsed() < 10000) QThread::msleep(50);
    EXPECT_FALSE(Accepts(port)) << "the server on port " << port << " outlived its test";

    removeRoot.dismiss();
    EXPECT_TRUE(QDir(root).removeRecursively()) << root.toStdString();
    EXPECT_FALSE(QFileInfo::exists(root)) << root.toStdString() << " is left behind";
}

// vialar-tool backup and restore, driven as a process: a backup restores and passes
// check-db, from the embedded file and from a Firebird server; a restore never
// overwrites; and every failure (a bad backup, a full disk, a missing, locked or
// unreachable database) leaves the database and the files as they were.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "tests/support/FileSizeLimit.h"
#include "tests/support/FirebirdServer.h"
#include "tests/support/PageRuns.h"
#include "tests/support/TestDatabase.h"
#include "tests/tool/ToolProcess.h"

namespace {

QStringList Entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

class BackupTest : public testing::Test {
protected:
    void SetUp() override {
        if (!QFileInfo(ToolPath()).isExecutable()) GTEST_SKIP() << "vialar-tool is not built";
        if (QStandardPaths::findExecutable(QStringLiteral("gbak")).isEmpty())
            GTEST_SKIP() << "gbak (firebird3.0-utils) is not installed";
    }

    QString Path(const QString& name) const { return files.filePath(name); }

    QString Folder(const QString& name) const {
        QDir(files.path()).mkpath(name);
        return Path(name);
    }

    // A backup of `database` at `name`, made by the tool.
    QString Backup(const TestDatabase& database, const QString& name) const {
        const ToolRun run = RunTool({QStringLiteral("backup"), Path(name)}, database.Directory());
        EXPECT_EQ(run.ExitCode, 0) << run;
        return Path(name);
    }

    // The table as export-db writes it, read from the database of `folder`.
    QByteArray Exported(const QString& folder, const QProcessEnvironment& environment = {}) {
        const QString file = Path(QStringLiteral("tabela-%1.csv").arg(++FExports));
        const ToolRun run = RunTool({QStringLiteral("export-db"), file}, folder, environment);
        EXPECT_EQ(run.ExitCode, 0) << run;
        return ReadFile(file);
    }

    QTemporaryDir files;

private:
    int FExports = 0;
};

TEST_F(BackupTest, BackupRestoresIntoADatabaseThatPassesCheckDb) {
    const TestDatabase database = TestDatabase::Sample();
    const QString backup = Path(QStringLiteral("noite.fbk"));
    WriteFile(backup, "a backup of an earlier night");
    ToolRun run = RunTool({QStringLiteral("backup"), backup}, database.Directory());
    ASSERT_EQ(run.ExitCode, 0) << run;
    EXPECT_TRUE(run.Output.contains(
        QStringLiteral("(verificada: 300 logradouros, maior identificador 000300, nenhum "
                       "problema encontrado)")))
        << run;

    const QString restored = Folder(QStringLiteral("restaurado"));
    run = RunTool({QStringLiteral("restore"), backup, restored}, files.path());
    ASSERT_EQ(run.ExitCode, 0) << run;
    EXPECT_TRUE(run.Output.contains(QStringLiteral("Banco de dados restaurado"))) << run;
    EXPECT_EQ(Entries(restored), QStringList{QStringLiteral("LOGRADOUROS.FDB")});
    run = RunTool({QStringLiteral("check-db")}, restored);
    EXPECT_EQ(run.ExitCode, 0) << run;
    EXPECT_TRUE(run.Output.contains(QStringLiteral("Logradouros: 300"))) << run;
    EXPECT_EQ(Exported(restored), Exported(database.Directory()));

    // Never over an existing database.
    const QByteArray before = ReadFile(restored + QStringLiteral("/LOGRADOUROS.FDB"));
    run = RunTool({QStringLiteral("restore"), backup, restored}, files.path());
    EXPECT_EQ(run.ExitCode, 10) << run;
    EXPECT_TRUE(run.Errors.contains(QStringLiteral("não será substituído"))) << run;
    EXPECT_EQ(ReadFile(restored + QStringLiteral("/LOGRADOUROS.FDB")), before);
}

TEST_F(BackupTest, BackupAndRestoreThroughAServer) {
    QString whyNot;
    const std::unique_ptr<FirebirdServer> server = FirebirdServer::Start(&whyNot);
    if (!server) GTEST_SKIP() << whyNot.toStdString();
    const TestDatabase database = TestDatabase::Sample();
    QDir(files.path()).mkpath(QStringLiteral("config/vialar"));
    const QString conf = Path(QStringLiteral("config/vialar/vialar.conf"));
    WriteFile(conf, QStringLiteral("user = %1\npassword = %2\n")
                        .arg(FirebirdServer::UserName(), server->Password())
                        .toUtf8());
    QFile::setPermissions(conf, QFile::ReadOwner | QFile::WriteOwner);
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), Path(QStringLiteral("config")));
    QProcessEnvironment onServer = environment;
    onServer.insert(QStringLiteral("VIALAR_DATABASE"), server->ConnectionString(database.Path()));

    const QString backup = Path(QStringLiteral("servidor.fbk"));
    ToolRun run = RunTool({QStringLiteral("backup"), backup}, files.path(), onServer);
    ASSERT_EQ(run.ExitCode, 0) << run;
    const QString restored = Folder(QStringLiteral("restaurado"));
    run = RunTool({QStringLiteral("restore"), backup, restored}, files.path(), environment);
    ASSERT_EQ(run.ExitCode, 0) << run;

    // The restored file, served by the server, holds the same table.
    QProcessEnvironment restoredOnServer = environment;
    restoredOnServer.insert(QStringLiteral("VIALAR_DATABASE"),
                            server->ConnectionString(restored + QStringLiteral("/LOGRADOUROS.FDB")));
    run = RunTool({QStringLiteral("check-db")}, files.path(), restoredOnServer);
    EXPECT_EQ(run.ExitCode, 0) << run;
    EXPECT_TRUE(run.Output.contains(QStringLiteral("Logradouros: 300"))) << run;
    EXPECT_EQ(Exported(files.path(), restoredOnServer), Exported(files.path(), onServer));
}

TEST_F(BackupTest, RestoreRefusalsLeaveTheFolderAsItWas) {
    const TestDatabase database = TestDatabase::Sample();
    const QByteArray backup = ReadFile(Backup(database, QStringLiteral("inteira.fbk")));
    WriteFile(Path(QStringLiteral("cortada.fbk")), backup.left(backup.size() / 2));
    WriteFile(Path(QStringLiteral("texto.fbk")), "não é uma cópia de segurança\n");
    const QString target = Folder(QStringLiteral("destino"));
    const QString occupied = Folder(QStringLiteral("ocupada"));
    WriteFile(occupied + QStringLiteral("/LOGRADOUROS.FDB"), "someone's database");

    struct Case {
        const char* backup;
        QString folder;
        int exitCode;
        const char* says;
    };
    const Case cases[] = {
        {"ausente.fbk", target, 8, "não existe"},
        {"cortada.fbk", target, 8, "não é uma cópia de segurança íntegra: Backup incomplete"},
        {"texto.fbk", target, 8, "não é uma cópia de segurança íntegra: expected backup"},
        {"inteira.fbk", Path(QStringLiteral("sem-pasta")), 7, "a pasta"},
        {"inteira.fbk", occupied, 10, "já existe; ele não será substituído"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.backup);
        const ToolRun run =
            RunTool({QStringLiteral("restore"), QString::fromUtf8(test.backup), test.folder},
                    files.path());
        EXPECT_EQ(run.ExitCode, test.exitCode) << run;
        EXPECT_TRUE(run.Errors.contains(QString::fromUtf8(test.says))) << run;
    }
    EXPECT_EQ(Entries(target), QStringList());
    EXPECT_EQ(Entries(occupied), QStringList{QStringLiteral("LOGRADOUROS.FDB")});
    EXPECT_EQ(ReadFile(occupied + QStringLiteral("/LOGRADOUROS.FDB")), "someone's database");
}

TEST_F(BackupTest, AFullDiskLeavesNoHalfFile) {
    // Above 2 MB, which the database engine's own files stay within, a file is refused as
    // on a full disk; this table's backup (4 MB) and database (8 MB) never fit.
    const TestDatabase database = TestDatabase::Generated(40000);
    const QString large = Backup(database, QStringLiteral("grande.fbk"));
    const QString earlier = Path(QStringLiteral("anterior.fbk"));
    WriteFile(earlier, "the backup of an earlier night");
    const QString target = Folder(QStringLiteral("destino"));
    ToolRun backup;
    ToolRun restore;
    {
        const FileSizeLimit limit(2 << 20);
        backup = RunTool({QStringLiteral("backup"), earlier}, database.Directory());
        restore = RunTool({QStringLiteral("restore"), large, target}, files.path());
    }
    EXPECT_EQ(backup.ExitCode, 7) << backup;
    EXPECT_TRUE(backup.Errors.contains(QStringLiteral("disco cheio"))) << backup;
    EXPECT_EQ(ReadFile(earlier), "the backup of an earlier night");
    EXPECT_EQ(restore.ExitCode, 7) << restore;
    EXPECT_TRUE(restore.Errors.contains(QStringLiteral("File too large"))) << restore;
    EXPECT_EQ(Entries(target), QStringList());
    EXPECT_EQ(Entries(files.path()),
              (QStringList{QStringLiteral("anterior.fbk"), QStringLiteral("destino"),
                           QStringLiteral("grande.fbk")}));
}

// A backup killed half-way leaves its private folders unlocked (beside the target, and
// the verification's in the temporary folder); the next backup removes them, and leaves
// the folder of a backup still running (locked) alone.
TEST_F(BackupTest, TheFoldersOfKilledRunsAreRemovedByTheNext) {
    const TestDatabase database = TestDatabase::Sample();
    QTemporaryDir temporary;
    const QString killedBeside = Folder(QStringLiteral(".vialar-copia-Killed"));
    WriteFile(killedBeside + QStringLiteral("/noite.fbk"), "half a backup");
    const QString killedVerification =
        QDir(temporary.path()).filePath(QStringLiteral("vialar-verificacao-Killed"));
    ASSERT_TRUE(QDir().mkpath(killedVerification));
    WriteFile(killedVerification + QStringLiteral("/LOGRADOUROS.FDB"), "half a database");
    const QString running = Folder(QStringLiteral(".vialar-copia-Running"));
    const int lock = ::open(QFile::encodeName(running).constData(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(lock, 0);
    ASSERT_EQ(::flock(lock, LOCK_EX), 0);

    QProcessEnvironment environment;
    environment.insert(QStringLiteral("TMPDIR"), temporary.path());
    const ToolRun run =
        RunTool({QStringLiteral("backup"), Path(QStringLiteral("noite.fbk"))},
                database.Directory(), environment);
    ::close(lock);
    ASSERT_EQ(run.ExitCode, 0) << run;
    EXPECT_EQ(Entries(files.path()),
              (QStringList{QStringLiteral(".vialar-copia-Running"), QStringLiteral("noite.fbk")}));
    EXPECT_EQ(Entries(temporary.path()), QStringList());
}

TEST_F(BackupTest, EveryCommandNamesAMissingLockedOrUnreachableDatabase) {
    const QString gfix = QStandardPaths::findExecutable(QStringLiteral("gfix"));
    if (gfix.isEmpty()) GTEST_SKIP() << "gfix (firebird3.0-utils) is not installed";
    const TestDatabase locked = TestDatabase::Sample();
    QProcess shut;
    shut.start(gfix, {QStringLiteral("-shut"), QStringLiteral("full"), QStringLiteral("-force"),
                      QStringLiteral("0"), QStringLiteral("-user"), QStringLiteral("SYSDBA"),
                      locked.Path()});
    ASSERT_TRUE(shut.waitForFinished()) << "gfix -shut did not finish";
    const QByteArray lockedBytes = ReadFile(locked.Path());
    WriteFile(Path(QStringLiteral("ruas.csv")), "LEI;ANO;NOME\n1;2000;NOVA\n");
    const QString empty = Folder(QStringLiteral("vazia"));
    QProcessEnvironment unreachable;
    // Nothing listens on port 1.
    unreachable.insert(QStringLiteral("VIALAR_DATABASE"),
                       QStringLiteral("localhost/1:/srv/vialar/LOGRADOUROS.FDB"));

    struct Case {
        QString folder;
        QProcessEnvironment environment;
        const char* says;
    };
    const Case places[] = {
        {empty, {}, "não há banco de dados em"},
        {locked.Directory(), {}, "bloqueado"},
        {empty, unreachable, "o servidor não respondeu"},
    };
    const QStringList commands[] = {
        {QStringLiteral("import"), Path(QStringLiteral("ruas.csv"))},
        {QStringLiteral("export-db"), Path(QStringLiteral("saida.csv"))},
        {QStringLiteral("backup"), Path(QStringLiteral("saida.fbk"))},
    };
    for (const Case& place : places) {
        for (const QStringList& command : commands) {
            SCOPED_TRACE((command.first() + QLatin1Char(' ') + place.folder).toStdString());
            const ToolRun run = RunTool(command, place.folder, place.environment);
            EXPECT_EQ(run.ExitCode, 4) << run;
            EXPECT_TRUE(run.Errors.contains(QString::fromUtf8(place.says))) << run;
        }
    }
    EXPECT_EQ(ReadFile(locked.Path()), lockedBytes);
    EXPECT_EQ(Entries(files.path()),
              (QStringList{QStringLiteral("ruas.csv"), QStringLiteral("vazia")}));
    EXPECT_EQ(Entries(empty), QStringList());
}

}  // namespace

// backup and restore: the database through Firebird's gbak. A backup is only trusted
// once it has been restored into a temporary folder and passed check-db's checks there;
// a restore is checked the same way before it takes its name. Either file is made
// under a private folder beside its target and moved into place only when complete and
// checked, so that a failure (a locked or unreachable database, a damaged backup, a
// full disk) leaves the target as it was.
#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "data/TSQLConnection.h"
#include "tool/Arguments.h"
#include "tool/Commands.h"
#include "tool/Console.h"
#include "tool/DatabaseCheck.h"
#include "tool/FirebirdUtility.h"
#include "tool/StagingFolder.h"
#include "tool/ToolError.h"
#include "tool/ToolSession.h"

namespace {

const QString kDatabaseFileName = QStringLiteral("LOGRADOUROS.FDB");

QString Native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

QString SystemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Flushes a file or a folder (the names it holds) to the disk.
bool Sync(const QString& path) {
    const int descriptor = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) return false;
    const bool synced = ::fsync(descriptor) == 0;
    ::close(descriptor);
    return synced;
}

// gbak writing a file the disk does not take: a database being restored fails with an
// I/O error, a backup "ends its volume" and asks for the next one, which the closed
// input answers with "Backup incomplete".
bool DiskIsFull(const QString& gbakOutput) {
    return gbakOutput.contains(QLatin1String("No space left"), Qt::CaseInsensitive) ||
           gbakOutput.contains(QLatin1String("File too large"), Qt::CaseInsensitive) ||
           gbakOutput.contains(QLatin1String("I/O error"), Qt::CaseInsensitive);
}

bool BackupVolumeEnded(const QString& gbakOutput) {
    return gbakOutput.contains(QLatin1String("Done with volume")) ||
           gbakOutput.contains(QLatin1String("Backup incomplete"));
}

// What gbak said went wrong: its "ERROR:" lines without the prefix, or everything it
// said when it has none.
QString GbakReason(const QString& output) {
    QStringList reasons;
    for (const QString& line : output.split(QLatin1Char('\n'))) {
        const qsizetype at = line.indexOf(QLatin1String("ERROR:"));
        if (at >= 0) reasons << line.mid(at + 6).trimmed();
    }
    return reasons.isEmpty() ? output : reasons.join(QStringLiteral("; "));
}

// A file being made for `target`: written in a private folder beside it (the same file
// system, so that moving it is a rename), flushed to the disk and moved into place by
// Replace or Place. The private folder goes with whatever is left in it, and a later
// run removes the folder of a run that was killed.
class StagedFile {
public:
    explicit StagedFile(const QString& target) : FTarget(QFileInfo(target).absoluteFilePath()) {
        const QFileInfo info(FTarget);
        if (!info.absoluteDir().exists()) {
            throw ToolError(kExitWrite, QStringLiteral("a pasta \"%1\" não existe.")
                                            .arg(Native(info.absolutePath())));
        }
        if (info.isDir())
            throw ToolError(kExitWrite, QStringLiteral("\"%1\" é uma pasta.").arg(Native(FTarget)));
        FFolder = std::make_unique<StagingFolder>(info.absolutePath(),
                                                  QStringLiteral(".vialar-copia-"));
        if (!FFolder->IsValid()) {
            throw ToolError(kExitWrite, QStringLiteral("não é possível gravar em \"%1\": %2.")
                                            .arg(Native(info.absolutePath()),
                                                 FFolder->ErrorString()));
        }
    }

    QString Path() const { return FFolder->FilePath(QFileInfo(FTarget).fileName()); }
    QString Target() const { return FTarget; }

    // Moves the file into place, replacing a file of the same name in one step.
    void Replace() {
        Flush();
        if (std::rename(Encoded(Path()).constData(), Encoded(FTarget).constData()) != 0) Fail();
        SyncFolder();
    }

    // Moves the file into place unless a file of that name has appeared meanwhile, which
    // is never replaced: raises ToolError(kExitExists) then.
    void Place() {
        Flush();
        // A new link fails on an existing name, where a rename would replace it.
        if (::link(Encoded(Path()).constData(), Encoded(FTarget).constData()) != 0) {
            if (errno == EEXIST) {
                throw ToolError(kExitExists,
                                QStringLiteral("o banco de dados \"%1\" já existe; ele não será "
                                               "substituído.")
                                    .arg(Native(FTarget)));
            }
            Fail();
        }
        QFile::remove(Path());
        SyncFolder();
    }

private:
    static QByteArray Encoded(const QString& path) { return QFile::encodeName(path); }

    void Flush() {
        if (!Sync(Path())) Fail();
    }

    void SyncFolder() { Sync(QFileInfo(FTarget).absolutePath()); }

    [[noreturn]] void Fail() {
        throw ToolError(kExitWrite, QStringLiteral("não foi possível gravar \"%1\": %2.")
                                        .arg(Native(FTarget), SystemError()));
    }

    QString FTarget;
    std::unique_ptr<StagingFolder> FFolder;
};

// Restores `backup` as the database file `database` with the embedded engine. Raises
// ToolError: kExitInput when the backup cannot be read or is not a sound backup,
// kExitWrite when the disk takes no more.
void Restore(const QString& backup, const QString& database, const FirebirdLogin& login) {
    const UtilityResult result = RunFirebirdUtility(
        QStringLiteral("gbak"), {QStringLiteral("-c"), backup, database}, login);
    if (result.ExitCode == 0) return;
    if (DiskIsFull(result.Output) && !result.Output.contains(QLatin1String("backup file"))) {
        throw ToolError(kExitWrite, QStringLiteral("não foi possível gravar o banco de dados "
                                                   "restaurado em \"%1\" (disco cheio?): %2")
                                        .arg(Native(QFileInfo(database).absolutePath()),
                                             GbakReason(result.Output)));
    }
    throw ToolError(kExitInput,
                    QStringLiteral("\"%1\" não é uma cópia de segurança íntegra: %2")
                        .arg(Native(backup), GbakReason(result.Output)));
}

// check-db's checks on a restored database file; raises ToolError(kExitDamaged) when
// they find anything.
DatabaseCheck CheckRestored(const QString& database, const QString& what) {
    ToolSession session(database);
    const DatabaseCheck check = CheckDatabase(session);
    if (check.Damaged()) {
        throw ToolError(kExitDamaged, QStringLiteral("%1 não passou na verificação (%2); nada foi "
                                                     "gravado.")
                                          .arg(what, DatabaseCheckSummary(check)));
    }
    return check;
}

}  // namespace

int RunBackup(Arguments& arguments) {
    const QString file = arguments.TakePositionals(1).first();
    arguments.Finish();

    StagedFile backup(file);
    FirebirdLogin login;
    {
        // Opening the database first tells a missing, locked or unreachable database
        // apart in the session's own words; gbak attaches on its own.
        ToolSession session;
        login = session.Login();
        const QString database = session.Config().Database;
        session.Connection().Close();
        PrintProgress(QStringLiteral("Copiando %1").arg(session.DatabaseName()));
        const UtilityResult result = RunFirebirdUtility(
            QStringLiteral("gbak"), {QStringLiteral("-b"), database, backup.Path()}, login);
        if (result.ExitCode != 0) {
            if (BackupVolumeEnded(result.Output)) {
                throw ToolError(kExitWrite, QStringLiteral("não foi possível gravar \"%1\" "
                                                           "inteiro (disco cheio?).")
                                                .arg(Native(backup.Target())));
            }
            if (result.Output.contains(QLatin1String("backup file")) ||
                DiskIsFull(result.Output)) {
                throw ToolError(kExitWrite, QStringLiteral("não foi possível gravar \"%1\": %2")
                                                .arg(Native(backup.Target()),
                                                     GbakReason(result.Output)));
            }
            throw ToolError(kExitDatabase,
                            QStringLiteral("o gbak não conseguiu copiar o banco de dados %1: %2")
                                .arg(session.DatabaseName(), GbakReason(result.Output)));
        }
    }

    PrintProgress(QStringLiteral("Verificando a cópia"));
    const StagingFolder scratch(QDir::tempPath(), QStringLiteral("vialar-verificacao-"));
    if (!scratch.IsValid()) {
        throw ToolError(kExitWrite, QStringLiteral("não foi possível criar uma pasta temporária "
                                                   "para verificar a cópia: %1.")
                                        .arg(scratch.ErrorString()));
    }
    const QString restored = scratch.FilePath(kDatabaseFileName);
    try {
        Restore(backup.Path(), restored, login);
    } catch (const ToolError& error) {
        // A backup gbak has just written that it cannot read back is a bad backup.
        if (error.Code() != kExitInput) throw;
        throw ToolError(kExitDamaged,
                        QStringLiteral("a cópia não pôde ser restaurada para verificação; nada "
                                       "foi gravado.\n%1")
                            .arg(error.Message()));
    }
    const DatabaseCheck check = CheckRestored(restored, QStringLiteral("a cópia"));
    backup.Replace();
    EndProgress();
    PrintLine(QStringLiteral("Cópia de segurança gravada: %1 (verificada: %2)")
                  .arg(Native(backup.Target()), DatabaseCheckSummary(check)));
    return kExitOk;
}

int RunRestore(Arguments& arguments) {
    const QStringList files = arguments.TakePositionals(2);
    arguments.Finish();
    const QString& backupFile = files.at(0);
    const QString& folder = files.at(1);

    if (!QFileInfo(backupFile).isFile()) {
        throw ToolError(kExitInput,
                        QStringLiteral("o arquivo \"%1\" não existe.").arg(Native(backupFile)));
    }
    if (!QFileInfo(backupFile).isReadable()) {
        throw ToolError(kExitInput,
                        QStringLiteral("não foi possível ler \"%1\".").arg(Native(backupFile)));
    }
    if (!QFileInfo(folder).isDir()) {
        throw ToolError(kExitWrite,
                        QStringLiteral("a pasta \"%1\" não existe.").arg(Native(folder)));
    }
    const QString target = QDir(folder).absoluteFilePath(kDatabaseFileName);
    if (QFileInfo::exists(target)) {
        throw ToolError(kExitExists,
                        QStringLiteral("o banco de dados \"%1\" já existe; ele não será "
                                       "substituído.")
                            .arg(Native(target)));
    }

    StagedFile database(target);
    PrintProgress(QStringLiteral("Restaurando %1").arg(Native(backupFile)));
    Restore(QFileInfo(backupFile).absoluteFilePath(), database.Path(),
            ToolSession::LoginOf(ToolSession::LoadConfig()));
    PrintProgress(QStringLiteral("Verificando o banco de dados restaurado"));
    const DatabaseCheck check =
        CheckRestored(database.Path(), QStringLiteral("o banco de dados restaurado"));
    database.Place();
    EndProgress();
    PrintLine(QStringLiteral("Banco de dados restaurado: %1 (verificado: %2)")
                  .arg(Native(target), DatabaseCheckSummary(check)));
    return kExitOk;
}

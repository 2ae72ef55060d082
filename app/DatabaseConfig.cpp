#include "app/DatabaseConfig.h"

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include "core/Exception.h"
#include "data/TSQLConnection.h"

namespace {

constexpr int kDefaultServerPort = 3050;

// host[/port]:path. A path starting with "/" is a file even when it holds a colon.
const QRegularExpression& ServerPattern() {
    static const QRegularExpression pattern(
        QStringLiteral("^([A-Za-z0-9._-]+|\\[[0-9A-Fa-f:.]+\\])(?:/([0-9]+))?:(.+)$"));
    return pattern;
}

QString Quoted(const QString& path) {
    return QStringLiteral("\"%1\"").arg(QDir::toNativeSeparators(path));
}

// The key/value lines of one file: "key = value", blank lines and lines starting with
// "#" ignored. Every key is known; a misspelt one must not be silently dropped, since
// the program would then open a different database than the one meant.
void ReadFile(const QString& path, DatabaseConfig& config) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        throw Exception(QStringLiteral("Não foi possível ler o arquivo de configuração %1: %2.")
                            .arg(Quoted(path), file.errorString()));
    }
    bool holdsPassword = false;
    int lineNumber = 0;
    while (!file.atEnd()) {
        ++lineNumber;
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        const QString key = line.left(equals).trimmed().toLower();
        const QString value = line.mid(equals + 1).trimmed();
        if (equals < 0 || key.isEmpty()) {
            throw Exception(
                QStringLiteral("Arquivo de configuração %1, linha %2: esperava \"chave = valor\".")
                    .arg(Quoted(path))
                    .arg(lineNumber));
        }
        if (key == QLatin1String("database")) {
            config.Database = value;
        } else if (key == QLatin1String("user")) {
            config.UserName = value;
        } else if (key == QLatin1String("password")) {
            config.Password = value;
            holdsPassword = !value.isEmpty();
        } else {
            throw Exception(QStringLiteral("Arquivo de configuração %1, linha %2: chave "
                                           "desconhecida \"%3\" (use database, user ou password).")
                                .arg(Quoted(path))
                                .arg(lineNumber)
                                .arg(key));
        }
    }

    // As ssh does with private keys: a password that every account of the machine can
    // read is no secret, so the file is refused rather than used. Group access stays
    // allowed, which is how an installation lets its staff read the system file.
    struct stat status {};
    if (holdsPassword && ::stat(QFile::encodeName(path).constData(), &status) == 0 &&
        (status.st_mode & S_IROTH)) {
        throw Exception(
            QStringLiteral("O arquivo de configuração %1 contém uma senha e pode ser lido por "
                           "qualquer usuário; ele não foi usado. Restrinja o acesso (por exemplo "
                           "chmod 600 ou chmod 640 com o grupo da equipe).")
                .arg(Quoted(path)));
    }
    config.Sources << path;
}

}  // namespace

bool DatabaseConfig::IsRemote() const {
    return !Database.startsWith(QLatin1Char('/')) && ServerPattern().match(Database).hasMatch();
}

QString DatabaseConfig::ServerHost() const {
    return IsRemote() ? ServerPattern().match(Database).captured(1) : QString();
}

int DatabaseConfig::ServerPort() const {
    const QString port = IsRemote() ? ServerPattern().match(Database).captured(2) : QString();
    return port.isEmpty() ? kDefaultServerPort : port.toInt();
}

QString DatabaseConfig::ServerPath() const {
    return IsRemote() ? ServerPattern().match(Database).captured(3) : Database;
}

QStringList DatabaseConfig::StandardFiles() {
    QString userFolder = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (userFolder.isEmpty() || !QDir::isAbsolutePath(userFolder))
        userFolder = QDir::homePath() + QStringLiteral("/.config");
    return {QStringLiteral("/etc/vialar/vialar.conf"),
            userFolder + QStringLiteral("/vialar/vialar.conf")};
}

DatabaseConfig DatabaseConfig::Load(const QString& currentDirectory) {
    std::optional<QString> environmentDatabase;
    if (qEnvironmentVariableIsSet("VIALAR_DATABASE"))
        environmentDatabase = qEnvironmentVariable("VIALAR_DATABASE");
    return Load(currentDirectory, StandardFiles(), environmentDatabase);
}

DatabaseConfig DatabaseConfig::Load(const QString& currentDirectory, const QStringList& files,
                                    const std::optional<QString>& environmentDatabase) {
    DatabaseConfig config;
    QString folder = currentDirectory;
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/'))) folder.chop(1);
    config.Database = folder + QStringLiteral("/LOGRADOUROS.FDB");
    for (const QString& file : files) {
        if (QFileInfo::exists(file)) ReadFile(file, config);
    }
    if (environmentDatabase && !environmentDatabase->trimmed().isEmpty()) {
        config.Database = environmentDatabase->trimmed();
        config.Sources << QStringLiteral("VIALAR_DATABASE");
    }
    if (config.Database.isEmpty()) {
        throw Exception(QStringLiteral("A configuração (%1) deixa o banco de dados vazio.")
                            .arg(config.Sources.join(QStringLiteral(", "))));
    }
    return config;
}

void DatabaseConfig::Apply(TSQLConnection& session) const {
    session.Close();
    session.Params().SetValue(QStringLiteral("Database"), Database);
    session.Params().SetValue(QStringLiteral("SQLDialect"), QStringLiteral("3"));
    session.Params().SetValue(QStringLiteral("ServerCharSet"), QStringLiteral("WIN1252"));
    if (!UserName.isEmpty()) session.Params().SetValue(QStringLiteral("User_Name"), UserName);
    if (!Password.isEmpty()) session.Params().SetValue(QStringLiteral("Password"), Password);
}

void DatabaseConfig::Open(TSQLConnection& session) const {
    if (!IsRemote()) {
        session.Open();
        return;
    }
    try {
        session.Open();
    } catch (const EDatabaseError& error) {
        throw EDatabaseError(ServerFailureMessage(error.Message()));
    }
}

QString DatabaseConfig::ServerFailureMessage(const QString& driverMessage) const {
    // The client library's texts are fixed English sentences; the two failures a user
    // can act upon are named in Portuguese, anything else keeps the driver's text.
    QString failure;
    if (driverMessage.contains(QLatin1String("user name and password"), Qt::CaseInsensitive)) {
        failure = QStringLiteral("o servidor recusou o usuário ou a senha");
    } else if (driverMessage.contains(QLatin1String("network request"), Qt::CaseInsensitive) ||
               driverMessage.contains(QLatin1String("establish a connection"),
                                      Qt::CaseInsensitive)) {
        failure = QStringLiteral(
            "o servidor não respondeu (desligado, inacessível ou porta "
            "errada)");
    } else {
        failure = driverMessage.trimmed();
        while (failure.endsWith(QLatin1Char('.'))) failure.chop(1);
    }
    return QStringLiteral(
               "Não foi possível conectar ao servidor de banco de dados %1, porta %2 "
               "(banco %3): %4.")
        .arg(ServerHost())
        .arg(ServerPort())
        .arg(ServerPath(), failure);
}

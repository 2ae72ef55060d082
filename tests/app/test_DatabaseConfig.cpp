// Where the database is: the default, the files and the variable that override it, the
// server form of the name, and the files that are refused.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "app/DatabaseConfig.h"
#include "core/Exception.h"
#include "data/TSQLConnection.h"

namespace {

class DatabaseConfigTest : public testing::Test {
protected:
    // A configuration file in the temporary folder with the given permissions.
    QString Write(const QString& name, const QByteArray& text,
                  QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner) {
        const QString path = folder.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        file.close();
        file.setPermissions(permissions);
        return path;
    }

    QString RefusalOf(const QStringList& files) {
        try {
            DatabaseConfig::Load(QStringLiteral("/work"), files, std::nullopt);
        } catch (const Exception& error) {
            return error.Message();
        }
        return QString();
    }

    QTemporaryDir folder;
};

TEST_F(DatabaseConfigTest, WithoutConfigurationTheWorkingFoldersFileWithStoredLogin) {
    const DatabaseConfig config =
        DatabaseConfig::Load(QStringLiteral("/srv/camara/"),
                             {folder.filePath(QStringLiteral("absent.conf"))}, std::nullopt);
    EXPECT_EQ(config.Database, QStringLiteral("/srv/camara/LOGRADOUROS.FDB"));
    EXPECT_FALSE(config.IsRemote());
    EXPECT_TRUE(config.UserName.isEmpty());
    EXPECT_TRUE(config.Password.isEmpty());

    // Applying it leaves the stored user and password in place.
    TSQLConnection session;
    session.Params().Assign({QStringLiteral("User_Name=sysdba"), QStringLiteral("Password=x")});
    config.Apply(session);
    EXPECT_EQ(session.Params().Values(QStringLiteral("Database")), config.Database);
    EXPECT_EQ(session.Params().Values(QStringLiteral("User_Name")), QStringLiteral("sysdba"));
    EXPECT_EQ(session.Params().Values(QStringLiteral("Password")), QStringLiteral("x"));
    EXPECT_EQ(session.Params().Values(QStringLiteral("ServerCharSet")), QStringLiteral("WIN1252"));
    EXPECT_EQ(session.Params().Values(QStringLiteral("SQLDialect")), QStringLiteral("3"));
}

TEST_F(DatabaseConfigTest, LaterSourcesReplaceEarlierKeysOneByOne) {
    const QString system = Write(QStringLiteral("system.conf"),
                                 "# shared registry\n"
                                 "database = servidor:/srv/LOGRADOUROS.FDB\n"
                                 "user = VIALAR\n"
                                 "password = segredo\n",
                                 QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    const QString user =
        Write(QStringLiteral("user.conf"), "\n  Database=outro/3051:/dados/LOGRADOUROS.FDB  \n");

    DatabaseConfig config =
        DatabaseConfig::Load(QStringLiteral("/home/ana"), {system, user}, std::nullopt);
    EXPECT_EQ(config.Database, QStringLiteral("outro/3051:/dados/LOGRADOUROS.FDB"));
    EXPECT_EQ(config.UserName, QStringLiteral("VIALAR"));
    EXPECT_EQ(config.Password, QStringLiteral("segredo"));
    EXPECT_EQ(config.Sources, (QStringList{system, user}));

    config = DatabaseConfig::Load(QStringLiteral("/home/ana"), {system, user},
                                  QStringLiteral("/tmp/teste.fdb"));
    EXPECT_EQ(config.Database, QStringLiteral("/tmp/teste.fdb"));
    EXPECT_EQ(config.UserName, QStringLiteral("VIALAR"));

    TSQLConnection session;
    config.Apply(session);
    EXPECT_EQ(session.Params().Values(QStringLiteral("User_Name")), QStringLiteral("VIALAR"));
    EXPECT_EQ(session.Params().Values(QStringLiteral("Password")), QStringLiteral("segredo"));
}

TEST(DatabaseConfigName, ServerOrFile) {
    struct Case {
        const char* database;
        const char* host;  // empty for a file
        int port;
        const char* path;
    };
    const Case cases[] = {
        {"servidor:/srv/L.FDB", "servidor", 3050, "/srv/L.FDB"},
        {"localhost/3051:/tmp/x/L.FDB", "localhost", 3051, "/tmp/x/L.FDB"},
        {"10.0.0.5:vialar", "10.0.0.5", 3050, "vialar"},
        {"/home/ana/L.FDB", "", 3050, "/home/ana/L.FDB"},
        {"/odd:name/L.FDB", "", 3050, "/odd:name/L.FDB"},
        {"dados/L.FDB", "", 3050, "dados/L.FDB"},
    };
    for (const Case& test : cases) {
        DatabaseConfig config;
        config.Database = QString::fromLatin1(test.database);
        SCOPED_TRACE(test.database);
        EXPECT_EQ(config.IsRemote(), *test.host != 0);
        EXPECT_EQ(config.ServerHost(), QString::fromLatin1(test.host));
        EXPECT_EQ(config.ServerPort(), test.port);
        EXPECT_EQ(config.ServerPath(), QString::fromLatin1(test.path));
    }
}

TEST_F(DatabaseConfigTest, PasswordReadableByEveryoneIsRefused) {
    const auto everyone =
        QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
    const QString exposed = Write(QStringLiteral("exposed.conf"), "password = x\n", everyone);
    EXPECT_TRUE(RefusalOf({exposed}).contains(QStringLiteral("pode ser lido por qualquer")))
        << qPrintable(RefusalOf({exposed}));

    // Without a password the same permissions are fine.
    const QString harmless =
        Write(QStringLiteral("harmless.conf"), "database = /tmp/L.FDB\n", everyone);
    EXPECT_EQ(RefusalOf({harmless}), QString());
}

TEST_F(DatabaseConfigTest, MalformedFilesAreRefusedNamingTheLine) {
    const QString unknown =
        Write(QStringLiteral("unknown.conf"), "database = /tmp/L.FDB\npasword = x\n");
    EXPECT_TRUE(RefusalOf({unknown}).contains(QStringLiteral("linha 2: chave desconhecida")))
        << qPrintable(RefusalOf({unknown}));
    const QString noEquals = Write(QStringLiteral("plain.conf"), "/tmp/L.FDB\n");
    EXPECT_TRUE(RefusalOf({noEquals}).contains(QStringLiteral("linha 1")));
    const QString empty = Write(QStringLiteral("empty.conf"), "database =\n");
    EXPECT_FALSE(RefusalOf({empty}).isEmpty());
}

TEST(DatabaseConfigMessage, ServerFailuresNameTheServerAndWhatFailed) {
    DatabaseConfig config;
    config.Database = QStringLiteral("camara/3051:/srv/L.FDB");
    EXPECT_EQ(config.ServerFailureMessage(
                  QStringLiteral("Your user name and password are not defined. Ask your database "
                                 "administrator to set up a Firebird login.")),
              QStringLiteral("Não foi possível conectar ao servidor de banco de dados camara, "
                             "porta 3051 (banco /srv/L.FDB): o servidor recusou o usuário ou a "
                             "senha."));
    EXPECT_TRUE(config
                    .ServerFailureMessage(
                        QStringLiteral("Unable to complete network request to host \"camara\".\n"
                                       "Failed to establish a connection."))
                    .endsWith(QStringLiteral("o servidor não respondeu (desligado, inacessível "
                                             "ou porta errada).")));
    EXPECT_TRUE(config.ServerFailureMessage(QStringLiteral("I/O error for file."))
                    .endsWith(QStringLiteral("): I/O error for file.")));
}

}  // namespace

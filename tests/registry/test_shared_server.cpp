// Several workstations on one registry: clients of a real Firebird server on loopback
// (tests/support/FirebirdServer.h) reach the registry through "localhost/PORT:path",
// as configured workstations do. Skipped, saying why, where no server can be started.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <optional>

#include "app/DatabaseConfig.h"
#include "app/udmPrincipal.h"
#include "core/Exception.h"
#include "core/Messages.h"
#include "data/DataSetState.h"
#include "data/TCachedDataSet.h"
#include "data/TDataProvider.h"
#include "data/TField.h"
#include "data/TSQLConnection.h"
#include "registry/udmLogradouros.h"
#include "shell/uFrm_Principal.h"
#include "tests/support/FirebirdServer.h"
#include "tests/support/TestDatabase.h"

namespace {

// One workstation: its own session, opened from the configuration as the program's
// start-up opens it, and its own street data module on that session.
struct Workstation {
    explicit Workstation(const DatabaseConfig& config) {
        config.Apply(*connections.TorvaneConnection);
        config.Open(*connections.TorvaneConnection);
        dmPrincipal = &connections;
        module = new TdmLogradouros(&owner);
        dmPrincipal = nullptr;
    }

    TCachedDataSet& Record() const { return *module->cdsDados; }
    QString Field(const char* name) const {
        return Record().FieldByName(QString::fromLatin1(name))->AsString();
    }
    void Type(const char* name, const QString& value) {
        Record().FieldByName(QString::fromLatin1(name))->SetAsString(value);
    }
    // "Novo" and the typed boxes, as the registry window does them.
    void NewStreet(const QString& nome) {
        module->loadRecord(1);
        Record().Append();
        Type("LEI", QStringLiteral("77"));
        Type("ANO", QStringLiteral("2024"));
        Type("TIPO", QStringLiteral("Rua"));
        Type("NOME", nome);
    }
    // "Salvar": post, then write at once.
    void Save() {
        Record().Post();
        ASSERT_EQ(Record().ApplyUpdates(0), 0);
    }
    // The same where it may fail: why it failed, or an empty text once written.
    QString TrySave() {
        try {
            Record().Post();
            if (Record().ApplyUpdates(0) != 0) return QStringLiteral("(the row was refused)");
        } catch (const Exception& error) {
            return error.Message();
        }
        return QString();
    }

    TdmPrincipal connections;
    QObject owner;
    TdmLogradouros* module = nullptr;
};

class SharedServerTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        QString whyNot;
        server = FirebirdServer::Start(&whyNot).release();
        if (!server) skipReason = whyNot;
    }
    static void TearDownTestSuite() {
        delete server;
        server = nullptr;
    }

    void SetUp() override {
        if (!server) GTEST_SKIP() << "no Firebird server: " << skipReason.toStdString();
        QString whyNot;
        if (!server->Running()) {
            ASSERT_TRUE(server->Restart(&whyNot)) << whyNot.toStdString();
        }
        // The sample registry, made here and then served: from now on only the server
        // opens the file.
        database.emplace(TestDatabase::Sample());
        config.Database = server->ConnectionString(database->Path());
        config.UserName = FirebirdServer::UserName();
        config.Password = server->Password();
    }

    static FirebirdServer* server;
    static QString skipReason;
    std::optional<TestDatabase> database;
    DatabaseConfig config;
};

FirebirdServer* SharedServerTest::server = nullptr;
QString SharedServerTest::skipReason;

TEST_F(SharedServerTest, TwoClientsSavingAtOnceTakeConsecutiveIdentifiersAndSeeEachOther) {
    Workstation ana(config);
    Workstation bruno(config);

    // Both start a street while the other is typing: each is offered the same number.
    ana.NewStreet(QStringLiteral("das Acácias"));
    bruno.NewStreet(QStringLiteral("dos Ipês"));
    EXPECT_EQ(ana.Field("I_ID"), QStringLiteral("301"));
    EXPECT_EQ(bruno.Field("I_ID"), QStringLiteral("301"));

    // Saving takes the identifier again, so the second save gets the next one.
    ana.Save();
    bruno.Save();
    EXPECT_EQ(ana.Field("I_ID"), QStringLiteral("301"));
    EXPECT_EQ(bruno.Field("I_ID"), QStringLiteral("302"));

    // After a reload each sees what the other committed.
    ana.module->loadRecord(302);
    EXPECT_EQ(ana.Field("NOME"), QStringLiteral("dos Ipês"));
    bruno.module->loadSearchList();
    EXPECT_EQ(bruno.module->cdsPesquisa->RecordCount(), 302);
    bruno.module->loadRecord(301);
    EXPECT_EQ(bruno.Field("NOME"), QStringLiteral("das Acácias"));

    // And a third street, from either, continues the sequence.
    ana.NewStreet(QStringLiteral("das Palmeiras"));
    ana.Save();
    EXPECT_EQ(ana.Field("I_ID"), QStringLiteral("303"));
}

TEST_F(SharedServerTest, RefusedLoginAndSilentServerGiveOneClearMessage) {
    DatabaseConfig wrongPassword = config;
    wrongPassword.Password = QStringLiteral("errada");
    DatabaseConfig nobodyListens = config;
    nobodyListens.Database = QStringLiteral("localhost/1:%1").arg(database->Path());

    const std::pair<DatabaseConfig, QString> cases[] = {
        {wrongPassword,
         QStringLiteral("Não foi possível conectar ao servidor de banco de dados localhost, porta "
                        "%1 (banco %2): o servidor recusou o usuário ou a senha.")
             .arg(server->Port())
             .arg(database->Path())},
        {nobodyListens,
         QStringLiteral("Não foi possível conectar ao servidor de banco de dados localhost, porta "
                        "1 (banco %1): o servidor não respondeu (desligado, inacessível ou porta "
                        "errada).")
             .arg(database->Path())},
    };
    for (const auto& [tried, message] : cases) {
        TSQLConnection session;
        session.SetDriverName(QStringLiteral("Firebird"));
        tried.Apply(session);
        try {
            tried.Open(session);
            ADD_FAILURE() << "opened " << tried.Database.toStdString();
        } catch (const EDatabaseError& error) {
            EXPECT_EQ(error.Message(), message);
        }
        EXPECT_FALSE(session.Connected());
    }
}

TEST_F(SharedServerTest, StartUpShowsTheRefusedLoginOnceThenTheMainWindow) {
    QTemporaryDir home;
    QDir(home.path()).mkpath(QStringLiteral("vialar"));
    QFile file(home.filePath(QStringLiteral("vialar/vialar.conf")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("database = %1\nuser = SYSDBA\npassword = errada\n")
                   .arg(config.Database)
                   .toUtf8());
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    const QByteArray savedHome = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
    ClearShownMessages();
    SetMessageAnswerer([](const TMessageRequest&) { return TMsgButton::OK; });

    TdmPrincipal connections;
    dmPrincipal = &connections;
    CreateMainWindow();
    const QList<TMessageRequest> shown = ShownMessages();
    EXPECT_NE(Frm_Principal, nullptr);
    delete Frm_Principal;
    Frm_Principal = nullptr;
    dmPrincipal = nullptr;
    SetMessageAnswerer({});
    if (savedHome.isNull()) {
        qunsetenv("XDG_CONFIG_HOME");
    } else {
        qputenv("XDG_CONFIG_HOME", savedHome);
    }

    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown.first().Text.contains(
        QStringLiteral("localhost, porta %1 (banco %2): o servidor recusou o usuário ou a senha")
            .arg(server->Port())
            .arg(database->Path())))
        << shown.first().Text.toStdString();
    EXPECT_FALSE(connections.TorvaneConnection->Connected());
}

// The server stops (as a crash stops it, without a word to its clients) at three
// moments of a save, and is started again each time. The save fails and writes
// nothing, the typed street stays in memory, and once the server is back the same
// session attaches again by itself: the next "Salvar" stores the street.
TEST_F(SharedServerTest, ServerStoppedMidSaveLosesNotTheTypedStreetAndTheNextSaveStoresIt) {
    Workstation ana(config);
    TDataProvider& provider = *ana.module->dspDados;
    const auto stopTheServer = [] { server->Stop(); };
    const struct {
        const char* moment;
        QString nome;
        std::function<void()> arrange;
    } cases[] = {
        {"before the save", QStringLiteral("da Estação"), stopTheServer},
        {"while the row is written", QStringLiteral("do Porto"),
         [&] {
             provider.BeforeUpdateRecord = [&](TDataProvider&, const TDelta&, int, TUpdateKind,
                                               bool&) { stopTheServer(); };
         }},
        {"just before the commit", QStringLiteral("da Ponte"),
         [&] {
             provider.BeforeCommit = [&](TDataProvider&, const TDelta&, int, const TErrorPacket*,
                                         int) { stopTheServer(); };
         }},
    };
    int stored = 300;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.moment);
        ana.NewStreet(c.nome);
        ana.Type("LOCALIZACAO", QStringLiteral("Centro"));
        c.arrange();
        const QString failure = ana.TrySave();
        EXPECT_FALSE(failure.isEmpty()) << "a save without a server must fail";
        provider.BeforeUpdateRecord = nullptr;
        provider.BeforeCommit = nullptr;
        ASSERT_FALSE(server->Running());
        // Saving again while the server is still away fails the same way.
        EXPECT_FALSE(ana.TrySave().isEmpty());

        // The typed street is still there, unsaved, for the user to save again, and no
        // batch is left open.
        EXPECT_EQ(ana.Field("NOME"), c.nome);
        EXPECT_EQ(ana.Field("LOCALIZACAO"), QStringLiteral("Centro"));
        EXPECT_TRUE(ana.Record().State() == dsInsert || ana.Record().ChangeCount() == 1);
        EXPECT_FALSE(ana.connections.TorvaneConnection->InTransaction());

        // Nothing of it reached the database.
        QString whyNot;
        ASSERT_TRUE(server->Restart(&whyNot)) << whyNot.toStdString();
        {
            Workstation bruno(config);
            bruno.module->loadSearchList();
            EXPECT_EQ(bruno.module->cdsPesquisa->RecordCount(), stored);
        }

        // Saving again, on the same session, stores it where everyone sees it.
        const QString again = ana.TrySave();
        EXPECT_TRUE(again.isEmpty()) << again.toStdString();
        ++stored;
        const int id = ana.Record().FieldByName(QStringLiteral("I_ID"))->AsInteger();
        EXPECT_EQ(id, stored);
        Workstation bruno(config);
        bruno.module->loadSearchList();
        EXPECT_EQ(bruno.module->cdsPesquisa->RecordCount(), stored);
        bruno.module->loadRecord(id);
        EXPECT_EQ(bruno.Field("NOME"), c.nome);
    }
}

}  // namespace

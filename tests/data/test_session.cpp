// The session against real database files: opening and closing, the parameter list,
// the load and attach failures, transactions, one-shot statements, the WIN1252 rule,
// and two processes attached to one file.
#include <gtest/gtest.h>
#include <ibase.h>

#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <csignal>
#include <functional>

#include "core/Exception.h"
#include "core/Win1252.h"
#include "data/FirebirdClient.h"
#include "data/SQLDrivers.h"
#include "data/TSQLConnection.h"
#include "data/TSQLQuery.h"
#include "db/StreetDatabase.h"
#include "tests/support/MessageOf.h"
#include "tests/support/TestDatabase.h"

namespace {

TParams Values(const QVariantList& values) {
    TParams params;
    for (int i = 0; i < values.size(); ++i) {
        params.CreateParam(ftUnknown, QStringLiteral("P%1").arg(i), ptInput).SetValue(values[i]);
    }
    return params;
}

TEST(Session, OpensAndCloses) {
    const TestDatabase database = TestDatabase::Sample();
    TSQLConnection connection;
    database.Configure(connection);
    EXPECT_EQ(connection.ConnectionState(), csStateClosed);
    connection.Open();
    EXPECT_TRUE(connection.Connected());
    EXPECT_EQ(connection.ConnectionState(), csStateOpen);
    EXPECT_EQ(connection.QuoteChar(), QStringLiteral("\""));
    connection.Open();  // nothing happens
    EXPECT_EQ(
        connection.Execute(QStringLiteral("UPDATE LOGRADOUROS SET ANO = ANO WHERE I_ID = 1"), {}),
        1);
    connection.Close();
    EXPECT_FALSE(connection.Connected());
    EXPECT_EQ(connection.ConnectionState(), csStateClosed);
    connection.SetConnected(true);
    EXPECT_TRUE(connection.Connected());
}

// The embedded engine catches SIGTERM and swallows it; a program that had attached
// could then no longer be ended by the system. Attaching must leave the dispositions
// the program had.
TEST(Session, AttachingKeepsTheProgramsTerminationSignals) {
    struct sigaction before {};
    sigaction(SIGTERM, nullptr, &before);
    const TestDatabase database = TestDatabase::Sample();
    TSQLConnection connection;
    database.Configure(connection);
    connection.Open();
    struct sigaction after {};
    sigaction(SIGTERM, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler);
    connection.Close();
}

TEST(Session, EmptyValueRemovesParameterLine) {
    const TestDatabase database = TestDatabase::Sample();
    TSQLConnection connection;
    database.Configure(connection);
    connection.Params().SetValue(QStringLiteral("LocaleCode"), QStringLiteral(" 0000 "));
    const int lines = connection.Params().Count();

    connection.Params().SetValue(QStringLiteral("rolename"), QString());
    EXPECT_EQ(connection.Params().Count(), lines - 1);
    EXPECT_EQ(connection.Params().IndexOfName(QStringLiteral("RoleName")), -1);
    EXPECT_EQ(connection.Params().Values(QStringLiteral("RoleName")), QString());

    const TStrings properties = connection.ConnectionProperties();
    EXPECT_EQ(properties.IndexOfName(QStringLiteral("RoleName")), -1);
    EXPECT_EQ(properties.Values(QStringLiteral("LocaleCode")), QStringLiteral("0000"));  // trimmed
    EXPECT_EQ(properties.Values(QStringLiteral("DriverName")), QStringLiteral("Firebird"));
    connection.Open();
    EXPECT_TRUE(connection.Connected());
}

TEST(Session, MissingFileLeavesConnectionClosedUntilItExists) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("LOGRADOUROS.FDB"));
    TSQLConnection connection;
    TestDatabase::Empty().Configure(connection);
    connection.Params().SetValue(QStringLiteral("Database"), path);

    const QString message = MessageOf([&] { connection.Open(); });
    EXPECT_TRUE(message.contains(path)) << qPrintable(message);  // the server's own text
    EXPECT_TRUE(message.contains(QStringLiteral("open"), Qt::CaseInsensitive))
        << qPrintable(message);
    EXPECT_FALSE(connection.Connected());
    EXPECT_EQ(connection.ConnectionState(), csStateClosed);

    StreetDatabase::CreateEmpty(path);
    connection.Open();
    EXPECT_TRUE(connection.Connected());
}

TEST(Session, DriverAndLibraryFailures) {
    const TestDatabase database = TestDatabase::Empty();
    TSQLConnection connection;
    database.Configure(connection);

    connection.SetDriverName(QString());
    EXPECT_EQ(MessageOf([&] { connection.Open(); }), QStringLiteral("Missing DriverName property"));
    EXPECT_EQ(connection.ConnectionState(), csStateClosed);

    TStrings missing = FirebirdDriverDefinition();
    missing.SetValue(QStringLiteral("LibraryName"),
                     QStringLiteral("/nonexistent/libfbclient.so.2"));
    RegisterSQLDriver(QStringLiteral("MissingClient"), missing);
    connection.SetDriverName(QStringLiteral("MissingClient"));
    const QString loadMessage = MessageOf([&] { connection.Open(); });
    EXPECT_TRUE(
        QRegularExpression(
            QStringLiteral(
                "^Unable to load /nonexistent/libfbclient\\.so\\.2 \\(ErrorCode [1-9][0-9]*\\)\\.  "
                "It may be missing from the system path\\.$"))
            .match(loadMessage)
            .hasMatch())
        << qPrintable(loadMessage);
    EXPECT_FALSE(connection.Connected());

    // A library that loads but is not a Firebird client.
    TStrings wrong = FirebirdDriverDefinition();
    wrong.SetValue(QStringLiteral("LibraryName"), QStringLiteral("libz.so.1"));
    RegisterSQLDriver(QStringLiteral("NotFirebird"), wrong);
    connection.SetDriverName(QStringLiteral("NotFirebird"));
    EXPECT_EQ(MessageOf([&] { connection.Open(); }),
              QStringLiteral("Unable to find procedure fb_get_master_interface"));

    connection.SetDriverName(QStringLiteral("Firebird"));
    connection.Open();
    EXPECT_TRUE(connection.Connected());
}

TEST(Session, TransactionsCommitAndRollBack) {
    const TestDatabase database = TestDatabase::Sample();
    TSQLConnection connection;
    database.Configure(connection);
    const QString rename = QStringLiteral("UPDATE LOGRADOUROS SET NOME = ? WHERE I_ID = ?");
    const QString nameOfOne = QStringLiteral("SELECT NOME FROM LOGRADOUROS WHERE I_ID = 1");
    const QString original = database.Scalar(nameOfOne);

    EXPECT_EQ(MessageOf([&] { connection.EndTransaction(true); }),
              QStringLiteral("There is no active transaction"));
    const std::optional<TTransactionDesc> transaction =
        connection.BeginTransaction();  // opens the session
    ASSERT_TRUE(transaction.has_value());
    EXPECT_EQ(transaction->TransactionID, 1u);
    EXPECT_EQ(transaction->IsolationLevel, xilREADCOMMITTED);
    EXPECT_TRUE(connection.InTransaction());
    EXPECT_EQ(MessageOf([&] { connection.BeginTransaction(); }),
              QStringLiteral("A transaction is already active"));

    EXPECT_EQ(connection.Execute(rename, Values({QStringLiteral("RUA NOVA"), 1})), 1);
    EXPECT_EQ(connection.Execute(QStringLiteral("DELETE FROM LOGRADOUROS WHERE I_ID > 290"), {}),
              10);
    // Another attachment does not see the batch before it ends.
    EXPECT_EQ(database.Scalar(nameOfOne), original);
    connection.EndTransaction(false);
    EXPECT_FALSE(connection.InTransaction());
    EXPECT_EQ(database.Scalar(nameOfOne), original);
    EXPECT_EQ(database.StreetCount(), 300);

    connection.BeginTransaction();
    connection.Execute(rename, Values({QStringLiteral("RUA NOVA"), 1}));
    connection.EndTransaction(true);
    EXPECT_EQ(database.Scalar(nameOfOne), QStringLiteral("RUA NOVA"));

    // Closing discards an open transaction.
    connection.BeginTransaction();
    connection.Execute(rename, Values({QStringLiteral("DESCARTADA"), 1}));
    connection.Close();
    EXPECT_EQ(connection.TransactionCount(), 0);
    EXPECT_EQ(database.Scalar(nameOfOne), QStringLiteral("RUA NOVA"));
    EXPECT_EQ(MessageOf([&] { connection.EndTransaction(false); }),
              QStringLiteral("There is no active transaction"));
}

bool LosesTheConnection(const std::function<void()>& action) {
    try {
        action();
    } catch (const EConnectionLost&) {
        return true;
    } catch (const std::exception& other) {
        ADD_FAILURE() << "another failure: " << other.what();
    }
    return false;
}

// Another attachment ends this session's attachment, as a server does when it shuts a
// connection down. The call that meets the end fails with the loss, a batch open on the
// lost attachment is never committed nor carried over, and the next use attaches again.
TEST(Session, LostAttachmentFailsItsCallAndTheNextUseAttachesAgain) {
    const TestDatabase database = TestDatabase::Sample();
    TSQLConnection connection;
    database.Configure(connection);
    const QString rename = QStringLiteral("UPDATE LOGRADOUROS SET NOME = ? WHERE I_ID = 1");
    const QString nameOfOne = QStringLiteral("SELECT NOME FROM LOGRADOUROS WHERE I_ID = 1");
    const QString original = database.Scalar(nameOfOne);
    const auto endTheSessionsAttachment = [&] {
        database.Execute(
            QStringLiteral("DELETE FROM MON$ATTACHMENTS WHERE MON$SYSTEM_FLAG = 0 "
                           "AND MON$ATTACHMENT_ID <> CURRENT_CONNECTION"));
    };

    // Outside a batch, with a query still reading: the statement that meets the end
    // fails; the next use closes the query and runs on a new attachment.
    TSQLQuery reading;
    reading.SetSQLConnection(&connection);
    reading.SQL().SetText(QStringLiteral("SELECT I_ID FROM LOGRADOUROS"));
    reading.Open();
    endTheSessionsAttachment();
    EXPECT_TRUE(LosesTheConnection(
        [&] { connection.Execute(rename, Values({QStringLiteral("PERDIDA")})); }));
    EXPECT_FALSE(connection.Connected());
    EXPECT_EQ(database.Scalar(nameOfOne), original);
    EXPECT_EQ(connection.Execute(rename, Values({QStringLiteral("DE NOVO")})), 1);
    EXPECT_TRUE(connection.Connected());
    EXPECT_FALSE(reading.Active());
    EXPECT_EQ(database.Scalar(nameOfOne), QStringLiteral("DE NOVO"));
    reading.Open();
    EXPECT_EQ(reading.FieldByName(QStringLiteral("I_ID"))->AsInteger(), 1);
    reading.Close();

    // Inside a batch: the commit fails and leaves the batch to its owner; until the
    // owner rolls it back, no statement runs outside it on a new attachment.
    connection.BeginTransaction();
    EXPECT_EQ(connection.Execute(rename, Values({QStringLiteral("NO LOTE")})), 1);
    endTheSessionsAttachment();
    EXPECT_TRUE(LosesTheConnection([&] { connection.EndTransaction(true); }));
    EXPECT_TRUE(connection.InTransaction());
    EXPECT_TRUE(LosesTheConnection(
        [&] { connection.Execute(rename, Values({QStringLiteral("FORA DO LOTE")})); }));
    EXPECT_TRUE(LosesTheConnection([&] { connection.BeginTransaction(); }));
    connection.EndTransaction(false);
    EXPECT_FALSE(connection.InTransaction());
    EXPECT_EQ(database.Scalar(nameOfOne), QStringLiteral("DE NOVO"));
    EXPECT_EQ(connection.Execute(rename, Values({QStringLiteral("DEPOIS")})), 1);
    EXPECT_EQ(database.Scalar(nameOfOne), QStringLiteral("DEPOIS"));
}

// Which failures mean the link is gone: any error code of the vector counts, its
// arguments never do.
TEST(Session, FailuresThatMeanTheConnectionIsLost) {
    const char* host = "servidor";
    const struct {
        const char* failure;
        std::vector<intptr_t> errors;
        bool lost;
    } cases[] = {
        {"read error behind the network error",
         {isc_arg_gds, isc_network_error, isc_arg_string, intptr_t(host), isc_arg_gds,
          isc_net_read_err, isc_arg_end},
         true},
        {"write error", {isc_arg_gds, isc_net_write_err, isc_arg_end}, true},
        {"connection shut down", {isc_arg_gds, isc_att_shutdown, isc_arg_end}, true},
        {"database shut down",
         {isc_arg_gds, isc_shutdown, isc_arg_string, intptr_t(host), isc_arg_end},
         true},
        {"lost connection after a counted string",
         {isc_arg_gds, isc_random, isc_arg_cstring, 8, intptr_t(host), isc_arg_gds,
          isc_lost_db_connection, isc_arg_end},
         true},
        {"duplicate key",
         {isc_arg_gds, isc_unique_key_violation, isc_arg_string, intptr_t(host), isc_arg_end},
         false},
        {"lock conflict",
         {isc_arg_gds, isc_lock_conflict, isc_arg_gds, isc_update_conflict, isc_arg_end},
         false},
        {"a lost code as a number argument",
         {isc_arg_gds, isc_random, isc_arg_number, isc_net_read_err, isc_arg_end},
         false},
        {"no error", {isc_arg_end}, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StatusMeansConnectionLost(c.errors.data()), c.lost) << c.failure;
    }
}

TEST(Session, ExecuteReturnsRowsAffected) {
    const TestDatabase database = TestDatabase::Sample();
    TSQLConnection connection;
    database.Configure(connection);

    // Named markers of a one-shot statement are bound by position.
    EXPECT_EQ(connection.Execute(
                  QStringLiteral("UPDATE LOGRADOUROS SET OBSERVACAO=:OBS WHERE I_ID <= :ATE"),
                  Values({QStringLiteral("revista"), 10})),
              10);
    EXPECT_EQ(connection.ConnectionState(), csStateOpen);
    EXPECT_EQ(
        connection.Execute(QStringLiteral("DELETE FROM LOGRADOUROS WHERE I_ID = ?"), Values({-1})),
        0);
    EXPECT_EQ(connection.Execute(QStringLiteral("UPDATE LOGRADOUROS SET TITULO = ? WHERE I_ID = 2"),
                                 Values({QVariant()})),
              1);
    EXPECT_EQ(database.Scalar(
                  QStringLiteral("SELECT COUNT(*) FROM LOGRADOUROS WHERE OBSERVACAO = 'revista'")),
              QStringLiteral("10"));
    EXPECT_TRUE(
        database.Scalar(QStringLiteral("SELECT TITULO FROM LOGRADOUROS WHERE I_ID = 2")).isNull());

    // The server's message, and the state is back to open.
    const QString duplicate = MessageOf([&] {
        connection.Execute(QStringLiteral("INSERT INTO LOGRADOUROS (I_ID) VALUES (?)"),
                           Values({5}));
    });
    EXPECT_TRUE(duplicate.contains(QStringLiteral("PRIMARY or UNIQUE KEY")))
        << qPrintable(duplicate);
    EXPECT_EQ(connection.ConnectionState(), csStateOpen);
    const QString tooLong = MessageOf([&] {
        connection.Execute(QStringLiteral("UPDATE LOGRADOUROS SET ANO = ? WHERE I_ID = 1"),
                           Values({QStringLiteral("19999")}));
    });
    EXPECT_TRUE(tooLong.contains(QStringLiteral("truncation"))) << qPrintable(tooLong);
    EXPECT_EQ(MessageOf([&] { connection.Execute(QStringLiteral("SELEKT 1"), {}); }).isEmpty(),
              false);
    EXPECT_EQ(connection.ConnectionState(), csStateOpen);
}

TEST(Session, TextRoundTripsAndUnrepresentableCharactersAreRefused) {
    const TestDatabase database = TestDatabase::Sample();
    TSQLConnection connection;
    database.Configure(connection);
    const QString update = QStringLiteral("UPDATE LOGRADOUROS SET NOME = ? WHERE I_ID = 1");

    // Every kind of character WIN1252 has, including its 0x80-0x9F range.
    const QString rich = QStringLiteral("PRAÇA D'ÁVILA – “Ñandú” € œ ™ ¼");
    EXPECT_EQ(connection.Execute(update, Values({rich})), 1);
    EXPECT_EQ(database.Scalar(QStringLiteral("SELECT NOME FROM LOGRADOUROS WHERE I_ID = 1")), rich);

    const QString message =
        MessageOf([&] { connection.Execute(update, Values({QStringLiteral("PRAÇA Ω")})); });
    EXPECT_EQ(message,
              QStringLiteral("O caractere 'Ω' (U+03A9) não pode ser gravado no banco de dados, "
                             "que só aceita caracteres do conjunto WIN1252."));
    EXPECT_EQ(database.Scalar(QStringLiteral("SELECT NOME FROM LOGRADOUROS WHERE I_ID = 1")), rich);
    EXPECT_TRUE(MessageOf([&] {
                    connection.Execute(update, Values({QStringLiteral("RUA 😀")}));
                }).contains(QStringLiteral("(U+1F600)")));

    const struct {
        char16_t character;
        bool representable;
    } cases[] = {{u'A', true},   {u'Ç', true},       {u'ã', true},       {u'€', true},
                 {u'—', true},   {u'\u00A0', true},  {u'ÿ', true},       {u'Ω', false},
                 {u'中', false}, {u'\u0081', false}, {u'\u2212', false}, {u'Ł', false}};
    for (const auto& c : cases) {
        EXPECT_EQ(IsWin1252Representable(QChar(c.character)), c.representable) << int(c.character);
    }
}

// Run as the second process by Session.TwoProcessesShareOneFile; skipped otherwise.
TEST(Session, SecondProcessReads) {
    const QString path = qEnvironmentVariable("VIALAR_SECOND_PROCESS_DATABASE");
    if (path.isEmpty())
        GTEST_SKIP() << "runs only as the second process of TwoProcessesShareOneFile";
    TSQLConnection connection;
    TestDatabase::Empty().Configure(connection);
    connection.Params().SetValue(QStringLiteral("Database"), path);
    connection.Open();
    connection.BeginTransaction();
    const int touched =
        connection.Execute(QStringLiteral("UPDATE LOGRADOUROS SET OBSERVACAO = 'segundo processo' "
                                          "WHERE NOME = 'RUA DO PRIMEIRO'"),
                           {});
    connection.EndTransaction(true);
    std::printf("TOUCHED=%d\n", touched);
    std::fflush(stdout);
}

TEST(Session, TwoProcessesShareOneFile) {
    const TestDatabase database = TestDatabase::Sample();
    TSQLConnection connection;
    database.Configure(connection);
    connection.Open();
    connection.Execute(
        QStringLiteral("UPDATE LOGRADOUROS SET NOME = 'RUA DO PRIMEIRO' WHERE I_ID = 3"), {});

    // This process keeps its attachment while a second process attaches, reads what
    // this one committed and writes; then this one reads what the other wrote.
    QProcess second;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("VIALAR_SECOND_PROCESS_DATABASE"), database.Path());
    second.setProcessEnvironment(environment);
    second.start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("--gtest_filter=Session.SecondProcessReads")});
    ASSERT_TRUE(second.waitForFinished(120000));
    const QString output = QString::fromLocal8Bit(second.readAllStandardOutput());
    EXPECT_EQ(second.exitCode(), 0)
        << qPrintable(output + QString::fromLocal8Bit(second.readAllStandardError()));
    EXPECT_TRUE(output.contains(QStringLiteral("TOUCHED=1"))) << qPrintable(output);

    ASSERT_TRUE(connection.Connected());
    EXPECT_EQ(connection.Execute(
                  QStringLiteral(
                      "UPDATE LOGRADOUROS SET ANO = ANO WHERE OBSERVACAO = 'segundo processo'"),
                  {}),
              1);
}

}  // namespace

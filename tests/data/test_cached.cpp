// The cached data set against real database files: editing with its events and its
// change log, applying and undoing, and ordering and searching in memory.
#include <gtest/gtest.h>

#include "tests/data/StreetChain.h"

namespace {

// Inserts streets (identifier and name only) into an empty database.
TestDatabase namesDatabase(const QList<QPair<int, QVariant>>& streets) {
    TestDatabase database = TestDatabase::Empty();
    for (const auto& [id, name] : streets)
        database.Execute(QStringLiteral("INSERT INTO LOGRADOUROS (I_ID, NOME) VALUES (?, ?)"),
                         {id, name});
    return database;
}

QStringList namesInOrder(TCachedDataSet& set) {
    QStringList names;
    const int nome = set.FieldByName(QStringLiteral("NOME"))->FieldNo();
    for (int row = 0; row < set.RecordCount(); ++row)
        names << (set.IsNullAt(row, nome) ? QStringLiteral("<null>") : set.AsStringAt(row, nome));
    return names;
}

}  // namespace

TEST(CachedDataSet, AppliesInsertChangeAndDeleteAndReadsThemBack) {
    TestDatabase database = TestDatabase::Empty();
    StreetChain chain(database);
    TCachedDataSet& set = *chain.set;
    set.Open();
    ASSERT_EQ(set.RecordCount(), 0);

    // A new row that received only some fields: the others stay unassigned and the
    // INSERT leaves them out; blanks become empty text, not null.
    set.Append();
    chain.field("I_ID").SetAsInteger(10);
    chain.field("NOME").SetAsString(QStringLiteral("Rua Nova  "));
    chain.field("PLEI").SetAsString(QStringLiteral("   "));
    EXPECT_TRUE(chain.field("TIPO").IsNull());
    set.Post();
    // Changed again before applying: still one insert, with the newest values.
    set.Edit();
    chain.field("TIPO").SetAsString(QStringLiteral("RUA"));
    set.Post();
    EXPECT_EQ(set.ChangeCount(), 1);
    EXPECT_EQ(set.ApplyUpdates(0), 0);
    EXPECT_EQ(set.ChangeCount(), 0);
    EXPECT_EQ(database.Query(QStringLiteral("SELECT I_ID, NOME, PLEI, TIPO, ANO FROM LOGRADOUROS")),
              (QList<QStringList>{{"10", "Rua Nova", "", "RUA", QString()}}));

    set.Edit();
    chain.field("NOME").SetAsString(QStringLiteral("Rua Velha"));
    chain.field("TIPO").Clear();
    set.Post();
    set.Edit();  // a second change of the same row keeps its first old values
    chain.field("ANO").SetAsString(QStringLiteral("2020"));
    set.Post();
    EXPECT_EQ(set.ChangeCount(), 1);
    EXPECT_EQ(set.ApplyUpdates(0), 0);
    EXPECT_EQ(database.Query(QStringLiteral("SELECT I_ID, NOME, PLEI, TIPO, ANO FROM LOGRADOUROS")),
              (QList<QStringList>{{"10", "Rua Velha", "", QString(), "2020"}}));

    set.Delete();
    EXPECT_EQ(set.RecordCount(), 0);
    EXPECT_EQ(set.ApplyUpdates(0), 0);
    EXPECT_EQ(database.StreetCount(), 0);
    EXPECT_EQ(set.ApplyUpdates(0), 0);  // an empty log sends nothing
}

TEST(CachedDataSet, RowDeletedByAnotherUserFailsTheWholeBatch) {
    TestDatabase database = TestDatabase::Sample();
    StreetChain chain(database);
    TCachedDataSet& set = *chain.set;
    set.Open();
    const int count = set.RecordCount();
    const QString name3 =
        database.Scalar(QStringLiteral("SELECT NOME FROM LOGRADOUROS WHERE I_ID = 3"));
    QStringList reconciled;
    set.OnReconcileError = [&](TCachedDataSet&, EApplyError& error, TUpdateKind kind,
                               TReconcileAction& action) {
        reconciled << error.Message();
        EXPECT_EQ(kind, ukDelete);
        EXPECT_EQ(action, raAbort);
    };

    chain.go(3);
    set.Edit();
    chain.field("NOME").SetAsString(QStringLiteral("TROCADO"));
    set.Post();
    database.Execute(QStringLiteral("DELETE FROM LOGRADOUROS WHERE I_ID = 5"));
    chain.go(5);
    set.Delete();

    EXPECT_EQ(set.ApplyUpdates(0), 1);
    EXPECT_EQ(reconciled, QStringList{"Record not found or changed by another user"});
    // Rolled back: the change made before the failing row is not in the database either.
    EXPECT_EQ(database.Scalar(QStringLiteral("SELECT NOME FROM LOGRADOUROS WHERE I_ID = 3")),
              name3);
    EXPECT_EQ(set.ChangeCount(), 2);

    set.CancelUpdates();
    EXPECT_EQ(set.ChangeCount(), 0);
    EXPECT_EQ(set.RecordCount(), count);
    chain.go(3);
    EXPECT_EQ(chain.field("NOME").AsString(), name3);
    chain.go(5);
}

TEST(CachedDataSet, MaxErrorsMinusOneCommitsTheRowsThatSucceeded) {
    TestDatabase database = TestDatabase::Sample();
    StreetChain chain(database);
    TCachedDataSet& set = *chain.set;
    set.Open();
    database.Execute(QStringLiteral("DELETE FROM LOGRADOUROS WHERE I_ID = 2"));
    chain.go(2);
    set.Delete();
    chain.go(4);
    set.Edit();
    chain.field("NOME").SetAsString(QStringLiteral("GRAVADO"));
    set.Post();

    EXPECT_EQ(set.ApplyUpdates(-1), 1);
    EXPECT_EQ(database.Scalar(QStringLiteral("SELECT NOME FROM LOGRADOUROS WHERE I_ID = 4")),
              "GRAVADO");
    EXPECT_EQ(set.ChangeCount(), 1);  // only the failed delete stays

    // The failed change is sent again with the next batch.
    database.Execute(QStringLiteral("INSERT INTO LOGRADOUROS (I_ID, NOME) VALUES (2, 'DE VOLTA')"));
    EXPECT_EQ(set.ApplyUpdates(0), 0);
    EXPECT_EQ(set.ChangeCount(), 0);
    EXPECT_TRUE(
        database.Query(QStringLiteral("SELECT I_ID FROM LOGRADOUROS WHERE I_ID = 2")).isEmpty());
}

// Without a unique key an UPDATE may match two rows. The batch is rolled back at once;
// even with no error limit nothing of it may count as applied, since the rollback took
// the rows before the failing one with it.
TEST(CachedDataSet, UpdateMatchingTwoRowsRollsTheBatchBack) {
    TestDatabase database = TestDatabase::Empty();
    database.Execute(QStringLiteral("CREATE TABLE RUAS (ID INTEGER, NOME VARCHAR(20))"));
    database.Execute(QStringLiteral("INSERT INTO RUAS (ID, NOME) VALUES (1, 'A')"));
    database.Execute(QStringLiteral("INSERT INTO RUAS (ID, NOME) VALUES (1, 'B')"));
    for (const int maxErrors : {0, -1}) {
        SCOPED_TRACE(maxErrors);
        StreetChain chain(database, QStringLiteral("SELECT ID, NOME FROM RUAS"), false);
        TCachedDataSet& set = *chain.set;
        set.Open();
        QStringList messages;
        set.OnReconcileError = [&](TCachedDataSet&, EApplyError& error, TUpdateKind,
                                   TReconcileAction&) { messages << error.Message(); };
        // The set made its own fields; mark the identifier as the key.
        chain.field("ID").SetProviderFlags(TProviderFlags(pfInUpdate) | pfInWhere | pfInKey);
        set.Append();
        chain.field("ID").SetAsInteger(7);
        set.Post();
        set.First();
        set.Edit();
        chain.field("NOME").SetAsString(QStringLiteral("C"));
        set.Post();

        EXPECT_EQ(set.ApplyUpdates(maxErrors), 1);
        EXPECT_EQ(messages, QStringList{"Update affected more than 1 record."});
        EXPECT_FALSE(chain.connection->InTransaction());
        EXPECT_EQ(database.Query(QStringLiteral("SELECT ID, NOME FROM RUAS ORDER BY NOME")),
                  (QList<QStringList>{{"1", "A"}, {"1", "B"}}));
        EXPECT_EQ(set.ChangeCount(), 2);
    }
}

TEST(CachedDataSet, ProviderLeavesTheCallersTransactionAlone) {
    TestDatabase database = TestDatabase::Sample();
    StreetChain chain(database);
    TCachedDataSet& set = *chain.set;
    set.Open();
    const QString before =
        database.Scalar(QStringLiteral("SELECT NOME FROM LOGRADOUROS WHERE I_ID = 1"));
    chain.connection->BeginTransaction();
    chain.go(1);
    set.Edit();
    chain.field("NOME").SetAsString(QStringLiteral("NA TRANSACAO"));
    set.Post();
    EXPECT_EQ(set.ApplyUpdates(0), 0);
    EXPECT_TRUE(chain.connection->InTransaction());
    EXPECT_EQ(database.Scalar(QStringLiteral("SELECT NOME FROM LOGRADOUROS WHERE I_ID = 1")),
              before);
    chain.connection->Rollback();
    EXPECT_EQ(database.Scalar(QStringLiteral("SELECT NOME FROM LOGRADOUROS WHERE I_ID = 1")),
              before);
}

// A batch can stop at a failing row without being rolled back: inside the caller's
// transaction, or when a handler aborts under a limit that lets the batch commit. The
// changes after that row were never executed; they stay in the log and go with the
// next batch.
TEST(CachedDataSet, ChangesAfterTheRowThatStoppedTheBatchStayInTheLog) {
    struct {
        const char* what;
        bool callersTransaction;
        int maxErrors;
    } const cases[] = {{"inside the caller's transaction", true, 0},
                       {"aborted by a handler with no error limit", false, -1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TestDatabase database = TestDatabase::Sample();
        StreetChain chain(database);
        TCachedDataSet& set = *chain.set;
        set.Open();
        chain.provider->OnUpdateError = [](TDataProvider&, const TDelta&, int, EUpdateError&,
                                           TUpdateKind,
                                           TResolverResponse& response) { response = rrAbort; };
        const QString name4 =
            database.Scalar(QStringLiteral("SELECT NOME FROM LOGRADOUROS WHERE I_ID = 4"));
        database.Execute(QStringLiteral("DELETE FROM LOGRADOUROS WHERE I_ID = 2"));
        chain.go(2);
        set.Delete();
        chain.go(4);
        set.Edit();
        chain.field("NOME").SetAsString(QStringLiteral("DEPOIS"));
        set.Post();

        if (c.callersTransaction) chain.connection->BeginTransaction();
        EXPECT_EQ(set.ApplyUpdates(c.maxErrors), 1);
        if (c.callersTransaction) chain.connection->Commit();
        EXPECT_EQ(set.ChangeCount(), 2);
        EXPECT_EQ(database.Scalar(QStringLiteral("SELECT NOME FROM LOGRADOUROS WHERE I_ID = 4")),
                  name4);

        database.Execute(QStringLiteral("INSERT INTO LOGRADOUROS (I_ID) VALUES (2)"));
        EXPECT_EQ(set.ApplyUpdates(0), 0);
        EXPECT_EQ(set.ChangeCount(), 0);
        EXPECT_EQ(database.Scalar(QStringLiteral("SELECT NOME FROM LOGRADOUROS WHERE I_ID = 4")),
                  "DEPOIS");
    }
}

TEST(CachedDataSet, EditingEventsAndRequiredFields) {
    TestDatabase database = TestDatabase::Empty();
    StreetChain chain(database);
    TCachedDataSet& set = *chain.set;
    QStringList events;
    auto log = [&](const char* name) {
        return [&events, name](TCachedDataSet&) { events << QString::fromLatin1(name); };
    };
    set.BeforeInsert = log("BeforeInsert");
    set.BeforeScroll = log("BeforeScroll");
    set.OnNewRecord = log("OnNewRecord");
    set.AfterScroll = log("AfterScroll");
    set.AfterPost = log("AfterPost");
    set.BeforeCancel = log("BeforeCancel");
    set.AfterInsert = [&](TCachedDataSet&) {
        events << "AfterInsert";
        chain.field("NOME").SetAsString(QStringLiteral("NOVA"));  // counts as a change
    };
    set.Open();

    // Edit on an empty set inserts.
    set.Edit();
    EXPECT_EQ(set.State(), dsInsert);
    EXPECT_EQ(events, (QStringList{"BeforeInsert", "BeforeScroll", "OnNewRecord", "AfterInsert",
                                   "AfterScroll"}));
    EXPECT_TRUE(set.Modified());

    // I_ID is required: refused, and the state stays.
    events.clear();
    EXPECT_EQ(failureOf([&] { set.CheckBrowseMode(); }), "Field 'I_ID' must have a value");
    EXPECT_EQ(set.State(), dsInsert);

    // A BeforePost handler may fill it; the modified row is posted, not cancelled.
    set.BeforePost = [&](TCachedDataSet&) {
        events << "BeforePost";
        chain.field("I_ID").SetAsInteger(1);
    };
    set.CheckBrowseMode();
    EXPECT_EQ(events, (QStringList{"BeforePost", "AfterPost"}));
    EXPECT_EQ(set.State(), dsBrowse);
    EXPECT_EQ(set.RecordCount(), 1);
    EXPECT_EQ(failureOf([&] { chain.field("NOME").SetAsString(QStringLiteral("X")); }),
              "Dataset not in edit or insert mode");

    // Delete while inserting drops the new row and logs nothing more.
    set.BeforeInsert = nullptr;
    set.AfterInsert = nullptr;
    set.Append();
    set.Delete();
    EXPECT_EQ(set.RecordCount(), 1);
    EXPECT_EQ(set.ChangeCount(), 1);
    set.CancelUpdates();
    EXPECT_EQ(set.RecordCount(), 0);
    EXPECT_EQ(failureOf([&] { set.Delete(); }),
              "Cannot perform this operation on an empty dataset");
}

TEST(CachedDataSet, OrdersTextByCollationWithNullsFirst) {
    TestDatabase database = namesDatabase({{1, "RUA B"},
                                           {2, "rua a"},
                                           {3, "RUA Á"},
                                           {4, QVariant()},
                                           {5, "RUA A"},
                                           {6, "RUA-A"},
                                           {7, "D'AVILA"},
                                           {8, ""},
                                           {9, "DA"}});
    StreetChain chain(database);
    TCachedDataSet& set = *chain.set;
    set.Open();
    chain.go(5);
    set.SetIndexFieldNames(QStringLiteral("NOME"));
    // A blank sorts before a hyphen: both are symbols, not ignored.
    EXPECT_EQ(namesInOrder(set), (QStringList{"<null>", "", "D'AVILA", "DA", "rua a", "RUA A",
                                              "RUA Á", "RUA B", "RUA-A"}));
    EXPECT_EQ(chain.field("I_ID").AsInteger(), 5);  // the current row stays current

    // The order survives reopening, and follows a posted change.
    set.Close();
    set.Open();
    EXPECT_EQ(namesInOrder(set).mid(0, 3), (QStringList{"<null>", "", "D'AVILA"}));
    chain.go(1);
    set.Edit();
    chain.field("NOME").SetAsString(QStringLiteral("ALAMEDA"));
    set.Post();
    EXPECT_EQ(namesInOrder(set).mid(0, 3), (QStringList{"<null>", "", "ALAMEDA"}));
    EXPECT_EQ(chain.field("I_ID").AsInteger(), 1);
}

TEST(CachedDataSet, FindNearestMovesToTheFirstRowNotBelowTheKey) {
    TestDatabase database =
        namesDatabase({{1, "RUA B"}, {2, QVariant()}, {3, "RUA A"}, {4, "AVENIDA"}, {6, "RUA-C"}});
    StreetChain chain(database);
    TCachedDataSet& set = *chain.set;
    set.Open();
    EXPECT_EQ(failureOf([&] { set.FindNearest(QStringList{"RUA"}); }), "No index currently active");

    set.SetIndexFieldNames(QStringLiteral("NOME"));
    const struct {
        const char* key;
        int id;
    } textCases[] = {
        {"", 4},                    // empty text: the first row that is not null
        {"A", 4},                   // before every key
        {"rua", 3},                 // a typed prefix finds the first name it starts
        {"RUA A", 3},               // exact
        {"RUA AA", 1},              // between two keys
        {"RUA-", 6},   {"ZZZ", 6},  // after every key: the last row
    };
    for (const auto& c : textCases) {
        set.FindNearest(QStringList{QString::fromLatin1(c.key)});
        EXPECT_EQ(chain.field("I_ID").AsInteger(), c.id) << c.key;
    }

    set.SetIndexFieldNames(QStringLiteral("I_ID"));
    const struct {
        const char* key;
        int id;
    } integerCases[] = {{"3", 3}, {"5", 6}, {"0", 1}, {"99", 6}};
    for (const auto& c : integerCases) {
        set.FindNearest(QStringList{QString::fromLatin1(c.key)});
        EXPECT_EQ(chain.field("I_ID").AsInteger(), c.id) << c.key;
    }
    set.FindNearest(QVariantList{4});
    EXPECT_EQ(chain.field("I_ID").AsInteger(), 4);
    EXPECT_EQ(failureOf([&] { set.FindNearest(QStringList{"RUA"}); }),
              "'RUA' is not a valid integer value for field 'I_ID'");
    EXPECT_EQ(set.State(), dsBrowse);

    // Two fields: the type orders first, the name within it; a key may give fewer values.
    set.Close();
    database.Execute(QStringLiteral("UPDATE LOGRADOUROS SET TIPO = 'RUA' WHERE I_ID IN (1, 3, 6)"));
    database.Execute(QStringLiteral("UPDATE LOGRADOUROS SET TIPO = 'AV' WHERE I_ID = 4"));
    set.SetIndexFieldNames(QStringLiteral("TIPO;NOME"));
    set.Open();
    const struct {
        QStringList key;
        int id;
    } pairCases[] = {
        {{"RUA", "RUA B"}, 1}, {{"RUA"}, 3},  {{"AV", "Z"}, 3},
        {{"av", "a"}, 4},      {{"", ""}, 4}, {{"RUA", "ZZZ"}, 6},
    };
    for (const auto& c : pairCases) {
        set.FindNearest(c.key);
        EXPECT_EQ(chain.field("I_ID").AsInteger(), c.id) << c.key.join(u';').toStdString();
    }
}

TEST(CachedDataSet, OpenFailures) {
    TestDatabase database = TestDatabase::Empty();
    StreetChain chain(database);
    TCachedDataSet& set = *chain.set;

    set.SetProviderName(QStringLiteral("dspNenhum"));
    EXPECT_EQ(failureOf([&] { set.Open(); }), "Missing data provider or data packet");
    set.SetProviderName(QStringLiteral("dspDados"));

    set.SetCommandText(QStringLiteral("SELECT I_ID FROM LOGRADOUROS"));
    EXPECT_EQ(failureOf([&] { set.Open(); }), "CommandText changes are not allowed");
    EXPECT_FALSE(set.Active());
    set.SetCommandText(QString());

    set.SetIndexFieldNames(QStringLiteral("NADA"));
    EXPECT_EQ(failureOf([&] { set.Open(); }), "Field 'NADA' not found");
    EXPECT_FALSE(set.Active());
    set.SetIndexFieldNames(QString());

    EXPECT_EQ(failureOf([&] { set.RecordCount(); }),
              "Cannot perform this operation on a closed dataset");

    StreetChain undeclared(database, kAllStreetsSql, false);
    undeclared.set->AddField([] {
        auto field = std::make_unique<TIntegerField>();
        field->SetFieldName(QStringLiteral("NOME"));
        return field;
    }());
    EXPECT_EQ(failureOf([&] { undeclared.set->Open(); }),
              "Type mismatch for field 'NOME', expecting: Integer actual: String");
}

TEST(CachedDataSet, GridReadsAnyRowWithoutMoving) {
    TestDatabase database = TestDatabase::Sample();
    StreetChain chain(database);
    TCachedDataSet& set = *chain.set;
    chain.field("I_ID").SetDisplayFormat(QStringLiteral("000000"));
    set.Open();
    set.SetRecNo(3);
    EXPECT_EQ(set.DisplayTextAt(41, 0), "000042");
    EXPECT_EQ(set.AsStringAt(41, 0), "42");
    EXPECT_EQ(set.RecNo(), 3);
    EXPECT_EQ(chain.field("I_ID").AsInteger(), 3);

    // The row being edited shows what was typed, the others what is stored.
    set.Edit();
    chain.field("NOME").SetAsString(QStringLiteral("EM EDICAO"));
    const int nome = chain.field("NOME").FieldNo();
    EXPECT_EQ(set.AsStringAt(2, nome), "EM EDICAO");
    EXPECT_NE(set.AsStringAt(3, nome), "EM EDICAO");
    chain.field("NOME").Clear();
    EXPECT_TRUE(set.IsNullAt(2, nome));
    set.Cancel();
    EXPECT_FALSE(set.IsNullAt(2, nome));
}

TEST(CachedDataSet, FieldsMadeWithTheSetAsOwnerAreItsDeclaredFields) {
    TestDatabase database = TestDatabase::Sample();
    StreetChain chain(database, kAllStreetsSql, false);
    TCachedDataSet& set = *chain.set;
    auto* nome = new TStringField(&set);
    nome->SetFieldName(QStringLiteral("NOME"));
    nome->SetSize(300);  // larger than the column: reduced at Open
    for (int open = 0; open < 2; ++open) {
        set.Open();
        EXPECT_FALSE(set.DefaultFields());
        ASSERT_EQ(set.FieldCount(), 1);
        EXPECT_EQ(set.Fields(0), nome);
        EXPECT_EQ(nome->Size(), 255);
        EXPECT_FALSE(nome->AsString().isEmpty());
        set.Close();
    }
}

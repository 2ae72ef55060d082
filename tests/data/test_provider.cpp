// The provider's requests: parameters, records (with who opens and closes the query),
// command text, and the refusal to apply through a read-only provider.
#include <gtest/gtest.h>

#include "data/TParams.h"
#include "db/StreetSample.h"
#include "tests/data/StreetChain.h"

namespace {

const char* const kOneStreetSql =
    "SELECT A.I_ID, A.PLEI, A.PANO, A.LEI, A.ANO, A.TIPO, A.NOME, A.TITULO, A.NOME_USUAL,"
    " A.LOCALIZACAO, A.OBSERVACAO FROM LOGRADOUROS A WHERE A.I_ID=:UM";

}  // namespace

TEST(Provider, PacksEveryRowAndLeavesTheQueryAsItFoundIt) {
    TestDatabase database = TestDatabase::Sample();
    StreetChain chain(database);
    TDataProvider& provider = *chain.provider;
    provider.SetOptions(poNoReset);

    int sent = 0;
    TDataPacket packet = provider.GetRecords(-1, sent, grMetaData, QString(), TParams());
    EXPECT_EQ(sent, kSampleStreetCount);
    ASSERT_EQ(packet.Rows.size(), size_t(kSampleStreetCount));
    ASSERT_EQ(packet.Columns.size(), size_t(11));
    EXPECT_EQ(packet.Columns[0].Name, "I_ID");
    EXPECT_TRUE(packet.Columns[0].ProviderFlags.testFlag(pfInKey));
    EXPECT_EQ(packet.Columns[6].Size, 255);
    EXPECT_EQ(packet.Rows[0].Integer(0), 1);
    EXPECT_EQ(packet.Rows[0].Text(6).toString(),
              database.Scalar(QStringLiteral("SELECT NOME FROM LOGRADOUROS WHERE I_ID = 1")));
    EXPECT_TRUE(packet.NoResetCall);
    EXPECT_EQ(packet.LCID, 0);
    EXPECT_FALSE(chain.query->Active());  // the provider opened it, so it closed it

    // A query that was open already stays open, back on its first row.
    chain.query->Open();
    chain.query->Next();
    packet = provider.GetRecords(-1, sent, grMetaData, QString(), TParams());
    EXPECT_EQ(sent, kSampleStreetCount - 1);  // from the current row onward
    EXPECT_TRUE(chain.query->Active());
    EXPECT_EQ(chain.query->FieldByName(QStringLiteral("I_ID"))->AsInteger(), 1);

    // A reset for no rows only resets.
    packet = provider.GetRecords(0, sent, grReset, QString(), TParams());
    EXPECT_EQ(sent, 0);
    EXPECT_TRUE(packet.Rows.empty());
    EXPECT_TRUE(chain.query->Active());
}

TEST(Provider, HandsOutParametersAndRunsWithThem) {
    TestDatabase database = TestDatabase::Sample();
    StreetChain noParameters(database);
    EXPECT_TRUE(noParameters.provider->GetParams().IsEmpty());
    noParameters.set->FetchParams();
    EXPECT_EQ(noParameters.set->Params().Count(), 0);

    StreetChain chain(database, QString::fromLatin1(kOneStreetSql));
    TCachedDataSet& set = *chain.set;
    set.FetchParams();
    ASSERT_EQ(set.Params().Count(), 1);
    EXPECT_EQ(set.Params()[0].Name(), "UM");
    EXPECT_TRUE(set.Params()[0].IsNull());
    for (const int id : {7, 12345}) {
        set.Close();
        set.FetchParams();
        set.Params().ParamByName(QStringLiteral("um")).SetAsInteger(id);
        set.Open();
        EXPECT_EQ(set.RecordCount(), id == 7 ? 1 : 0);
    }
    EXPECT_EQ(chain.field("I_ID").AsInteger(), 0);  // no row: reads as null
    set.Close();
    set.FetchParams();  // the query's values of its last open
    EXPECT_EQ(set.Params()[0].AsInteger(), 12345);
}

TEST(Provider, RunsCommandTextOnlyWhenAllowed) {
    TestDatabase database = TestDatabase::Sample();
    StreetChain chain(database, QStringLiteral("SELECT I_ID FROM LOGRADOUROS"), false);
    TCachedDataSet& set = *chain.set;
    set.SetCommandText(QStringLiteral("SELECT COALESCE(MAX(I_ID),'0') FROM LOGRADOUROS"));
    EXPECT_EQ(failureOf([&] { set.Open(); }), "CommandText changes are not allowed");
    chain.provider->SetOptions(poAllowCommandText);
    set.Open();
    ASSERT_EQ(set.RecordCount(), 1);
    EXPECT_EQ(set.Fields(0)->AsInteger(), kSampleStreetCount);
    EXPECT_TRUE(set.DefaultFields());
}

TEST(Provider, ReadOnlyProviderRefusesToApply) {
    TestDatabase database = TestDatabase::Sample();
    StreetChain chain(database);
    TCachedDataSet& set = *chain.set;
    set.Open();
    chain.provider->SetOptions(poReadOnly);  // after the packet, so the set allows editing
    set.Edit();
    chain.field("NOME").SetAsString(QStringLiteral("X"));
    set.Post();
    EXPECT_EQ(failureOf([&] { set.ApplyUpdates(0); }),
              "Cannot apply updates to a ReadOnly provider");
    EXPECT_FALSE(chain.connection->InTransaction());
    EXPECT_EQ(set.ChangeCount(), 1);
}

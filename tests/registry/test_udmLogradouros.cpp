// The street data module on its own: loading one street and the search list.
#include "tests/registry/RegistryFixture.h"

TEST_F(RegistryTest, ModuleLoadsOneStreetOrNothingAndTheListInCapitals) {
    TestDatabase streets = TestDatabase::Empty();
    streets.Execute(
        QStringLiteral("INSERT INTO LOGRADOUROS (I_ID, PLEI, PANO, TIPO, NOME, "
                       "NOME_USUAL) VALUES (3, '12/b', '1999', 'Rua', "
                       "'das Flores', 'Flores')"));
    database.emplace(std::move(streets));
    dmPrincipal = new TdmPrincipal;
    database->Configure(*dmPrincipal->TorvaneConnection);
    QObject owner;
    TdmLogradouros* module = new TdmLogradouros(&owner);

    module->loadRecord(3);
    EXPECT_EQ(module->cdsDados->RecordCount(), 1);
    EXPECT_EQ(module->cdsDados->FieldByName(QStringLiteral("NOME"))->AsString(), "das Flores");
    EXPECT_EQ(module->cdsDados->FieldByName(QStringLiteral("I_ID"))->Text(), "000003");
    for (const QString& missing : {QStringLiteral("4"), QString()}) {
        module->loadRecord(missing);  // an empty identifier selects nothing, without error
        EXPECT_EQ(module->cdsDados->State(), dsBrowse);
        EXPECT_EQ(module->cdsDados->RecordCount(), 0);
    }

    module->loadSearchList();
    TCachedDataSet& list = *module->cdsPesquisa;
    ASSERT_EQ(list.RecordCount(), 1);
    EXPECT_EQ(list.FieldByName(QStringLiteral("PLEI"))->AsString(), "12/b");
    EXPECT_EQ(list.FieldByName(QStringLiteral("TIPO"))->AsString(), "RUA");
    EXPECT_EQ(list.FieldByName(QStringLiteral("NOME"))->AsString(), "DAS FLORES");
    EXPECT_EQ(list.FieldByName(QStringLiteral("NOME_USUAL"))->AsString(), "FLORES");
    EXPECT_TRUE(list.FieldByName(QStringLiteral("TITULO"))->IsNull());
}

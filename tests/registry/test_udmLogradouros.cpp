// The street data module on its own: loading one street and the search list, and the
// registry's rules shared with vialar-tool's import.
#include "core/Exception.h"
#include "registry/StreetRules.h"
#include "tests/registry/RegistryFixture.h"
#include "toolkit/TComponents.h"

namespace {

class ModuleTest : public RegistryTest {
protected:
    // A street data module, without its window, on a database holding one street.
    TdmLogradouros* ModuleOn(const QString& insertStreet) {
        TestDatabase streets = TestDatabase::Empty();
        streets.Execute(insertStreet);
        database.emplace(std::move(streets));
        dmPrincipal = new TdmPrincipal;
        database->Configure(*dmPrincipal->TorvaneConnection);
        return new TdmLogradouros(&owner);
    }

    // The module goes before the session its queries use.
    void TearDown() override {
        qDeleteAll(owner.children());
        RegistryTest::TearDown();
    }

    QObject owner;
};

}  // namespace

TEST_F(ModuleTest, ModuleLoadsOneStreetOrNothingAndTheListInCapitals) {
    TdmLogradouros* module =
        ModuleOn(QStringLiteral("INSERT INTO LOGRADOUROS (I_ID, PLEI, PANO, TIPO, NOME, "
                                "NOME_USUAL) VALUES (3, '12/b', '1999', 'Rua', "
                                "'das Flores', 'Flores')"));

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

TEST_F(ModuleTest, NoNewStreetPastTheLargestIdentifier) {
    // One more than the largest 32-bit identifier would wrap round to a negative one.
    TdmLogradouros* module = ModuleOn(
        QStringLiteral("INSERT INTO LOGRADOUROS (I_ID, NOME) VALUES (2147483647, 'ÚLTIMA')"));    module->loadRecord(2147483647);
    try {
        module->cdsDados->Append();
        ADD_FAILURE() << "a new street got identifier "
                      << module->cdsDados->FieldByName(QStringLiteral("I_ID"))->AsInteger();
    } catch (const EDatabaseError& error) {
        EXPECT_TRUE(error.Message().startsWith(QStringLiteral("Não há identificador livre")))
            << error.Message().toStdString();
    }
}

TEST_F(RegistryTest, TheWindowsRequiredBoxesAreTheRequiredColumns) {
    // The window checks its boxes whose names end with "J", in design order; the import
    // checks StreetRules::RequiredColumns(). Both must be the same columns in the same order.
    const TFrm_Logradouros& form = Open(TestDatabase::Empty());
    QStringList required;
    for (QObject* component : OwnedComponents(&form)) {
        const auto* box = qobject_cast<TDBEdit*>(component);
        if (box && box->objectName().endsWith(QLatin1Char('J'), Qt::CaseInsensitive))
            required << box->DataField();
    }
    EXPECT_EQ(required, StreetRules::RequiredColumns());
}

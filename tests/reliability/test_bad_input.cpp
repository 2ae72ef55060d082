// Hostile text at the edges users touch: names with apostrophes, quotes, semicolons,
// percent signs, very long text and characters Windows-1252 cannot hold, typed into
// the registry window and saved. Each must be stored exactly as the window shows it
// (in capitals, cut at the column's width) and found again by the duplicate-name check,
// whose query carries the text as a literal; a character the database cannot hold
// never reaches the database.
#include "tests/registry/RegistryFixture.h"

namespace {

struct HostileName {
    const char* What;
    QString Typed;
    QString Stored;  // as the box shows it; the table keeps it cut at each column's width
};

const QString kLong = QString(600, QLatin1Char('x'));

const HostileName kHostileNames[] = {
    {"apostrophe", QStringLiteral("d'água"), QStringLiteral("D'ÁGUA")},
    {"double quotes", QStringLiteral("rua \"nova\""), QStringLiteral("RUA \"NOVA\"")},
    {"statement end and comment", QStringLiteral("x'; delete from logradouros; --"),
     QStringLiteral("X'; DELETE FROM LOGRADOUROS; --")},
    {"like wildcards", QStringLiteral("100% _a_"), QStringLiteral("100% _A_")},
    {"longer than the columns", kLong, QString(600, QLatin1Char('X'))},
    // Characters without a Windows-1252 byte are refused as they are typed.
    {"outside Windows-1252", QStringLiteral("Łódź €"), QStringLiteral("ÓD €")},
};

}  // namespace

TEST_F(RegistryTest, HostileNamesAreStoredFaithfullyAndFoundAgain) {
    TFrm_Logradouros& frm = Open(TestDatabase::Empty());
    int id = 0;
    for (const HostileName& name : kHostileNames) {
        SCOPED_TRACE(name.What);
        ClearShownMessages();
        frm.Botao_Novo->click();
        Type(frm.C3J, QStringLiteral("1"));
        Type(frm.C4J, QStringLiteral("2001"));
        Type(frm.C5, QStringLiteral("rua"));
        Type(frm.C6J, name.Typed);
        Type(frm.C10, name.Typed);
        frm.Botao_Salvar->click();
        ASSERT_TRUE(Messages().isEmpty()) << Messages().join('|').toStdString();
        ++id;
        EXPECT_EQ(database->Query(QStringLiteral("SELECT NOME, OBSERVACAO FROM LOGRADOUROS "
                                                 "WHERE I_ID = ?"),
                                  {id}),
                  (QList<QStringList>{{name.Stored.left(255), name.Stored.left(500)}}));

        // The same name again is found as a duplicate of the street just stored.
        frm.Botao_Novo->click();
        Type(frm.C5, QStringLiteral("rua"));
        Type(frm.C6J, name.Typed);
        frm.C8->setFocus();
        EXPECT_EQ(Messages().value(0),
                  QStringLiteral("Atenção, Nome da Rua já cadastrado no código : %1")
                      .arg(id, 6, 10, QLatin1Char('0')));
        frm.Botao_Cancelar->click();
    }
    EXPECT_EQ(database->StreetCount(), id);
}

TEST_F(RegistryTest, TextTheDatabaseCannotHoldIsRefusedWithoutStoringAnything) {
    // Past the boxes (a value set by code): the save is refused with the program's
    // message and nothing, not even a replaced character, reaches the table.
    TFrm_Logradouros& frm = Open(TestDatabase::Empty());
    frm.Botao_Novo->click();
    Type(frm.C3J, QStringLiteral("1"));
    Type(frm.C4J, QStringLiteral("2001"));
    Type(frm.C6J, QStringLiteral("placeholder"));
    Record().FieldByName(QStringLiteral("NOME"))->SetAsString(QStringLiteral("Łódź"));
    frm.Botao_Salvar->click();
    EXPECT_EQ(Messages().size(), 1);
    EXPECT_TRUE(Messages().value(0).startsWith(QStringLiteral("Atenção"))) << Messages().value(0).toStdString();
    EXPECT_EQ(database->StreetCount(), 0);
}

// The registry window's record page: its look in each state, the record commands and
// the two checks, against a real database and real widgets.
#include <QPushButton>
#include <QTabWidget>

#include "data/TDataProvider.h"
#include "tests/registry/RegistryFixture.h"
#include "tests/support/CommitRefusal.h"

namespace {

const QString kRequired = QStringLiteral("Campo com preenchimento obrigatório!");
const QString kRefused = QStringLiteral(
    "Atenção, esse registro tem informações confusas, confirme informações ou cancele "
    "procedimento!");

// What the presentation refresh decides, read back from the widgets.
struct Look {
    QString title;
    bool searchTab;
    QList<bool> buttons;  // Novo, Salvar, Alterar, Cancelar, Excluir, Fechar
    TColor boxColor;      // of the ten C boxes
    bool boxesReadOnly;

    bool operator==(const Look&) const = default;
};

void PrintTo(const Look& look, std::ostream* out) {
    *out << look.title.toStdString() << " tab=" << look.searchTab << " buttons=";
    for (bool enabled : look.buttons) *out << enabled;
    *out << " colour=" << std::hex << look.boxColor << " readOnly=" << look.boxesReadOnly;
}

Look LookOf(const TFrm_Logradouros& window) {
    Look look;
    look.title = window.windowTitle();
    look.searchTab = window.PageControl1->isTabVisible(1);
    for (const QPushButton* button :
         {window.Botao_Novo, window.Botao_Salvar, window.Botao_Alterar, window.Botao_Cancelar,
          window.Botao_Excluir, window.Botao_Fechar}) {
        look.buttons << button->isEnabled();
    }
    look.boxColor = window.C1->Color();
    look.boxesReadOnly = window.C1->isReadOnly();
    for (const TDBEdit* box : {window.C2, window.C3J, window.C4J, window.C5, window.C6J, window.C7,
                               window.C8, window.C9, window.C10}) {
        EXPECT_EQ(box->Color(), look.boxColor) << box->objectName().toStdString();
        EXPECT_EQ(box->isReadOnly(), look.boxesReadOnly) << box->objectName().toStdString();
    }
    // The code box is never touched.
    EXPECT_EQ(window.ddd->Color(), clSilver);
    EXPECT_TRUE(window.ddd->isReadOnly());
    return look;
}

const Look kBrowseEmpty{"Logradouros", true, {1, 0, 0, 0, 0, 1}, clSilver, true};
const Look kBrowseRecord{"Logradouros", true, {1, 0, 1, 0, 1, 1}, clSilver, true};
const Look kInserting{"Logradouros - Incluindo", false, {0, 1, 0, 1, 0, 0}, clSkyBlue, false};
const Look kEditing{"Logradouros - Alterando", false, {0, 1, 0, 1, 0, 0}, clSkyBlue, false};

}  // namespace

TEST_F(RegistryTest, LookFollowsTheStateOfTheRecord) {
    TFrm_Logradouros& frm = Open(DatabaseWith({{2, "RUA", "DAS FLORES"}}));
    // No street 1: the window opens empty.
    EXPECT_EQ(Record().RecordCount(), 0);
    EXPECT_EQ(LookOf(frm), kBrowseEmpty);
    EXPECT_EQ(frm.PageControl1->currentWidget(), frm.TabCadastro);

    frm.Botao_Novo->click();
    EXPECT_EQ(LookOf(frm), kInserting);
    EXPECT_EQ(Focused(), frm.C1);
    // While inserting the window stays open: neither Escape nor a close request ends it.
    PressKey(frm.C1, Qt::Key_Escape);
    EXPECT_FALSE(frm.close());
    EXPECT_TRUE(frm.isVisible());
    frm.Botao_Cancelar->click();
    EXPECT_EQ(LookOf(frm), kBrowseEmpty);
    EXPECT_EQ(Focused(), frm.Botao_Novo);

    dmLogradouros->loadRecord(2);
    frm.Botao_AtivaDesativa->click();
    EXPECT_EQ(LookOf(frm), kBrowseRecord);
    frm.Botao_Alterar->click();
    EXPECT_EQ(LookOf(frm), kEditing);
    frm.Botao_Cancelar->click();
    EXPECT_EQ(LookOf(frm), kBrowseRecord);

    // The convention reads names without regard to case; a K box opens only for a new
    // record.
    frm.C5->setObjectName(QStringLiteral("c5"));
    frm.C1->setObjectName(QStringLiteral("k1"));
    frm.Botao_Alterar->click();
    EXPECT_EQ(frm.C5->Color(), clSkyBlue);
    EXPECT_TRUE(frm.C1->isReadOnly());
    EXPECT_EQ(frm.C1->Color(), clSilver);
    frm.Botao_Cancelar->click();
    frm.Botao_Novo->click();
    EXPECT_FALSE(frm.C1->isReadOnly());
    EXPECT_EQ(frm.C1->Color(), clSkyBlue);
    EXPECT_TRUE(Messages().isEmpty()) << Messages().join(QLatin1Char('|')).toStdString();

    frm.Botao_Cancelar->click();
    frm.Botao_Fechar->click();
    EXPECT_FALSE(frm.isVisible());
}

TEST_F(RegistryTest, EnterMovesThroughTheBoxesAndClicksAFocusedButton) {
    TFrm_Logradouros& frm = Open(DatabaseWith({{1, "RUA", "A"}}));
    frm.Botao_Alterar->click();
    ASSERT_EQ(Focused(), frm.C1);
    const QList<QWidget*> order{frm.C2, frm.C3J, frm.C4J, frm.C5,  frm.C6J,
                                frm.C8, frm.C7,  frm.C9,  frm.C10, frm.Botao_Salvar};
    for (QWidget* next : order) {
        PressKey(Focused(), Qt::Key_Return);
        EXPECT_EQ(Focused(), next) << next->objectName().toStdString();
    }
    // Enter on the focused Salvar saves, as a click would.
    PressKey(Focused(), Qt::Key_Return);
    EXPECT_EQ(Record().State(), dsBrowse);
    EXPECT_EQ(Focused(), frm.Botao_Novo);
}

TEST_F(RegistryTest, NewStreetGetsTheNextIdentifierAgainWhenSaved) {
    TFrm_Logradouros& frm = Open(DatabaseWith({{1, "RUA", "A"}, {2, "RUA", "B"}, {7, "RUA", "C"}}));
    frm.Botao_Novo->click();
    EXPECT_EQ(frm.ddd->text(), "000008");
    Type(frm.C3J, QStringLiteral("1234"));
    Type(frm.C4J, QStringLiteral("2019"));
    Type(frm.C5, QStringLiteral("avenida"));
    Type(frm.C6J, QStringLiteral("d'ávila"));
    Type(frm.C10, QStringLiteral("nova"));

    // Another user stores street 8 meanwhile: the save takes 9.
    AddStreet(*database, 8, QStringLiteral("RUA"), QStringLiteral("OUTRA"));
    frm.Botao_Salvar->click();
    EXPECT_TRUE(Messages().isEmpty()) << Messages().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(LookOf(frm), kBrowseRecord);
    EXPECT_EQ(frm.ddd->text(), "000009");
    EXPECT_EQ(Focused(), frm.Botao_Novo);
    EXPECT_EQ(database->Query(QStringLiteral("SELECT LEI, ANO, TIPO, NOME, OBSERVACAO, PLEI "
                                             "FROM LOGRADOUROS WHERE I_ID = 9")),
              (QList<QStringList>{{"1234", "2019", "AVENIDA", "D'ÁVILA", "NOVA", QString()}}));

    // Changing it keeps its identifier.
    frm.Botao_Alterar->click();
    Type(frm.C1, QStringLiteral("12/19"));
    frm.Botao_Salvar->click();
    EXPECT_EQ(database->Scalar(QStringLiteral("SELECT PLEI FROM LOGRADOUROS WHERE I_ID = 9")),
              "12/19");
    EXPECT_EQ(database->StreetCount(), 5);
}

TEST_F(RegistryTest, FirstStreetOfAnEmptyTableIsOne) {
    TFrm_Logradouros& frm = Open(TestDatabase::Empty());
    frm.Botao_Novo->click();
    EXPECT_EQ(frm.ddd->text(), "000001");
}

TEST_F(RegistryTest, RequiredBoxesAreCheckedInOrderWithOneMessage) {
    TFrm_Logradouros& frm = Open(TestDatabase::Empty());
    frm.Botao_Novo->click();

    frm.Botao_Salvar->click();
    EXPECT_EQ(Messages(), QStringList{kRequired});
    EXPECT_EQ(Focused(), frm.C3J);
    EXPECT_FALSE(CamposOK);

    ClearShownMessages();
    Type(frm.C3J, QStringLiteral("10"));
    Type(frm.C4J, QStringLiteral("2001"));
    // Blanks alone are no name: the field would store them as empty text.
    Type(frm.C6J, QStringLiteral("   "));
    frm.Botao_Salvar->click();
    EXPECT_EQ(Messages(), QStringList{kRequired});
    EXPECT_EQ(Focused(), frm.C6J);
    EXPECT_EQ(Record().State(), dsInsert);
    EXPECT_EQ(frm.windowTitle(), "Logradouros - Incluindo");
    EXPECT_EQ(database->StreetCount(), 0);
}

TEST_F(RegistryTest, DuplicateNameOfTheSameTypeIsFound) {
    // The name carries an apostrophe: it must reach SQL as a literal, not break it.
    TFrm_Logradouros& frm = Open(DatabaseWith(
        {{1, "RUA", "PRIMEIRA"}, {12, "RUA", "D'ÁVILA"}, {13, "PRAÇA", "D'ÁVILA SUL"}}));
    const QString duplicate =
        QStringLiteral("Atenção, Nome da Rua já cadastrado no código : 000012");

    // Changing street 1 without touching its name: its own row does not count.
    frm.Botao_Alterar->click();
    frm.C6J->setFocus();
    PressKey(frm.C6J, Qt::Key_Return);
    EXPECT_EQ(Focused(), frm.C8);
    EXPECT_TRUE(Messages().isEmpty());
    frm.Botao_Cancelar->click();

    // Answered No: the new street stays, with its name emptied.
    frm.Botao_Novo->click();
    Type(frm.C5, QStringLiteral("rua"));
    Type(frm.C6J, QStringLiteral("d'ávila"));
    PressKey(frm.C6J, Qt::Key_Return);
    ASSERT_EQ(Messages(), (QStringList{duplicate, QStringLiteral("Deseja visualizar cadastro ?")}));
    const TMessageRequest question = ShownMessages().at(1);
    EXPECT_EQ(question.Kind, TMsgKind::Question);
    EXPECT_EQ(question.DefaultButton, TMsgButton::No);
    EXPECT_EQ(question.Caption, Descricao_Sistema);
    EXPECT_EQ(Record().State(), dsInsert);
    EXPECT_TRUE(Record().FieldByName(QStringLiteral("NOME"))->IsNull());
    EXPECT_EQ(frm.C6J->text(), "");

    // Same name, other type: no duplicate.
    ClearShownMessages();
    Type(frm.C5, QStringLiteral("praça"));
    Type(frm.C6J, QStringLiteral("d'ávila"));
    frm.C8->setFocus();
    EXPECT_TRUE(Messages().isEmpty());

    // Answered Yes: the new street is dropped and street 12 is shown, ready to change.
    Type(frm.C5, QStringLiteral("rua"));
    Type(frm.C6J, QStringLiteral("d'ávila"));
    answers = {TMsgButton::Yes};
    frm.C8->setFocus();
    EXPECT_EQ(Messages().size(), 2);
    EXPECT_EQ(Record().State(), dsBrowse);
    EXPECT_EQ(frm.ddd->text(), "000012");
    EXPECT_EQ(frm.C6J->text(), "D'ÁVILA");
    EXPECT_EQ(LookOf(frm), kBrowseRecord);
    EXPECT_EQ(database->StreetCount(), 3);
}

TEST_F(RegistryTest, SaveRefusedByTheDatabaseKeepsTheUserInTheRecord) {
    TestDatabase refusing = DatabaseWith({{1, "RUA", "A"}});
    refusing.Execute(QStringLiteral(
        "ALTER TABLE LOGRADOUROS ADD CONSTRAINT CK_NOME_RECUSADO CHECK (NOME <> 'RECUSADO')"));
    TFrm_Logradouros& frm = Open(std::move(refusing));

    frm.Botao_Novo->click();
    Type(frm.C3J, QStringLiteral("1"));
    Type(frm.C4J, QStringLiteral("2000"));
    Type(frm.C6J, QStringLiteral("recusado"));
    frm.Botao_Salvar->click();
    EXPECT_EQ(Messages(), QStringList{kRefused});
    EXPECT_EQ(Record().State(), dsEdit);
    EXPECT_EQ(frm.windowTitle(), "Logradouros - Incluindo");
    EXPECT_FALSE(frm.Botao_Fechar->isEnabled());
    EXPECT_EQ(database->StreetCount(), 1);

    // Cancelling drops the refused street for good: the next save writes only itself.
    frm.Botao_Cancelar->click();
    EXPECT_EQ(Record().ChangeCount(), 0);
    EXPECT_EQ(LookOf(frm), kBrowseRecord);
    EXPECT_EQ(frm.ddd->text(), "000001");
    ClearShownMessages();
    frm.Botao_Novo->click();
    Type(frm.C3J, QStringLiteral("2"));
    Type(frm.C4J, QStringLiteral("2001"));
    Type(frm.C6J, QStringLiteral("aceito"));
    frm.Botao_Salvar->click();
    EXPECT_TRUE(Messages().isEmpty()) << Messages().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(database->Query(QStringLiteral("SELECT I_ID, NOME FROM LOGRADOUROS ORDER BY I_ID")),
              (QList<QStringList>{{"1", "A"}, {"2", "ACEITO"}}));
}

// Another workstation stores the identifier this one just took, between its calculation
// and the write. The save is refused; the next one takes a fresh identifier and stores
// everything the user typed.
TEST_F(RegistryTest, RetriedSaveTakesAFreshIdentifierWhenAnotherStoredItFirst) {
    TFrm_Logradouros& frm = Open(DatabaseWith({{1, "RUA", "A"}}));
    frm.Botao_Novo->click();
    const QList<QPair<TDBEdit*, QString>> typed{
        {frm.C1, "12/19"},   {frm.C2, "2019"},     {frm.C3J, "1234"},  {frm.C4J, "2020"},
        {frm.C5, "avenida"}, {frm.C6J, "central"}, {frm.C8, "doutor"}, {frm.C7, "a larga"},
        {frm.C9, "centro"},  {frm.C10, "nota"}};
    for (const auto& [box, text] : typed) Type(box, text);

    const TCachedDataSet::TDataSetNotifyEvent moduleBeforePost = Record().BeforePost;
    bool taken = false;
    Record().BeforePost = [&](TCachedDataSet& set) {
        moduleBeforePost(set);
        if (taken) return;
        taken = true;
        AddStreet(*database, set.FieldByName(QStringLiteral("I_ID"))->AsInteger(),
                  QStringLiteral("RUA"), QStringLiteral("OUTRA"));
    };
    frm.Botao_Salvar->click();
    ASSERT_TRUE(taken);
    EXPECT_EQ(Messages(), QStringList{kRefused});
    EXPECT_EQ(Record().State(), dsEdit);
    EXPECT_EQ(database->StreetCount(), 2);

    ClearShownMessages();
    frm.Botao_Salvar->click();
    EXPECT_TRUE(Messages().isEmpty()) << Messages().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(LookOf(frm), kBrowseRecord);
    EXPECT_EQ(frm.ddd->text(), "000003");
    EXPECT_EQ(database->Query(QStringLiteral(
                  "SELECT PLEI, PANO, LEI, ANO, TIPO, NOME, TITULO, NOME_USUAL, LOCALIZACAO, "
                  "OBSERVACAO FROM LOGRADOUROS WHERE I_ID = 3")),
              (QList<QStringList>{{"12/19", "2019", "1234", "2020", "AVENIDA", "CENTRAL", "DOUTOR",
                                   "A LARGA", "CENTRO", "NOTA"}}));
    EXPECT_EQ(database->Scalar(QStringLiteral("SELECT NOME FROM LOGRADOUROS WHERE I_ID = 2")),
              "OUTRA");
}

// The database refuses the write only when the transaction commits. The save says so,
// the refused transaction does not outlive it, and saving again once the cause is gone
// stores the street where every other attachment sees it.
TEST_F(RegistryTest, SaveRefusedAtCommitIsReportedAndTheNextSaveIsStored) {
    TestDatabase locked = DatabaseWith({{1, "RUA", "A"}});
    RefuseStreetCommitsWhileLocked(locked);
    LockStreetCommits(locked);
    TFrm_Logradouros& frm = Open(std::move(locked));

    frm.Botao_Novo->click();
    Type(frm.C3J, QStringLiteral("1"));
    Type(frm.C4J, QStringLiteral("2000"));
    Type(frm.C6J, QStringLiteral("nova"));
    frm.Botao_Salvar->click();
    EXPECT_EQ(
        Messages(),
        QStringList{QStringLiteral("Atenção, esse registro já existe, confirme informações!")});
    EXPECT_FALSE(dmPrincipal->TorvaneConnection->InTransaction());
    EXPECT_EQ(Record().ChangeCount(), 1);
    EXPECT_EQ(database->StreetCount(), 1);

    UnlockStreetCommits(*database);
    ClearShownMessages();
    frm.Botao_Salvar->click();
    EXPECT_TRUE(Messages().isEmpty()) << Messages().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Record().ChangeCount(), 0);
    EXPECT_EQ(database->Query(QStringLiteral("SELECT I_ID, NOME FROM LOGRADOUROS ORDER BY I_ID")),
              (QList<QStringList>{{"1", "A"}, {"2", "NOVA"}}));
}

// The session's attachment is ended from outside, as a server ends it when it goes
// down: before the save, or while its row is written. The save says the connection was
// lost, not that the record exists or is confused; saving again attaches anew and
// stores the street.
TEST_F(RegistryTest, SaveOnALostConnectionSaysSoAndTheNextSaveIsStored) {
    const QString lost = QStringLiteral(
        "Atenção, a conexão com o banco de dados foi perdida e o registro não "
        "foi salvo. Tente salvar novamente!");
    const QString endTheSessionsAttachment = QStringLiteral(
        "DELETE FROM MON$ATTACHMENTS WHERE MON$SYSTEM_FLAG = 0 "
        "AND MON$ATTACHMENT_ID <> CURRENT_CONNECTION");
    TFrm_Logradouros& frm = Open(DatabaseWith({{1, "RUA", "A"}}));
    for (const bool whileWritten : {false, true}) {
        SCOPED_TRACE(whileWritten ? "while the row is written" : "before the save");
        const int id = database->StreetCount() + 1;
        const QString nome = QStringLiteral("NOVA %1").arg(id);
        frm.Botao_Novo->click();
        Type(frm.C3J, QStringLiteral("1"));
        Type(frm.C4J, QStringLiteral("2000"));
        Type(frm.C6J, nome);
        if (whileWritten) {
            dmLogradouros->dspDados->BeforeUpdateRecord = [&](TDataProvider&, const TDelta&, int,
                                                              TUpdateKind, bool&) {
                database->Execute(endTheSessionsAttachment);
            };
        } else {
            database->Execute(endTheSessionsAttachment);
        }
        ClearShownMessages();
        frm.Botao_Salvar->click();
        dmLogradouros->dspDados->BeforeUpdateRecord = nullptr;
        EXPECT_EQ(Messages(), QStringList{lost});
        EXPECT_EQ(FieldText("NOME"), nome);
        EXPECT_EQ(database->StreetCount(), id - 1);

        ClearShownMessages();
        frm.Botao_Salvar->click();
        EXPECT_TRUE(Messages().isEmpty()) << Messages().join(QLatin1Char('|')).toStdString();
        EXPECT_EQ(LookOf(frm), kBrowseRecord);
        EXPECT_EQ(
            database->Scalar(QStringLiteral("SELECT NOME FROM LOGRADOUROS WHERE I_ID = ?"), {id}),
            nome);
    }
}

TEST_F(RegistryTest, DeleteAsksAndRestoresTheRecordWhenItFails) {
    TFrm_Logradouros& frm = Open(DatabaseWith({{1, "RUA", "A"}, {2, "RUA", "B"}}));

    // No: nothing changes, the look is refreshed and Novo has the focus.
    frm.C1->setFocus();
    frm.Botao_Excluir->click();
    ASSERT_EQ(Messages(), QStringList{QStringLiteral("Confirma a exclusão ?")});
    EXPECT_EQ(ShownMessages().first().DefaultButton, TMsgButton::No);
    EXPECT_EQ(database->StreetCount(), 2);
    EXPECT_EQ(Focused(), frm.Botao_Novo);

    // Another user deleted the street first: the deletion is undone in the window.
    ClearShownMessages();
    database->Execute(QStringLiteral("DELETE FROM LOGRADOUROS WHERE I_ID = 1"));
    answers = {TMsgButton::Yes};
    frm.Botao_Excluir->click();
    EXPECT_EQ(Messages().last(), "Atenção, exclusão cancelada!");
    EXPECT_EQ(frm.ddd->text(), "000001");
    EXPECT_EQ(Record().ChangeCount(), 0);
    EXPECT_EQ(LookOf(frm), kBrowseRecord);

    // Yes: the street goes from the database and the page is empty.
    ClearShownMessages();
    dmLogradouros->loadRecord(2);
    answers = {TMsgButton::Yes};
    frm.Botao_Excluir->click();
    EXPECT_EQ(Messages(), QStringList{QStringLiteral("Confirma a exclusão ?")});
    EXPECT_EQ(database->StreetCount(), 0);
    EXPECT_EQ(LookOf(frm), kBrowseEmpty);

    // With nothing shown there is nothing to delete (the button is disabled then; the
    // command still guards itself).
    ClearShownMessages();
    frm.Botao_ExcluirClick();
    EXPECT_EQ(Messages(),
              QStringList{QStringLiteral("Atenção, selecione registro para exclusão!")});
}

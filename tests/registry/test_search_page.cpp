// The registry window's search page: loading the list, choosing the search column,
// incremental search, opening a row and reloading.
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>

#include "data/TSQLQuery.h"
#include "tests/registry/RegistryFixture.h"
#include "toolkit/TDBGrid.h"
#include "toolkit/TEdit.h"
#include "toolkit/TLabel.h"

namespace {

constexpr int kCodeColumn = 0;
constexpr int kNameColumn = 6;

// Streets 1 to 20 but 17; the names run backwards ("RUA T" for 1 ... "RUA A" for 20)
// so that the name order is not the code order. Street 19 was typed in small letters.
TestDatabase Streets() {
    TestDatabase database = TestDatabase::Empty();
    for (int id = 1; id <= 20; ++id) {
        if (id == 17) continue;
        QString name = QStringLiteral("RUA %1").arg(QChar('A' + 20 - id));
        if (id == 19) name = name.toLower();
        database.Execute(QStringLiteral("INSERT INTO LOGRADOUROS (I_ID, PLEI, TIPO, NOME) "
                                        "VALUES (?, ?, 'Rua', ?)"),
                         {id, QStringLiteral("%1/a").arg(id), name});
    }
    return database;
}

}  // namespace

class SearchPageTest : public RegistryTest {
protected:
    TFrm_Logradouros& OpenSearch(TestDatabase opened) {
        TFrm_Logradouros& frm = Open(std::move(opened));
        frm.PageControl1->setCurrentWidget(frm.TabPesquisaS);
        return frm;
    }
    TCachedDataSet& List() const { return *dmLogradouros->cdsPesquisa; }
    QString Current(const char* field) const {
        return List().FieldByName(QString::fromLatin1(field))->AsString();
    }
    void ClickTitle(int column) {
        emit window->DBGrid1->horizontalHeader()->sectionClicked(column);
    }
    QList<TColor> ColumnColours() const {
        QList<TColor> colours;
        for (int i = 0; i < window->DBGrid1->ColumnCount(); ++i) {
            colours << window->DBGrid1->Column(i).Color;
        }
        return colours;
    }
    static QList<TColor> AllSilverBut(int white) {
        QList<TColor> colours(11, clSilver);
        if (white >= 0) colours[white] = clWhite;
        return colours;
    }
};

TEST_F(SearchPageTest, FirstVisitThenSearchByNameAndOpenTheRow) {
    TFrm_Logradouros& frm = OpenSearch(Streets());
    EXPECT_TRUE(List().Active());
    EXPECT_FALSE(frm.Procura->isVisible());
    EXPECT_FALSE(frm.LProcura->isVisible());
    EXPECT_EQ(ColumnColours(), AllSilverBut(-1));
    QAbstractItemModel* grid = frm.DBGrid1->model();
    ASSERT_EQ(grid->rowCount(), 19);
    EXPECT_EQ(grid->data(grid->index(0, kCodeColumn)).toString(), "000001");
    EXPECT_EQ(grid->data(grid->index(18, kCodeColumn)).toString(), "000020");
    // Text in capitals, numbers as stored.
    EXPECT_EQ(grid->data(grid->index(17, kNameColumn)).toString(), "RUA B");
    EXPECT_EQ(grid->data(grid->index(0, 1)).toString(), "1/a");
    EXPECT_EQ(grid->data(grid->index(0, 5)).toString(), "RUA");

    ClickTitle(kNameColumn);
    EXPECT_TRUE(frm.Procura->isVisible());
    EXPECT_EQ(frm.LProcura->text(), "Informe Nome");
    EXPECT_EQ(ColumnColours(), AllSilverBut(kNameColumn));
    EXPECT_EQ(Focused(), frm.Procura);
    EXPECT_EQ(Current("NOME"), "RUA T");  // re-sorted, the current row kept

    TypeText(frm.Procura, QStringLiteral("rua b"));
    EXPECT_EQ(frm.Procura->text(), "RUA B");
    EXPECT_EQ(Current("I_ID"), "19");
    TypeText(frm.Procura, QStringLiteral("z"));
    EXPECT_EQ(Current("NOME"), "RUA C");  // the next name after "RUA BZ"
    EXPECT_EQ(frm.DBGrid1->currentIndex().row(), List().RecNo() - 1);

    PressKey(frm.Procura, Qt::Key_Return);
    EXPECT_EQ(frm.PageControl1->currentWidget(), frm.TabCadastro);
    EXPECT_EQ(GsCodigo[0], "18");
    EXPECT_EQ(GsCodigo[6], "RUA C");
    EXPECT_EQ(frm.ddd->text(), "000018");
    EXPECT_EQ(Record().State(), dsBrowse);
    EXPECT_TRUE(frm.Botao_Alterar->isEnabled());
    EXPECT_TRUE(Messages().isEmpty());
}

TEST_F(SearchPageTest, SearchByCode) {
    TFrm_Logradouros& frm = OpenSearch(Streets());
    ClickTitle(kCodeColumn);
    EXPECT_EQ(frm.LProcura->text(), "Informe Código");
    TypeText(frm.Procura, QStringLiteral("5"));
    EXPECT_EQ(Current("I_ID"), "5");

    // A letter cannot be a code: one message, the box emptied, the first row.
    TypeText(frm.Procura, QStringLiteral("a"));
    EXPECT_EQ(Messages(), QStringList{QStringLiteral("Tipo de Informação incompatível com campo "
                                                     "selecionado")});
    EXPECT_EQ(frm.Procura->text(), "");
    EXPECT_EQ(Current("I_ID"), "1");

    // 17 is missing: the next higher code.
    TypeText(frm.Procura, QStringLiteral("17"));
    EXPECT_EQ(Current("I_ID"), "18");

    // Down goes to the grid, where Enter opens the row.
    PressKey(frm.Procura, Qt::Key_Down);
    EXPECT_EQ(Focused(), frm.DBGrid1);
    PressKey(frm.DBGrid1, Qt::Key_Return);
    EXPECT_EQ(frm.PageControl1->currentWidget(), frm.TabCadastro);
    EXPECT_EQ(frm.ddd->text(), "000018");
}

TEST_F(SearchPageTest, ListShowsNewStreetsOnlyAfterReloadInTheChosenOrder) {
    TFrm_Logradouros& frm = OpenSearch(Streets());
    ClickTitle(kNameColumn);
    TypeText(frm.Procura, QStringLiteral("RUA C"));

    frm.PageControl1->setCurrentWidget(frm.TabCadastro);
    frm.Botao_Novo->click();
    Type(frm.C3J, QStringLiteral("1"));
    Type(frm.C4J, QStringLiteral("2020"));
    Type(frm.C6J, QStringLiteral("alameda nova"));
    frm.Botao_Salvar->click();
    ASSERT_EQ(Record().State(), dsBrowse);

    frm.PageControl1->setCurrentWidget(frm.TabPesquisaS);
    EXPECT_EQ(List().RecordCount(), 19);
    EXPECT_EQ(frm.Procura->text(), "RUA C");  // the page kept its state

    frm.Clique1->Click();
    EXPECT_EQ(List().RecordCount(), 20);
    EXPECT_TRUE(Messages().isEmpty()) << Messages().join(QLatin1Char('|')).toStdString();
    EXPECT_FALSE(frm.Procura->isVisible());
    EXPECT_EQ(frm.Procura->text(), "");
    EXPECT_EQ(frm.LProcura->text(), "Valor");
    EXPECT_EQ(ColumnColours(), AllSilverBut(-1));
    // Still sorted by name, although no column is white.
    QAbstractItemModel* grid = frm.DBGrid1->model();
    EXPECT_EQ(grid->data(grid->index(0, kNameColumn)).toString(), "ALAMEDA NOVA");
    EXPECT_EQ(grid->data(grid->index(1, kNameColumn)).toString(), "RUA A");

    // A double click opens the row under the mouse.
    const QPoint cell = frm.DBGrid1->visualRect(grid->index(1, kNameColumn)).center();
    QMouseEvent click(QEvent::MouseButtonPress, cell, frm.DBGrid1->viewport()->mapToGlobal(cell),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(frm.DBGrid1->viewport(), &click);
    QMouseEvent release(QEvent::MouseButtonRelease, cell,
                        frm.DBGrid1->viewport()->mapToGlobal(cell), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(frm.DBGrid1->viewport(), &release);
    QMouseEvent doubleClick(QEvent::MouseButtonDblClick, cell,
                            frm.DBGrid1->viewport()->mapToGlobal(cell), Qt::LeftButton,
                            Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(frm.DBGrid1->viewport(), &doubleClick);
    EXPECT_EQ(frm.PageControl1->currentWidget(), frm.TabCadastro);
    EXPECT_EQ(frm.ddd->text(), "000020");
}

TEST_F(SearchPageTest, LoadingTheListShowsTheWaitCursorUntilItEndsAlsoWhenItFails) {
    TFrm_Logradouros& frm = Open(Streets());
    // The grid takes the rows while the list is being loaded.
    QList<int> shapes;
    QObject::connect(frm.DBGrid1->model(), &QAbstractItemModel::modelReset, [&] {
        const QCursor* cursor = QApplication::overrideCursor();
        shapes << (cursor ? int(cursor->shape()) : -1);
    });
    frm.PageControl1->setCurrentWidget(frm.TabPesquisaS);
    ASSERT_EQ(List().RecordCount(), 19);
    ASSERT_FALSE(shapes.isEmpty());
    EXPECT_EQ(shapes.back(), int(Qt::WaitCursor));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    dmLogradouros->sqlPesquisa->SQL().SetText(QStringLiteral("SELECT NADA FROM LOGRADOUROS"));
    frm.Clique1->Click();
    EXPECT_FALSE(Messages().isEmpty()) << "the reload did not fail";
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(SearchPageTest, OpeningFromAnEmptyListShowsAnEmptyRecordPage) {
    TFrm_Logradouros& frm = OpenSearch(TestDatabase::Empty());
    EXPECT_EQ(frm.DBGrid1->model()->rowCount(), 0);
    frm.DBGrid1->setFocus();
    PressKey(frm.DBGrid1, Qt::Key_Return);
    EXPECT_TRUE(Messages().isEmpty()) << Messages().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(frm.PageControl1->currentWidget(), frm.TabCadastro);
    EXPECT_EQ(Record().State(), dsBrowse);
    EXPECT_EQ(Record().RecordCount(), 0);
    EXPECT_TRUE(frm.Botao_Novo->isEnabled());
    EXPECT_FALSE(frm.Botao_Alterar->isEnabled());
}

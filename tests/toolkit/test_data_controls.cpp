// The data-aware controls against a real record set: edit boxes (what they show, what
// they accept, when they write) and the grid (reading rows without moving the current
// one, following it both ways).
#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QWidget>

#include "core/Messages.h"
#include "data/TCachedDataSet.h"
#include "data/TDataProvider.h"
#include "data/TField.h"
#include "data/TSQLConnection.h"
#include "data/TSQLQuery.h"
#include "tests/support/TestDatabase.h"
#include "tests/support/WidgetInput.h"
#include "toolkit/TDBEdit.h"
#include "toolkit/TDBGrid.h"
#include "toolkit/TDataSource.h"

namespace {

// Streets 1 to 5 with known names; a query, a provider and a record set over them,
// I_ID declared with the six-digit pattern and NOME with a width of 12.
class StreetSet {
public:
    StreetSet() : database(TestDatabase::Empty()), connection(database.NewConnection()) {
        const char* names[] = {"RUA A", "RUA B", "Avenida C", "PRAÇA D", "RUA E"};
        for (int id = 1; id <= 5; ++id) {
            database.Execute(QStringLiteral("INSERT INTO LOGRADOUROS (I_ID, NOME) VALUES (?, ?)"),
                             {id, QString::fromUtf8(names[id - 1])});
        }
        auto* query = new TSQLQuery(&owner);
        query->SetSQLConnection(connection.get());
        query->SQL().SetText(QStringLiteral("SELECT I_ID, NOME FROM LOGRADOUROS ORDER BY I_ID"));
        auto* provider = new TDataProvider(&owner);
        provider->SetName(QStringLiteral("dspStreets"));
        provider->SetDataSet(query);
        provider->SetUpdateMode(upWhereKeyOnly);
        set = new TCachedDataSet(&owner);
        set->SetProviderName(QStringLiteral("dspStreets"));
        auto id = std::make_unique<TIntegerField>();
        id->SetFieldName(QStringLiteral("I_ID"));
        id->SetDisplayFormat(QStringLiteral("000000"));
        id->SetEditFormat(QStringLiteral("000000"));
        id->SetProviderFlags(TProviderFlags(pfInUpdate) | pfInWhere | pfInKey);
        set->AddField(std::move(id));
        auto name = std::make_unique<TStringField>();
        name->SetFieldName(QStringLiteral("NOME"));
        name->SetSize(12);
        set->AddField(std::move(name));
        source = new TDataSource(&owner);
        source->SetDataSet(set);
        source->SetAutoEdit(false);
        set->Open();
    }

    TField* Nome() const { return set->FieldByName(QStringLiteral("NOME")); }

    TestDatabase database;
    std::unique_ptr<TSQLConnection> connection;
    QObject owner;
    TCachedDataSet* set = nullptr;
    TDataSource* source = nullptr;
};

TDBEdit* BoxOn(QWidget& window, TDataSource* source, const QString& field) {
    auto* box = new TDBEdit(&window);
    box->SetDataSource(source);
    box->SetDataField(field);
    box->SetCharCase(TEditCharCase::UpperCase);
    return box;
}

}  // namespace

TEST(DBEdit, ShowsTheEditTextOfTheCurrentRowAndFollowsIt) {
    StreetSet streets;
    QWidget window;
    TDBEdit* id = BoxOn(window, streets.source, QStringLiteral("I_ID"));
    TDBEdit* name = BoxOn(window, streets.source, QStringLiteral("NOME"));
    EXPECT_EQ(id->text(), "000001");
    // A box shows stored text as it is, mixed case included; capitals are for typing.
    streets.set->SetRecNo(3);
    EXPECT_EQ(id->text(), "000003");
    EXPECT_EQ(name->text(), "Avenida C");
    EXPECT_EQ(name->maxLength(), 12);
    streets.set->Close();
    EXPECT_EQ(name->text(), "");
}

TEST(DBEdit, TypingRules) {
    StreetSet streets;
    QWidget window;
    TDBEdit* name = BoxOn(window, streets.source, QStringLiteral("NOME"));
    ShowActive(window);
    name->setFocus();
    streets.set->Edit();

    struct Case {
        const char* typed;
        const char* shown;
    };
    const Case cases[] = {
        {"rua a", "RUA A"},
        {"praça são joão", "PRAÇA SÃO JO"},  // cut at the field's 12 characters
        {"d'ávila-€", "D'ÁVILA-€"},
        {"ωmega", "MEGA"},  // no Windows-1252 byte: refused, nothing stored as "?"
        {"ab\u4e2dc", "ABC"},
        {"µm", "µM"},  // the capital micro is Greek: the letter stays as typed
    };
    for (const Case& c : cases) {
        name->clear();
        TypeText(name, QString::fromUtf8(c.typed));
        EXPECT_EQ(name->text(), QString::fromUtf8(c.shown)) << c.typed;
    }
}

TEST(DBEdit, TypedTextReachesTheFieldAtPostOrOnExitOnly) {
    StreetSet streets;
    QWidget window;
    TDBEdit* name = BoxOn(window, streets.source, QStringLiteral("NOME"));
    TDBEdit* id = BoxOn(window, streets.source, QStringLiteral("I_ID"));
    QString seenOnExit;
    name->OnExit = [&] { seenOnExit = streets.Nome()->AsString(); };
    ShowActive(window);

    // With AutoEdit off a browsing row takes no typing: the box keeps the stored value.
    name->setFocus();
    TypeText(name, QStringLiteral("X"));
    EXPECT_EQ(name->text(), "RUA A");
    EXPECT_EQ(streets.set->State(), dsBrowse);

    streets.set->Edit();
    name->selectAll();
    TypeText(name, QStringLiteral("nova"));
    EXPECT_EQ(streets.Nome()->AsString(), "RUA A");
    // Leaving the box writes the text first, so OnExit already reads it in the field.
    id->setFocus();
    EXPECT_EQ(seenOnExit, "NOVA");

    name->setFocus();
    name->selectAll();
    TypeText(name, QStringLiteral("outra"));
    streets.set->Post();
    EXPECT_EQ(streets.Nome()->AsString(), "OUTRA");
    EXPECT_EQ(name->text(), "OUTRA");
}

TEST(DBEdit, CancelShowsTheStoredValueAgain) {
    StreetSet streets;
    QWidget window;
    TDBEdit* name = BoxOn(window, streets.source, QStringLiteral("NOME"));
    ShowActive(window);
    name->setFocus();
    streets.set->Edit();
    name->selectAll();
    TypeText(name, QStringLiteral("abandonada"));
    streets.set->Cancel();
    EXPECT_EQ(name->text(), "RUA A");
    EXPECT_FALSE(name->Modified());
}

TEST(DBGrid, ReadsAnyRowWithoutMovingTheCurrentOne) {
    StreetSet streets;
    TDBGrid grid;
    grid.AddColumn({QStringLiteral("I_ID"), QStringLiteral("Código"), 100, clSilver});
    grid.AddColumn({QStringLiteral("NOME"), QStringLiteral("Nome"), 300, clWhite});
    grid.SetDataSource(streets.source);
    QAbstractItemModel* model = grid.model();

    ASSERT_EQ(model->rowCount(), 5);
    EXPECT_EQ(model->data(model->index(3, 0)).toString(), "000004");
    EXPECT_EQ(model->data(model->index(3, 1)).toString(), "PRAÇA D");
    EXPECT_EQ(streets.set->RecNo(), 1);
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), "Nome");
    EXPECT_EQ(model->data(model->index(0, 0), Qt::BackgroundRole).value<QColor>(),
              ToQColor(clSilver));
    grid.SetColumnColor(0, clWhite);
    EXPECT_EQ(model->data(model->index(0, 0), Qt::BackgroundRole).value<QColor>(),
              ToQColor(clWhite));
    EXPECT_EQ(grid.columnWidth(1), 300);
}

TEST(DBGrid, SelectionAndCurrentRowFollowEachOther) {
    StreetSet streets;
    TDBGrid grid;
    grid.SetDataSource(streets.source);  // no declared columns: one per field
    QAbstractItemModel* model = grid.model();
    EXPECT_EQ(model->columnCount(), 2);
    EXPECT_EQ(grid.currentIndex().row(), 0);

    streets.set->SetIndexFieldNames(QStringLiteral("NOME"));
    streets.set->FindNearest(QStringList{QStringLiteral("RUA B")});
    const int row = streets.set->RecNo() - 1;
    EXPECT_EQ(grid.currentIndex().row(), row);
    EXPECT_TRUE(grid.selectionModel()->isRowSelected(row, {}));
    EXPECT_EQ(model->headerData(row, Qt::Vertical).toString(), QString(QChar(0x25B6)));
    EXPECT_EQ(model->headerData(0, Qt::Vertical).toString(), "");

    // Choosing a row in the grid makes it current in the set.
    grid.setCurrentIndex(model->index(4, 1));
    EXPECT_EQ(streets.set->RecNo(), 5);
    EXPECT_EQ(streets.Nome()->AsString(), model->data(model->index(4, 1)).toString());

    // A reload replaces the rows and keeps them in step.
    streets.set->Close();
    EXPECT_EQ(model->rowCount(), 0);
    streets.set->Open();
    EXPECT_EQ(model->rowCount(), 5);
    EXPECT_EQ(grid.currentIndex().row(), 0);
}

TEST(DBGrid, HandlersSeeTitleClicksDoubleClicksAndKeys) {
    StreetSet streets;
    TDBGrid grid;
    grid.SetDataSource(streets.source);
    int titleClicked = -1;
    int doubleClicks = 0;
    QList<int> keys;
    grid.OnTitleClick = [&](int column) { titleClicked = column; };
    grid.OnDblClick = [&] { ++doubleClicks; };
    grid.OnKeyDown = [&](QKeyEvent& key) {
        keys << key.key();
        return key.key() == Qt::Key_Down;  // consumed: the grid must not move
    };
    ShowActive(grid);

    emit grid.horizontalHeader()->sectionClicked(1);
    EXPECT_EQ(titleClicked, 1);

    grid.setFocus();
    PressKey(&grid, Qt::Key_Down);
    EXPECT_EQ(streets.set->RecNo(), 1);
    PressKey(&grid, Qt::Key_Return);
    EXPECT_EQ(keys, (QList<int>{Qt::Key_Down, Qt::Key_Return}));

    const QPoint cell = grid.visualRect(grid.model()->index(2, 0)).center();
    QMouseEvent press(QEvent::MouseButtonDblClick, cell, grid.viewport()->mapToGlobal(cell),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(grid.viewport(), &press);
    EXPECT_EQ(doubleClicks, 1);
}

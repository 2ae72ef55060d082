// The search grid on 100,000 streets, against a plain QTableView over the same texts
// kept in a vector (what any Qt table costs at the least):
//   reset      the grid takes a freshly loaded list (model reset, column widths, first
//              paint) against a reset of the plain view's model and its first paint;
//   keystroke  200 incremental searches on the name (FindNearest, the grid following
//              the current row, repaint) against selecting and revealing the same rows
//              in the plain view and repainting it;
//   scroll     200 jumps to random rows with a repaint, both sides.
// The database is generated once into the temporary folder and reused afterwards.
//
// Usage: bench_dbgrid [runs]   (best of `runs` timings, 5 by default)

#include <QAbstractTableModel>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QTableView>
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <functional>
#include <random>
#include <vector>

#include "bench/BenchTiming.h"
#include "data/TCachedDataSet.h"
#include "data/TDataProvider.h"
#include "data/TField.h"
#include "data/TSQLConnection.h"
#include "data/TSQLQuery.h"
#include "db/Schema.h"
#include "db/StreetDatabase.h"
#include "toolkit/TDBGrid.h"
#include "toolkit/TDataSource.h"

namespace {

constexpr int kStreets = 100000;
constexpr int kSteps = 200;
constexpr int kColumns = 11;

using bench::RatioLine;
using bench::Seconds;

// The search list as the registry loads it: every street, text in capitals.
struct SearchList {
    explicit SearchList(const QString& path) {
        connection.SetDriverName(QStringLiteral("Firebird"));
        connection.SetLoginPrompt(false);
        connection.Params().SetValue(QStringLiteral("Database"), path);
        connection.Params().SetValue(QStringLiteral("User_Name"), QStringLiteral("sysdba"));
        connection.Params().SetValue(QStringLiteral("Password"), QStringLiteral("lanternox"));
        connection.Params().SetValue(QStringLiteral("ServerCharSet"), QStringLiteral("WIN1252"));
        connection.Params().SetValue(QStringLiteral("SQLDialect"), QStringLiteral("3"));
        auto* query = new TSQLQuery(&owner);
        query->SetSQLConnection(&connection);
        query->SQL().SetText(QStringLiteral(
            "SELECT A.I_ID, A.PLEI, A.PANO, A.LEI, A.ANO, UPPER(A.TIPO) AS TIPO, UPPER(A.NOME) AS "
            "NOME, UPPER(A.TITULO) AS TITULO, UPPER(A.NOME_USUAL) AS NOME_USUAL, "
            "UPPER(A.LOCALIZACAO) AS LOCALIZACAO, UPPER(A.OBSERVACAO) AS OBSERVACAO "
            "FROM LOGRADOUROS A ORDER BY A.I_ID"));
        auto* provider = new TDataProvider(&owner);
        provider->SetName(QStringLiteral("dspPesquisa"));
        provider->SetDataSet(query);
        set = new TCachedDataSet(&owner);
        set->SetProviderName(QStringLiteral("dspPesquisa"));
        for (const StreetColumn& column : StreetColumns()) {
            std::unique_ptr<TField> field;
            if (column.width == 0) {
                field = std::make_unique<TIntegerField>();
                field->SetDisplayFormat(QStringLiteral("000000"));
            } else {
                field = std::make_unique<TStringField>();
                field->SetSize(column.width);
            }
            field->SetFieldName(QString::fromLatin1(column.name));
            set->AddField(std::move(field));
        }
        source = new TDataSource(&owner);
        source->SetDataSet(set);
        set->Open();
    }

    TSQLConnection connection;
    QObject owner;
    TCachedDataSet* set = nullptr;
    TDataSource* source = nullptr;
};

// The peer: the same display texts in a vector behind the thinnest table model.
class VectorModel : public QAbstractTableModel {
public:
    std::vector<std::array<QString, kColumns>> rows;

    void Reload(std::vector<std::array<QString, kColumns>> fresh) {
        beginResetModel();
        rows = std::move(fresh);
        endResetModel();
    }
    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(rows.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : kColumns;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole) return {};
        return rows[size_t(index.row())][size_t(index.column())];
    }
};

// Paints the whole view (titles, margin, visible cells) into an image, as the screen
// would get it.
void paint(QTableView& view) {
    static QImage canvas(view.size(), QImage::Format_ARGB32_Premultiplied);
    view.render(&canvas);
}

void Configure(QTableView& view) {
    view.resize(697, 295);
    view.setSelectionBehavior(QAbstractItemView::SelectRows);
    view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view.verticalHeader()->setDefaultSectionSize(view.fontMetrics().height() + 4);
    view.show();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;

    const QString folder = QDir::temp().filePath(QStringLiteral("vialar-bench"));
    QDir().mkpath(folder);
    const QString path = QDir(folder).filePath(QStringLiteral("grid-streets-%1.fdb").arg(kStreets));
    if (!QFile::exists(path)) {
        std::printf("generating %d streets into %s ...\n", kStreets, qPrintable(path));
        std::fflush(stdout);
        StreetDatabase::CreateGenerated(path, kStreets);
    }

    SearchList list(path);
    TCachedDataSet& set = *list.set;
    TDBGrid grid;
    Configure(grid);
    for (const StreetColumn& column : StreetColumns()) {
        grid.AddColumn(
            {QString::fromLatin1(column.name), QString::fromLatin1(column.name), 100, clSilver});
    }

    VectorModel peerModel;
    QTableView peer;
    peer.setModel(&peerModel);
    Configure(peer);
    std::vector<std::array<QString, kColumns>> texts(size_t(set.RecordCount()));
    for (int row = 0; row < set.RecordCount(); ++row) {
        for (int column = 0; column < kColumns; ++column) {
            texts[size_t(row)][size_t(column)] = set.DisplayTextAt(row, column);
        }
    }
    std::printf("rows: %d\n", set.RecordCount());

    // Reset: the grid re-reads a list that was just loaded; the peer takes a copy of the
    // texts (the copy is made outside the timing).
    double oursReset = 1e30, peerReset = 1e30;
    for (int run = 0; run < runs; ++run) {
        grid.SetDataSource(nullptr);
        oursReset = std::min(oursReset, Seconds([&] {
                                 grid.SetDataSource(list.source);
                                 paint(grid);
                             }));
        auto copy = texts;
        peerReset = std::min(peerReset, Seconds([&] {
                                 peerModel.Reload(std::move(copy));
                                 paint(peer);
                             }));
    }
    RatioLine("reset: grid/plain view", oursReset, peerReset, "target <= 2");

    // Keystrokes: prefixes of names taken from the list itself.
    set.SetIndexFieldNames(QStringLiteral("NOME"));
    std::mt19937 random(7);
    std::vector<QString> prefixes;
    std::vector<int> targetRows;
    int nameColumn = 0;
    while (set.Fields(nameColumn)->FieldName() != QLatin1String("NOME")) ++nameColumn;
    for (int i = 0; i < kSteps; ++i) {
        const int row = int(random() % unsigned(set.RecordCount()));
        const QString name = set.AsStringAt(row, nameColumn);
        prefixes.push_back(name.left(1 + int(random() % 6)));
    }
    for (const QString& prefix : prefixes) {
        set.FindNearest(QStringList{prefix});
        targetRows.push_back(set.RecNo() - 1);
    }
    double oursKeys = 1e30, peerKeys = 1e30;
    for (int run = 0; run < runs; ++run) {
        oursKeys = std::min(oursKeys, Seconds([&] {
                                for (const QString& prefix : prefixes) {
                                    set.FindNearest(QStringList{prefix});
                                    paint(grid);
                                }
                            }));
        peerKeys = std::min(peerKeys, Seconds([&] {
                                for (int row : targetRows) {
                                    peer.selectRow(row);
                                    peer.scrollTo(peerModel.index(row, 0));
                                    paint(peer);
                                }
                            }));
    }
    RatioLine("keystroke: grid+FindNearest/plain view", oursKeys, peerKeys, "target <= 2");
    double searchOnly = 1e30;
    grid.SetDataSource(nullptr);
    for (int run = 0; run < runs; ++run) {
        searchOnly = std::min(searchOnly, Seconds([&] {
                                  for (const QString& prefix : prefixes)
                                      set.FindNearest(QStringList{prefix});
                              }));
    }
    grid.SetDataSource(list.source);
    std::printf("keystroke: FindNearest alone %.1f ms\n", searchOnly * 1e3);

    // Scrolling to random rows.
    std::vector<int> jumps;
    for (int i = 0; i < kSteps; ++i) jumps.push_back(int(random() % unsigned(set.RecordCount())));
    double oursScroll = 1e30, peerScroll = 1e30;
    for (int run = 0; run < runs; ++run) {
        oursScroll = std::min(oursScroll, Seconds([&] {
                                  for (int row : jumps) {
                                      grid.scrollTo(grid.model()->index(row, 0));
                                      paint(grid);
                                  }
                              }));
        peerScroll = std::min(peerScroll, Seconds([&] {
                                  for (int row : jumps) {
                                      peer.scrollTo(peerModel.index(row, 0));
                                      paint(peer);
                                  }
                              }));
    }
    RatioLine("scroll: grid/plain view", oursScroll, peerScroll, "target <= 1.5");
    return 0;
}

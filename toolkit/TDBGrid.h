#pragma once

// TDBGrid: a read-only table over the rows of a data source's cached data set.
//
// The grid never walks the data set to paint: its model reads each visible cell with
// TCachedDataSet::DisplayTextAt(row, field), which leaves the current row alone, so a
// list of 100,000 rows costs only the cells on screen. The current row of the set and
// the grid's selected row follow each other: moving the set (FindNearest, a reload)
// selects and reveals its row; clicking or scrolling with the keys makes that row
// current in the set. Selection is always of whole rows, and a row indicator in the
// left margin marks the current row.

#include <QAbstractTableModel>
#include <QFont>
#include <QPointer>
#include <QTableView>
#include <functional>

#include "core/Colors.h"
#include "toolkit/TDataSource.h"

class QKeyEvent;

// One column of the grid: which field it shows and how.
struct TColumn {
    QString FieldName;
    QString Title;
    int Width = 64;  // pixels
    TColor Color = clWhite;
    Qt::Alignment Alignment = Qt::AlignLeft | Qt::AlignVCenter;
};

class TDBGridModel;

class TDBGrid : public QTableView {
    Q_OBJECT

public:
    explicit TDBGrid(QWidget* parent = nullptr);
    ~TDBGrid() override;

    TDataSource* DataSource() const;
    void SetDataSource(TDataSource* source);

    // Declared columns. With none declared, the grid shows one column per field of the
    // set, titled with the field's display label.
    int ColumnCount() const;
    const TColumn& Column(int index) const;
    int AddColumn(const TColumn& column);
    void SetColumnColor(int index, TColor color);

    void SetTitleColor(TColor color);
    void SetTitleFont(const QFont& font);

    // Handlers. OnKeyDown runs before the grid's own key handling and returns true to
    // consume the key.
    std::function<void(int column)> OnTitleClick;
    std::function<void()> OnDblClick;
    std::function<bool(QKeyEvent& key)> OnKeyDown;

protected:
    void changeEvent(QEvent* event) override;
    // The handler sees every key first; Ctrl+Tab and Ctrl+Shift+Tab then leave the grid.
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void ApplyColumnWidths();
    void FollowCurrentRecord();
    void CurrentRowChosen(const QModelIndex& current);
    void IndicatorMoved(int fromRow, int toRow);

    TDBGridModel* FModel;
    bool FFollowing = false;
};

// The model behind TDBGrid; public so that tests and benchmarks can read cells the way
// the view does.
class TDBGridModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit TDBGridModel(QObject* parent = nullptr);

    TDataSource* DataSource() const { return FDataSource; }
    void SetDataSource(TDataSource* source);

    QList<TColumn>& Columns() { return FColumns; }
    void AddColumn(const TColumn& column);
    // The columns shown: the declared ones, else one per field of the set.
    int ShownColumnCount() const;
    TColumn ShownColumn(int index) const;
    // Re-reads the columns' field positions (after the set opens or columns change).
    void Rebind();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    void currentRecordChanged();
    void structureChanged();

private:
    void Reset();

    QPointer<TDataSource> FDataSource;
    QList<TColumn> FColumns;
    QList<int> FFieldIndexes;          // per shown column; -1 when the field is missing
    QList<Qt::Alignment> FAlignments;  // per shown column
    int FRowCount = 0;
};

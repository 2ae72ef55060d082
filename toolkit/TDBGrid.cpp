#include "toolkit/TDBGrid.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

#include "data/TCachedDataSet.h"
#include "data/TField.h"
#include "toolkit/TDataSource.h"

namespace {

// The row indicator: a pointer at the current row, as the grid's left margin shows it
// while browsing; an I-beam while the row is edited, a star for a new row.
QString IndicatorText(TDataSetState state) {
    switch (state) {
        case dsEdit:
            return QStringLiteral("I");
        case dsInsert:
            return QStringLiteral("*");
        default:
            return QStringLiteral("\u25B6");
    }
}

TCachedDataSet* OpenDataSet(const TDataSource* source) {
    if (!source || !source->DataSet() || !source->DataSet()->Active()) return nullptr;
    return source->DataSet();
}

}  // namespace

// ---------------------------------------------------------------------------------------
// TDBGridModel

TDBGridModel::TDBGridModel(QObject* parent) : QAbstractTableModel(parent) {}

void TDBGridModel::SetDataSource(TDataSource* source) {
    if (FDataSource == source) return;
    if (FDataSource) disconnect(FDataSource, nullptr, this, nullptr);
    FDataSource = source;
    if (FDataSource) {
        connect(FDataSource, &TDataSource::dataChanged, this, &TDBGridModel::Reset);
        connect(FDataSource, &TDataSource::dataSetChanged, this, &TDBGridModel::Reset);
        connect(FDataSource, &TDataSource::stateChanged, this, [this] {
            // Opening and closing replace every row; entering or leaving an edit only
            // changes the indicator and, at most, the current row's cells.
            TCachedDataSet* dataSet = OpenDataSet(FDataSource);
            if ((dataSet ? dataSet->RecordCount() : 0) != FRowCount) {
                Reset();
            } else {
                emit currentRecordChanged();
            }
        });
        connect(FDataSource, &TDataSource::recordChanged, this,
                &TDBGridModel::currentRecordChanged);
        connect(FDataSource, &TDataSource::fieldChanged, this, &TDBGridModel::currentRecordChanged);
    }
    Reset();
}

void TDBGridModel::AddColumn(const TColumn& column) {
    FColumns.append(column);
    Reset();
}

void TDBGridModel::Reset() {
    beginResetModel();
    const TCachedDataSet* dataSet = OpenDataSet(FDataSource);
    FRowCount = dataSet ? dataSet->RecordCount() : 0;
    Rebind();
    endResetModel();
    emit structureChanged();
}

int TDBGridModel::ShownColumnCount() const {
    if (!FColumns.isEmpty()) return FColumns.size();
    const TCachedDataSet* dataSet = FDataSource ? FDataSource->DataSet() : nullptr;
    return dataSet ? dataSet->FieldCount() : 0;
}

TColumn TDBGridModel::ShownColumn(int index) const {
    if (!FColumns.isEmpty()) return FColumns.at(index);
    TColumn column;
    const TField* field = FDataSource->DataSet()->Fields(index);
    column.FieldName = field->FieldName();
    column.Title = field->DisplayLabel();
    if (field->DataType() == ftInteger) column.Alignment = Qt::AlignRight | Qt::AlignVCenter;
    return column;
}

void TDBGridModel::Rebind() {
    FFieldIndexes.clear();
    FAlignments.clear();
    const TCachedDataSet* dataSet = FDataSource ? FDataSource->DataSet() : nullptr;
    const int count = ShownColumnCount();
    for (int column = 0; column < count; ++column) {
        int fieldIndex = -1;
        if (dataSet) {
            const QString name = ShownColumn(column).FieldName;
            for (int i = 0; i < dataSet->FieldCount(); ++i) {
                if (dataSet->Fields(i)->FieldName().compare(name, Qt::CaseInsensitive) == 0) {
                    fieldIndex = i;
                    break;
                }
            }
        }
        FFieldIndexes.append(fieldIndex);
        FAlignments.append(ShownColumn(column).Alignment);
    }
}

int TDBGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : FRowCount;
}

int TDBGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : FFieldIndexes.size();
}

QVariant TDBGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.column() >= FFieldIndexes.size()) return {};
    switch (role) {
        case Qt::DisplayRole: {
            const TCachedDataSet* dataSet = OpenDataSet(FDataSource);
            const int fieldIndex = FFieldIndexes.at(index.column());
            if (!dataSet || fieldIndex < 0 || index.row() >= dataSet->RecordCount()) return {};
            return dataSet->DisplayTextAt(index.row(), fieldIndex);
        }
        case Qt::BackgroundRole:
            return ToQColor(FColumns.isEmpty() ? clWhite : FColumns.at(index.column()).Color);
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(FAlignments.at(index.column()));
        default:
            return {};
    }
}

QVariant TDBGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal) {
        if (section < 0 || section >= FFieldIndexes.size()) return {};
        return ShownColumn(section).Title;
    }
    const TCachedDataSet* dataSet = OpenDataSet(FDataSource);
    if (!dataSet || dataSet->RecNo() - 1 != section) return QString();
    return IndicatorText(dataSet->State());
}

Qt::ItemFlags TDBGridModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

// ---------------------------------------------------------------------------------------
// TDBGrid

TDBGrid::TDBGrid(QWidget* parent) : QTableView(parent), FModel(new TDBGridModel(this)) {
    setModel(FModel);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(true);
    setShowGrid(true);
    setWordWrap(false);
    setCornerButtonEnabled(false);

    // Fixed row heights let the view place any of many thousand rows without asking
    // the model for sizes.
    QHeaderView* rows = verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(fontMetrics().height() + 4);
    rows->setMinimumSectionSize(1);
    rows->setFixedWidth(12);
    rows->setDefaultAlignment(Qt::AlignCenter);
    rows->setSectionsClickable(false);

    QHeaderView* titles = horizontalHeader();
    titles->setSectionResizeMode(QHeaderView::Interactive);
    titles->setSectionsClickable(true);
    titles->setHighlightSections(false);
    titles->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    titles->setMouseTracking(true);  // hot-tracking of the title under the mouse
    connect(titles, &QHeaderView::sectionClicked, this, [this](int column) {
        if (OnTitleClick) OnTitleClick(column);
    });

    // The selected row stays marked while the focus is elsewhere (in the search box).
    QPalette colours = palette();
    colours.setColor(QPalette::Inactive, QPalette::Highlight,
                     colours.color(QPalette::Active, QPalette::Highlight));
    colours.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     colours.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(colours);

    connect(FModel, &TDBGridModel::structureChanged, this, [this] {
        ApplyColumnWidths();
        FollowCurrentRecord();
    });
    connect(FModel, &TDBGridModel::currentRecordChanged, this, &TDBGrid::FollowCurrentRecord);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { CurrentRowChosen(current); });
}

TDBGrid::~TDBGrid() = default;

TDataSource* TDBGrid::DataSource() const {
    return FModel->DataSource();
}

void TDBGrid::SetDataSource(TDataSource* source) {
    FModel->SetDataSource(source);
}

int TDBGrid::ColumnCount() const {
    return FModel->Columns().size();
}

const TColumn& TDBGrid::Column(int index) const {
    return FModel->Columns().at(index);
}

int TDBGrid::AddColumn(const TColumn& column) {
    FModel->AddColumn(column);
    return FModel->Columns().size() - 1;
}

void TDBGrid::SetColumnColor(int index, TColor color) {
    QList<TColumn>& columns = FModel->Columns();
    if (index < 0 || index >= columns.size() || columns[index].Color == color) return;
    columns[index].Color = color;
    viewport()->update();
}

void TDBGrid::SetTitleColor(TColor color) {
    QPalette colours = horizontalHeader()->palette();
    colours.setColor(QPalette::Button, ToQColor(color));
    colours.setColor(QPalette::Window, ToQColor(color));
    horizontalHeader()->setPalette(colours);
    verticalHeader()->setPalette(colours);
}

void TDBGrid::SetTitleFont(const QFont& font) {
    horizontalHeader()->setFont(font);
}

void TDBGrid::ApplyColumnWidths() {
    const QList<TColumn>& columns = FModel->Columns();
    for (int i = 0; i < columns.size() && i < FModel->columnCount(); ++i) {
        setColumnWidth(i, columns.at(i).Width);
    }
}

void TDBGrid::FollowCurrentRecord() {
    const TDataSource* source = FModel->DataSource();
    const TCachedDataSet* dataSet = source ? source->DataSet() : nullptr;
    const int row = dataSet && dataSet->Active() ? dataSet->RecNo() - 1 : -1;
    const int previous = currentIndex().isValid() ? currentIndex().row() : -1;

    FFollowing = true;
    if (row >= 0 && row < FModel->rowCount()) {
        const int column = currentIndex().isValid() ? currentIndex().column() : 0;
        const QModelIndex target = FModel->index(row, column);
        selectionModel()->setCurrentIndex(
            target, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        scrollTo(target, QAbstractItemView::EnsureVisible);
    } else {
        selectionModel()->clear();
    }
    FFollowing = false;
    IndicatorMoved(previous, row);
}

void TDBGrid::CurrentRowChosen(const QModelIndex& current) {
    if (FFollowing || !current.isValid()) return;
    TDataSource* source = FModel->DataSource();
    TCachedDataSet* dataSet = source ? source->DataSet() : nullptr;
    if (!dataSet || !dataSet->Active() || dataSet->RecNo() == current.row() + 1) return;
    const int previous = dataSet->RecNo() - 1;
    dataSet->SetRecNo(current.row() + 1);
    IndicatorMoved(previous, current.row());
}

void TDBGrid::IndicatorMoved(int fromRow, int toRow) {
    // The margin reads the indicator from the model when it paints; repainting the two
    // rows' part of it is enough. (Announcing a header data change instead would make
    // the view re-measure the margin's sections on every keystroke of a search.)
    QHeaderView* margin = verticalHeader();
    for (int row : {fromRow, toRow}) {
        if (row < 0 || row >= FModel->rowCount()) continue;
        const int top = margin->sectionViewportPosition(row);
        margin->viewport()->update(0, top, margin->viewport()->width(), margin->sectionSize(row));
    }
}

void TDBGrid::changeEvent(QEvent* event) {
    QTableView::changeEvent(event);
    // Rows are as high as the cells' font needs.
    if (event->type() == QEvent::FontChange) {
        verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    }
}

void TDBGrid::keyPressEvent(QKeyEvent* event) {
    if (OnKeyDown && OnKeyDown(*event)) return;
    // Tab and Shift+Tab move between cells, so Ctrl+Tab and Ctrl+Shift+Tab take the focus
    // on to the window's next or previous control; without them the keyboard could never
    // leave the grid.
    if ((event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) &&
        (event->modifiers() & Qt::ControlModifier)) {
        const bool forward =
            event->key() == Qt::Key_Tab && !(event->modifiers() & Qt::ShiftModifier);
        QWidget::focusNextPrevChild(forward);
        return;
    }
    QTableView::keyPressEvent(event);
}

void TDBGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableView::mouseDoubleClickEvent(event);
    // Like a click, a double click anywhere in the cells area counts, also on an empty
    // list: the handler decides what an empty list means.
    if (event->button() == Qt::LeftButton && OnDblClick) OnDblClick();
}

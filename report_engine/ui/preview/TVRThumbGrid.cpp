#include "report_engine/ui/preview/TVRThumbGrid.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QPainter>
#include <QResizeEvent>
#include <QStyledItemDelegate>

#include "report_engine/base/Rounding.h"
#include "report_engine/emf/TVRMetafile.h"
#include "report_engine/printer/TVRPrinter.h"
#include "report_engine/ui/preview/TVRPreview.h"

namespace {

// Pictures of pages drawn in the grid, kept up to this many bytes.
constexpr int pictureBudgetBytes = 24 * 1024 * 1024;
// Pages drawn per turn of the event loop: a turn stays within a few milliseconds, so
// that input and scrolling go on between turns.
constexpr int thumbnailsPerTurn = 2;

}  // namespace

class ThumbModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : FRows;
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : 1;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role == Qt::DisplayRole && index.isValid()) return index.row() + 1;
        return {};
    }
    void SetRows(int rows) {
        if (rows == FRows) return;
        if (rows > FRows) {
            beginInsertRows({}, FRows, rows - 1);
            FRows = rows;
            endInsertRows();
        } else {
            beginRemoveRows({}, rows, FRows - 1);
            FRows = rows;
            endRemoveRows();
        }
    }
    int Rows() const { return FRows; }

private:
    int FRows = 0;
};

namespace {

class ThumbDelegate : public QStyledItemDelegate {
public:
    explicit ThumbDelegate(TVRThumbGrid& grid) : QStyledItemDelegate(&grid), FGrid(grid) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        if (option.state & QStyle::State_Selected)
            painter->fillRect(option.rect, option.palette.highlight());
        FGrid.PaintCell(*painter, option.rect, index.row());
    }

private:
    TVRThumbGrid& FGrid;
};

}  // namespace

ThumbGeometry ThumbGeometry::For(int gridWidth, int textHeight, bool landscape,
                                 double portraitWidth, double portraitLength) {
    ThumbGeometry geometry;
    geometry.ColumnWidth = gridWidth - 4;
    geometry.DrawWidth = Round(geometry.ColumnWidth - 20.0);
    if (portraitWidth > 0 && portraitLength > 0)
        geometry.DrawHeight =
            landscape ? Round(geometry.DrawWidth * portraitWidth / portraitLength - textHeight)
                      : Round(geometry.DrawWidth * portraitLength / portraitWidth - textHeight);
    geometry.LeftMargin = Round((geometry.ColumnWidth - geometry.DrawWidth) / 2.0);
    return geometry;
}

QRect ThumbGeometry::PageFrame(const QRect& cell, double pageAspect) const {
    const QPoint topLeft(cell.left() + LeftMargin, cell.top() + TopMargin);
    const QPoint bottomRight(cell.left() + cell.width() - 30, cell.top() + cell.height() - 10);
    QRect frame(topLeft, QSize(bottomRight.x() - topLeft.x(), bottomRight.y() - topLeft.y()));
    if (frame.width() <= 4 || frame.height() <= 4 || !(pageAspect > 0)) return frame;
    // The frame's sheet (4 pixels smaller) keeps the page's proportions.
    const double sheetWidth = frame.width() - 4, sheetHeight = frame.height() - 4;
    if (sheetWidth / sheetHeight > pageAspect)
        frame.setWidth(Round(sheetHeight * pageAspect) + 4);
    else
        frame.setHeight(Round(sheetWidth / pageAspect) + 4);
    return frame;
}

TVRThumbGrid::TVRThumbGrid(QWidget* parent)
    : QTableView(parent), FModel(new ThumbModel(this)), FPictures(pictureBudgetBytes / 1024) {
    setObjectName(QStringLiteral("ThumbGrid"));
    setModel(FModel);
    setItemDelegate(new ThumbDelegate(*this));
    horizontalHeader()->hide();
    verticalHeader()->hide();
    horizontalHeader()->setStretchLastSection(true);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setShowGrid(false);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // A zero timer fires once the window system's events are handled: idle time.
    FDrawTimer.setSingleShot(true);
    FDrawTimer.setInterval(0);
    connect(&FDrawTimer, &QTimer::timeout, this, [this] { DrawWaitingThumbnails(); });
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (!FSelecting && current.isValid() && OnPageChosen)
                    OnPageChosen(current.row() + 1);
            });
    connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
        if (!FSelecting && index.isValid() && OnPageChosen) OnPageChosen(index.row() + 1);
    });
}

TVRThumbGrid::~TVRThumbGrid() = default;

void TVRThumbGrid::SetVRPrinter(TVRPrinter* printer) {
    FVRPrinter = printer;
    Recompute();
}

int TVRThumbGrid::RowCount() const {
    return FModel->Rows();
}

void TVRThumbGrid::SetRowCount(int rows) {
    FModel->SetRows(std::max(0, rows));
}

void TVRThumbGrid::SelectRow(int row) {
    if (row < 0 || row >= RowCount()) return;
    FSelecting = true;
    const QModelIndex index = FModel->index(row, 0);
    selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(index);
    FSelecting = false;
}

void TVRThumbGrid::Recompute() {
    const bool landscape = FVRPrinter && FVRPrinter->PrinterSettings().Orientation == poLandscape;
    double portraitWidth = 2100, portraitLength = 2970;
    if (FVRPrinter) {
        const double width = FVRPrinter->PaperWidthValue();
        const double length = FVRPrinter->PaperLengthValue();
        portraitWidth = landscape ? length : width;
        portraitLength = landscape ? width : length;
    }
    FGeometry = ThumbGeometry::For(width(), fontMetrics().height(), landscape, portraitWidth,
                                   portraitLength);
    verticalHeader()->setDefaultSectionSize(std::max(1, FGeometry.DrawHeight));
    FPictures.clear();
    FWaiting.clear();
    viewport()->update();
}

void TVRThumbGrid::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    if (event->oldSize().width() != event->size().width()) Recompute();
}

QRect TVRThumbGrid::FrameIn(const QRect& cell) const {
    double aspect = 0;
    if (FVRPrinter) {
        const double length = FVRPrinter->PaperLengthValue();
        if (length > 0) aspect = FVRPrinter->PaperWidthValue() / length;
    }
    return FGeometry.PageFrame(cell, aspect);
}

QSize TVRThumbGrid::SheetSize(const QRect& cell) const {
    const QRect frame = FrameIn(cell);
    return frame.width() > 4 && frame.height() > 4 ? SheetRect(frame).size() : QSize();
}

const QImage* TVRThumbGrid::KeptThumbnail(int page, QSize size) const {
    const QImage* kept = FPictures.object(page);
    return kept && kept->deviceIndependentSize().toSize() == size ? kept : nullptr;
}

void TVRThumbGrid::QueueThumbnail(int page) {
    if (!FWaiting.contains(page)) FWaiting.append(page);
    if (!FDrawTimer.isActive()) FDrawTimer.start();
}

void TVRThumbGrid::DrawWaitingThumbnails() {
    const QRect visible = viewport()->rect();
    int drawn = 0;
    while (!FWaiting.isEmpty() && drawn < thumbnailsPerTurn) {
        const int page = FWaiting.takeFirst();
        // Rows scrolled away since they were queued are drawn when they come back.
        const QRect cell = visualRect(FModel->index(page - 1, 0));
        if (!FVRPrinter || !cell.isValid() || !cell.intersects(visible)) continue;
        const QSize size = SheetSize(cell);
        if (size.isEmpty() || KeptThumbnail(page, size)) continue;
        const std::unique_ptr<TVRMetafile> metafile = FVRPrinter->GetPage(page);
        ++drawn;
        if (!metafile) continue;
        auto* picture = new QImage(RenderPage(*metafile, size, devicePixelRatioF()));
        const int cost = std::max<qsizetype>(1, picture->sizeInBytes() / 1024);
        FPictures.insert(page, picture, cost);
        viewport()->update(cell);
    }
    if (!FWaiting.isEmpty()) FDrawTimer.start();
}

void TVRThumbGrid::PaintCell(QPainter& painter, const QRect& cell, int row) {
    const int page = row + 1;
    const QRect frame = FrameIn(cell);
    const QSize size = SheetSize(cell);
    const QImage* picture = size.isEmpty() ? nullptr : KeptThumbnail(page, size);
    // Until its picture is drawn, the page shows as a blank sheet.
    if (!picture && !size.isEmpty() && FVRPrinter) QueueThumbnail(page);
    painter.save();
    painter.setClipRect(cell);
    DrawPageFrame(painter, frame, picture);
    painter.setPen(Qt::black);
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.drawText(cell.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop,
                     QString::number(page));
    painter.restore();
}

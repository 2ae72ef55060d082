#pragma once

#include <QCache>
#include <QImage>
#include <QPointer>
#include <QTableView>
#include <QTimer>
#include <functional>

class TVRPrinter;
class ThumbModel;

// Where a thumbnail goes in its cell, from the grid's width and the paper: the column
// is the grid's width less 4, the drawing 20 pixels narrower and as high as the page's
// proportions give less the height of the page-number text (which is the row height);
// the drawing is centred across the column and starts 10 pixels down.
struct ThumbGeometry {
    int ColumnWidth = 0;
    int DrawWidth = 0;
    int DrawHeight = 0;
    int LeftMargin = 0;
    int TopMargin = 10;

    // `portraitWidth` and `portraitLength` are the paper's sides lying in portrait.
    static ThumbGeometry For(int gridWidth, int textHeight, bool landscape, double portraitWidth,
                             double portraitLength);
    // The page frame inside a cell: from (left + LeftMargin, top + 10) to (right - 30,
    // bottom - 10), narrowed to the page's proportions so that the page is not squashed.
    QRect PageFrame(const QRect& cell, double pageAspect) const;
};

// The preview's thumbnail tab: a one-column grid with one row per page. Only the rows
// on screen are drawn, and never inside a paint: a cell whose picture is not ready shows
// a blank sheet and its page is queued; the queue is drawn once the event loop is idle,
// a few pages per turn, so that opening the window paints the page first and scrolling
// through the grid stays responsive. The pictures of recently drawn pages are kept,
// within a bounded budget, so that scrolling back costs no replay.
class TVRThumbGrid : public QTableView {
public:
    explicit TVRThumbGrid(QWidget* parent = nullptr);
    ~TVRThumbGrid() override;

    void SetVRPrinter(TVRPrinter* printer);
    int RowCount() const;
    void SetRowCount(int rows);
    // Selects row `row` without reporting it as the user's choice.
    void SelectRow(int row);
    // Recomputes the geometry (after the paper or the width changed) and forgets the
    // kept pictures.
    void Recompute();
    const ThumbGeometry& Geometry() const { return FGeometry; }

    // The user chose the row's page (1-based).
    std::function<void(int page)> OnPageChosen;

    // Drawing one cell (the delegate's work): the page and its number.
    void PaintCell(QPainter& painter, const QRect& cell, int row);

    // The page's frame in a cell of this grid.
    QRect FrameIn(const QRect& cell) const;
    // Pages waiting for their picture (on screen when queued).
    int PendingThumbnails() const { return int(FWaiting.size()); }
    // The page's picture is drawn and kept.
    bool HasThumbnail(int page) const { return FPictures.contains(page); }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // The size of the page's sheet in a cell of this grid.
    QSize SheetSize(const QRect& cell) const;
    // The kept picture of the page at that size, or none.
    const QImage* KeptThumbnail(int page, QSize size) const;
    void QueueThumbnail(int page);
    // Draws the next few queued pages that are still on screen.
    void DrawWaitingThumbnails();

    QPointer<TVRPrinter> FVRPrinter;
    ThumbModel* FModel;
    ThumbGeometry FGeometry;
    QCache<int, QImage> FPictures;
    QList<int> FWaiting;
    QTimer FDrawTimer;
    bool FSelecting = false;
};

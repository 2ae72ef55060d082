#pragma once

#include <QCache>
#include <QImage>
#include <QPointer>
#include <QTableView>
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
// on screen are drawn, and the pictures of recently drawn pages are kept, within a
// bounded budget, so that scrolling back costs no replay.
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

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    const QImage* Thumbnail(int page, QSize size);

    QPointer<TVRPrinter> FVRPrinter;
    ThumbModel* FModel;
    ThumbGeometry FGeometry;
    QCache<int, QImage> FPictures;
    bool FSelecting = false;
};

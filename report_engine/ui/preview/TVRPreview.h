#pragma once

#include <QImage>
#include <QPointer>
#include <QScrollArea>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "report_engine/model/TVRReport.h"

class TVRMetafile;
class TVRPrinter;

// Draws a page as the preview shows it, in `frame` (painter coordinates): a white
// sheet from (left + 1, top + 1) to (right - 3, bottom - 3) with the page stretched
// over it, a one-pixel black outline and a black shadow two pixels wide along the
// right and bottom edges. `page` may be a rendered picture of the page (drawn over the
// sheet) or null (the sheet stays white).
void DrawPageFrame(QPainter& painter, const QRect& frame, const QImage* page);

// The rectangle of the sheet inside a page frame.
QRect SheetRect(const QRect& frame);

// Renders a page into an image of `pixelSize` device pixels shown at `pixelRatio`
// (so that a high-density screen gets a sharp page), white under the page.
QImage RenderPage(const TVRMetafile& page, QSize pixelSize, qreal pixelRatio);

// The page shown by the preview, at its zoom: a widget the size of the page plus its
// outline and shadow, which a TVRPreview scrolls.
class TVRPreviewImage : public QWidget {
public:
    explicit TVRPreviewImage(QWidget* parent = nullptr);
    ~TVRPreviewImage() override;

    void SetVRPrinter(TVRPrinter* printer) { FVRPrinter = printer; }
    int PageNumber() const { return FPageNumber; }
    // Fetches page N from the page store (none when it is not there yet).
    void SetPageNumber(int pageNumber);
    const TVRMetafile* Metafile() const { return FMetafile.get(); }
    int Zoom() const { return FZoom; }
    void SetZoom(int zoom);

    // The text whose occurrences are marked on the page; an empty text marks nothing.
    void SetHighlight(const QString& text, bool matchCase);
    // The first occurrence of the highlighted text on this page, in widget
    // coordinates; an empty rectangle when there is none.
    QRect FirstMatch() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QRect SheetInWidget() const;
    const QList<QPolygonF>& MatchBoxes() const;
    void Invalidate();

    QPointer<TVRPrinter> FVRPrinter;
    int FPageNumber = 0;
    std::unique_ptr<TVRMetafile> FMetafile;
    int FZoom = 100;
    QString FHighlight;
    bool FMatchCase = false;
    // The page rendered at the current size and pixel ratio, drawn again on every
    // repaint (scrolling) without replaying the page.
    QImage FRendered;
    // The marked occurrences in widget coordinates, found once per page, size and text.
    mutable std::optional<QList<QPolygonF>> FMatchBoxes;
};

// The scrolling page view of the preview window. It is the page printer's client: the
// printer's posted notifications (pages available, progress) arrive here and are
// handed on to the window through OnPageAvailable and OnProgressUpdate.
class TVRPreview : public QScrollArea {
public:
    explicit TVRPreview(QWidget* parent = nullptr);

    TVRPrinter* VRPrinter() const { return FVRPrinter; }
    // Attaches the view to a page printer: the printer shows a preview and posts its
    // notifications here.
    void SetVRPrinter(TVRPrinter* printer);

    int PageNumber() const { return FPageNumber; }
    // Shows page N when 1 <= N <= the page count (else keeps the page shown), scrolled
    // to the top left.
    void SetPageNumber(int pageNumber);
    // Fetches the page shown again (after pages changed under it).
    void ReloadPage();

    int Zoom() const { return FZoom; }
    TVRZoomState ZoomState() const { return FZoomState; }
    // Zooms in percent; values outside 2 ... 2000 are ignored.
    void SetZoom(int zoom);
    void ZoomToFit();
    void ZoomToWidth();

    // The page's size in pixels at 100 %, from the printer's paper.
    QSize PageSize100() const;
    // The area the page is fitted into: the viewport without scroll bars.
    QSize ViewSize() const { return maximumViewportSize(); }

    TVRPreviewImage* PreviewImage() const { return FPreviewImage; }

    // The arrow keys' rule: a scroll increment, turning the page at either end.
    void ScrollUp();
    void ScrollDown();
    // Scrolls so that the rectangle (image coordinates) is in view.
    void ShowImageRect(const QRect& rect);

    std::function<void(int pages)> OnPageAvailable;
    std::function<void(int percent)> OnProgressUpdate;
    // The page shown changed through the view itself (the arrow keys' page turns).
    std::function<void(int page)> OnPageTurned;
    // Ctrl + wheel: one zoom step in (+1) or out (-1).
    std::function<void(int step)> OnZoomStep;

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void ResizeImage();
    void RefitZoom();
    // Pans sideways for a horizontal (or Shift + wheel) movement; false for none.
    bool PanHorizontally(QWheelEvent* event);
    int PageCount() const;

    TVRPreviewImage* FPreviewImage;
    int FPageNumber = 1;
    QPointer<TVRPrinter> FVRPrinter;
    int FZoom = 100;
    TVRZoomState FZoomState = vrZoomOther;
    int FWheelRest = 0;  // part of a notch left over from fine-grained wheels
    // The view size the zoom was last fitted to (fit and width states).
    QSize FFittedViewSize;
};

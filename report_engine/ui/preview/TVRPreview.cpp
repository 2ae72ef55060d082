#include "report_engine/ui/preview/TVRPreview.h"

#include <QFocusEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include "report_engine/base/Rounding.h"
#include "report_engine/emf/EmfPlayer.h"
#include "report_engine/emf/TVRMetafile.h"
#include "report_engine/printer/TVRPageSearch.h"
#include "report_engine/printer/TVRPrinter.h"

namespace {

// The outline and shadow around the sheet: 1 pixel left and above, 4 right and below.
constexpr int frameExtra = 4;
// How far the arrow keys and the mouse wheel scroll the page.
constexpr int scrollIncrement = 40;

}  // namespace

QRect SheetRect(const QRect& frame) {
    return QRect(frame.left() + 1, frame.top() + 1, frame.width() - frameExtra,
                 frame.height() - frameExtra);
}

void DrawPageFrame(QPainter& painter, const QRect& frame, const QImage* page) {
    if (frame.width() <= frameExtra || frame.height() <= frameExtra) return;
    const QRect sheet = SheetRect(frame);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(sheet, Qt::white);
    if (page && !page->isNull()) painter.drawImage(sheet, *page);

    const int left = frame.left(), top = frame.top();
    const int right = frame.left() + frame.width(), bottom = frame.top() + frame.height();
    QPen outline(Qt::black, 0);
    painter.setPen(outline);
    painter.setBrush(Qt::NoBrush);
    const QPoint corners[] = {
        {left, top}, {left, bottom - 3}, {right - 3, bottom - 3}, {right - 3, top}};
    painter.drawPolygon(corners, 4);
    painter.fillRect(QRect(QPoint(right - 2, top + 2), QPoint(right - 1, bottom - 1)), Qt::black);
    painter.fillRect(QRect(QPoint(left + 2, bottom - 2), QPoint(right - 1, bottom - 1)), Qt::black);
    painter.restore();
}

QImage RenderPage(const TVRMetafile& page, QSize pixelSize, qreal pixelRatio) {
    if (pixelSize.isEmpty()) return {};
    const QSize devicePixels = (QSizeF(pixelSize) * pixelRatio).toSize();
    QImage image(devicePixels, QImage::Format_RGB32);
    image.setDevicePixelRatio(pixelRatio);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    page.Play(painter, QRectF(QPointF(0, 0), QSizeF(pixelSize)));
    return image;
}

// ---- TVRPreviewImage ---------------------------------------------------------------

TVRPreviewImage::TVRPreviewImage(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

TVRPreviewImage::~TVRPreviewImage() = default;

void TVRPreviewImage::SetPageNumber(int pageNumber) {
    FPageNumber = pageNumber;
    FMetafile = FVRPrinter ? FVRPrinter->GetPage(pageNumber) : nullptr;
    Invalidate();
}

void TVRPreviewImage::SetZoom(int zoom) {
    if (zoom == FZoom) return;
    FZoom = zoom;
    Invalidate();
}

void TVRPreviewImage::SetHighlight(const QString& text, bool matchCase) {
    FHighlight = text;
    FMatchCase = matchCase;
    Invalidate();
}

QRect TVRPreviewImage::SheetInWidget() const {
    return SheetRect(rect());
}

void TVRPreviewImage::Invalidate() {
    FRendered = QImage();
    FMatchBoxes.reset();
    update();
}

void TVRPreviewImage::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Invalidate();
}

const QList<QPolygonF>& TVRPreviewImage::MatchBoxes() const {
    if (FMatchBoxes) return *FMatchBoxes;
    QList<QPolygonF>& boxes = FMatchBoxes.emplace();
    if (!FMetafile || FHighlight.isEmpty()) return boxes;
    const QString needle = PageSearch::Comparable(FHighlight, FMatchCase);
    const QRect sheet = SheetInWidget();
    for (const EmfPlayer::TextRun& run : EmfPlayer::TextRuns(FMetafile->Bytes(), QRectF(sheet)))
        for (const qsizetype start : PageSearch::Matches(run.Text, needle, FMatchCase))
            boxes.append(run.Box(start, needle.size()));
    return boxes;
}

QRect TVRPreviewImage::FirstMatch() const {
    const QList<QPolygonF>& boxes = MatchBoxes();
    return boxes.isEmpty() ? QRect() : boxes.first().boundingRect().toAlignedRect();
}

void TVRPreviewImage::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect sheet = SheetInWidget();
    const qreal ratio = devicePixelRatioF();
    if (FMetafile && !sheet.isEmpty() &&
        (FRendered.isNull() || FRendered.deviceIndependentSize().toSize() != sheet.size() ||
         FRendered.devicePixelRatio() != ratio))
        FRendered = RenderPage(*FMetafile, sheet.size(), ratio);
    DrawPageFrame(painter, rect(), FMetafile ? &FRendered : nullptr);

    const QList<QPolygonF>& boxes = MatchBoxes();
    if (!boxes.isEmpty()) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(255, 200, 0, 110));
        for (const QPolygonF& box : boxes) painter.drawPolygon(box);
    }
}

// ---- TVRPreview --------------------------------------------------------------------

TVRPreview::TVRPreview(QWidget* parent) : QScrollArea(parent) {
    setObjectName(QStringLiteral("VRPreview"));
    setFrameShape(QFrame::NoFrame);
    setAlignment(Qt::AlignCenter);
    setWidgetResizable(false);
    setBackgroundRole(QPalette::Dark);
    setFocusPolicy(Qt::StrongFocus);
    FPreviewImage = new TVRPreviewImage;
    setWidget(FPreviewImage);
    verticalScrollBar()->setSingleStep(scrollIncrement);
    horizontalScrollBar()->setSingleStep(scrollIncrement);
    verticalScrollBar()->setTracking(true);
    horizontalScrollBar()->setTracking(true);
}

void TVRPreview::SetVRPrinter(TVRPrinter* printer) {
    FVRPrinter = printer;
    FPreviewImage->SetVRPrinter(printer);
    if (printer) {
        printer->SetShowingPreview(true);
        printer->SetClient(this);
    }
    ResizeImage();
}

int TVRPreview::PageCount() const {
    return FVRPrinter ? FVRPrinter->PageCount() : 0;
}

void TVRPreview::SetPageNumber(int pageNumber) {
    if (pageNumber < 1 || pageNumber > PageCount()) return;
    FPageNumber = pageNumber;
    FPreviewImage->SetPageNumber(pageNumber);
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
}

void TVRPreview::ReloadPage() {
    FPreviewImage->SetPageNumber(FPageNumber);
}

QSize TVRPreview::PageSize100() const {
    if (!FVRPrinter) return QSize(1123, 794);
    return QSize(FVRPrinter->XSize(FVRPrinter->PaperWidthValue()),
                 FVRPrinter->YSize(FVRPrinter->PaperLengthValue()));
}

void TVRPreview::SetZoom(int zoom) {
    if (zoom < 2 || zoom > 2000) return;
    FZoom = zoom;
    FZoomState = vrZoomOther;
    ResizeImage();
}

void TVRPreview::ZoomToFit() {
    const QSize page = PageSize100();
    const QSize view = ViewSize();
    if (page.isEmpty()) return;
    const int byHeight = Round(double(view.height()) / page.height() * 95);
    const int byWidth = Round(double(view.width()) / page.width() * 95);
    FZoom = qBound(2, std::min(byHeight, byWidth), 2000);
    FZoomState = vrZoomToFit;
    FFittedViewSize = view;
    ResizeImage();
}

void TVRPreview::ZoomToWidth() {
    const QSize page = PageSize100();
    if (page.isEmpty()) return;
    FZoom = qBound(2, Round(double(ViewSize().width()) / page.width() * 90), 2000);
    FZoomState = vrZoomToWidth;
    FFittedViewSize = ViewSize();
    ResizeImage();
}

void TVRPreview::ResizeImage() {
    int width = 1123 * FZoom / 100 + frameExtra;
    int height = 794 * FZoom / 100 + frameExtra;
    if (FVRPrinter) {
        width = FVRPrinter->XSize(FVRPrinter->PaperWidthValue() / 100 * FZoom) + frameExtra;
        height = FVRPrinter->YSize(FVRPrinter->PaperLengthValue() / 100 * FZoom) + frameExtra;
    }
    FPreviewImage->SetZoom(FZoom);
    FPreviewImage->resize(width, height);
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
}

// A view in fit or width state follows its size. Only a size it was not fitted to
// changes anything (entering the view changes nothing else), and the page keeps the
// place the user scrolled to, as far as the new size allows.
void TVRPreview::RefitZoom() {
    if (FZoomState != vrZoomToFit && FZoomState != vrZoomToWidth) return;
    if (ViewSize() == FFittedViewSize) return;
    const int across = horizontalScrollBar()->value();
    const int down = verticalScrollBar()->value();
    if (FZoomState == vrZoomToFit)
        ZoomToFit();
    else
        ZoomToWidth();
    horizontalScrollBar()->setValue(across);
    verticalScrollBar()->setValue(down);
}

void TVRPreview::resizeEvent(QResizeEvent* event) {
    QScrollArea::resizeEvent(event);
    RefitZoom();
}

void TVRPreview::focusInEvent(QFocusEvent* event) {
    QScrollArea::focusInEvent(event);
    RefitZoom();
}

void TVRPreview::ScrollUp() {
    QScrollBar* bar = verticalScrollBar();
    const int increment = bar->singleStep();
    if (bar->value() - increment > 0) {
        bar->setValue(bar->value() - increment);
        return;
    }
    if (FPageNumber > 1) {
        SetPageNumber(FPageNumber - 1);
        bar->setValue(std::max(0, bar->maximum() - increment));
        if (OnPageTurned) OnPageTurned(FPageNumber);
    } else {
        bar->setValue(0);
    }
}

void TVRPreview::ScrollDown() {
    QScrollBar* bar = verticalScrollBar();
    const int increment = bar->singleStep();
    if (bar->value() + increment < bar->maximum()) {
        bar->setValue(bar->value() + increment);
        return;
    }
    if (FPageNumber < PageCount()) {
        SetPageNumber(FPageNumber + 1);
        if (OnPageTurned) OnPageTurned(FPageNumber);
    }
}

// Sideways movement (a touchpad's, or the wheel with Shift held) pans the page
// horizontally, at 1.75 times the distance the same movement scrolls vertically
// (a notch, or the touchpad's pixels), as a page is wider than it is high.
bool TVRPreview::PanHorizontally(QWheelEvent* event) {
    constexpr double panFactor = 1.75;
    QPoint pixels = event->pixelDelta();
    QPoint angle = event->angleDelta();
    if (event->modifiers() & Qt::ShiftModifier && angle.x() == 0 && pixels.x() == 0) {
        pixels = QPoint(pixels.y(), 0);
        angle = QPoint(angle.y(), 0);
    }
    if (angle.x() == 0 && pixels.x() == 0) return false;
    const double distance = pixels.x() != 0
                                ? pixels.x()
                                : double(angle.x()) / int(QWheelEvent::DefaultDeltasPerStep) *
                                      horizontalScrollBar()->singleStep();
    QScrollBar* bar = horizontalScrollBar();
    bar->setValue(bar->value() - qRound(distance * panFactor));
    return true;
}

void TVRPreview::wheelEvent(QWheelEvent* event) {
    if (!(event->modifiers() & Qt::ControlModifier) && PanHorizontally(event)) {
        event->accept();
        return;
    }
    // Each notch acts as an arrow key: towards the user as Down, away as Up; with Ctrl
    // held it zooms instead.
    if (event->angleDelta().y() == 0) {
        // Nothing this view uses: let the window see it.
        event->ignore();
        return;
    }
    FWheelRest += event->angleDelta().y();
    const int notches = FWheelRest / QWheelEvent::DefaultDeltasPerStep;
    FWheelRest -= notches * QWheelEvent::DefaultDeltasPerStep;
    for (int i = 0; i < std::abs(notches); ++i) {
        if (event->modifiers() & Qt::ControlModifier) {
            if (OnZoomStep) OnZoomStep(notches > 0 ? 1 : -1);
        } else if (notches < 0) {
            ScrollDown();
        } else {
            ScrollUp();
        }
    }
    event->accept();
}

void TVRPreview::ShowImageRect(const QRect& rect) {
    if (rect.isEmpty()) return;
    const QPoint centre = rect.center();
    ensureVisible(centre.x(), centre.y(), rect.width() / 2 + 40, rect.height() / 2 + 40);
}

bool TVRPreview::event(QEvent* event) {
    if (event->type() == TVRPrinterNotification::PageAvailableType()) {
        const int pages = static_cast<TVRPrinterNotification*>(event)->Value();
        // The page shown may have been only partly there when it was fetched.
        if (!FPreviewImage->Metafile() && FPageNumber <= pages) ReloadPage();
        if (OnPageAvailable) OnPageAvailable(pages);
        return true;
    }
    if (event->type() == TVRPrinterNotification::ProgressType()) {
        if (OnProgressUpdate)
            OnProgressUpdate(static_cast<TVRPrinterNotification*>(event)->Value());
        return true;
    }
    return QScrollArea::event(event);
}

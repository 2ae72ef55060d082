#include "report_engine/canvas/TVRMetafileCanvas.h"

#include <QMutex>
#include <QPainter>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <unordered_map>
#include <vector>

#include "report_engine/canvas/TextMeasure.h"
#include "report_engine/emf/EmfWriter.h"
#include "report_engine/emf/TVRMetafile.h"

using namespace Emf;

namespace {

// Objects kept alive per kind before the least recently used one is deleted; enough
// for a page's usual fonts, pens and brushes while keeping the handle table small.
constexpr int ObjectsPerKind = 8;

// A picture is recorded with at most this many pixels per pixel of its box: about
// 192 dpi on the 96 dpi reference device, enough for the preview up to 200 %. Printing
// runs the report again at the printer's resolution and draws the picture from its
// source, so nothing finer is needed in the page store.
constexpr int PicturePixelsPerBoxPixel = 2;

// The bytes a picture may take in a page (bitmap header, colour table and bits): its
// box at the reference resolution in 24 bits, and never less than this. A picture that
// does not fit at twice its box is recorded at its box's size, which always fits; at
// twice its box a full-page picture would cost 10 MB on every page.
constexpr qint64 SmallestPictureBudget = 64 * 1024;

// A picture of at most this many colours is stored as an 8-bit bitmap with its colour
// table when that is smaller than 24 bits.
constexpr int PaletteColours = 256;

bool SameFace(const TVRFont& a, const TVRFont& b) {
    return a.Size == b.Size && a.Bold == b.Bold && a.Italic == b.Italic &&
           a.Underline == b.Underline && a.StrikeOut == b.StrikeOut && a.Charset == b.Charset &&
           a.Name == b.Name;
}

quint32 PenStyleOf(TVRPenStyle style) {
    switch (style) {
        case psDash:
            return PS_DASH;
        case psDot:
            return PS_DOT;
        case psDashDot:
            return PS_DASHDOT;
        case psDashDotDot:
            return PS_DASHDOTDOT;
        case psClear:
            return PS_NULL;
        case psInsideFrame:
            return PS_INSIDEFRAME;
        default:
            return PS_SOLID;
    }
}

struct EncodedPicture {
    qint64 CacheKey = 0;
    QSize SourceSize;
    QSize Box;
    QSize Size;  // as recorded
    QByteArray BitmapInfo;
    QByteArray Bits;

    qint64 Bytes() const { return qint64(BitmapInfo.size()) + Bits.size(); }
};

// Bytes of one row of a DIB: whole 32-bit words.
qint64 DibStride(int width, int bitCount) {
    return ((qint64(width) * bitCount + 31) / 32) * 4;
}

// Bytes of a plain DIB of `size`: header, colour table and bits.
qint64 DibBytes(const QSize& size, int bitCount, int colours) {
    return qint64(sizeof(BITMAPINFOHEADER)) + 4 * qint64(colours) +
           DibStride(size.width(), bitCount) * size.height();
}

qint64 PictureBudget(const QSize& box) {
    return std::max(SmallestPictureBudget, DibBytes(box, 24, 0));
}

// The picture's size, never larger than `limit` in either direction.
QSize NoLargerThan(const QSize& source, const QSize& limit) {
    return QSize(std::min(source.width(), std::max(1, limit.width())),
                 std::min(source.height(), std::max(1, limit.height())));
}

// The picture scaled smoothly to `size` and laid on white, the colour of the paper,
// where it is transparent.
QImage FlatPicture(const QImage& image, const QSize& size) {
    const QImage scaled = size == image.size()
                              ? image
                              : image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QImage flat(size, QImage::Format_RGB32);
    flat.fill(Qt::white);
    QPainter painter(&flat);
    painter.drawImage(0, 0, scaled);
    return flat;
}

QByteArray BitmapInfoHeader(const QSize& size, int bitCount, int colours, qint64 bitsBytes) {
    BITMAPINFOHEADER info{};
    info.biSize = sizeof(BITMAPINFOHEADER);
    info.biWidth = size.width();
    info.biHeight = size.height();  // rows bottom-up
    info.biPlanes = 1;
    info.biBitCount = quint16(bitCount);
    info.biCompression = BI_RGB;
    info.biSizeImage = quint32(bitsBytes);
    info.biXPelsPerMeter = 3780;  // 96 dpi
    info.biYPelsPerMeter = 3780;
    info.biClrUsed = quint32(colours);
    return QByteArray(reinterpret_cast<const char*>(&info), sizeof info);
}

// The flat picture as a 24-bit DIB: bottom-up rows of blue, green, red.
void EncodeRgb(const QImage& flat, EncodedPicture& picture) {
    const int width = flat.width(), height = flat.height();
    const qint64 stride = DibStride(width, 24);
    picture.Bits = QByteArray(stride * height, '\0');
    char* bits = picture.Bits.data();
    for (int y = 0; y < height; ++y) {
        const auto* source = reinterpret_cast<const QRgb*>(flat.constScanLine(height - 1 - y));
        char* row = bits + stride * y;
        for (int x = 0; x < width; ++x) {
            row[3 * x] = char(qBlue(source[x]));
            row[3 * x + 1] = char(qGreen(source[x]));
            row[3 * x + 2] = char(qRed(source[x]));
        }
    }
    picture.BitmapInfo = BitmapInfoHeader(flat.size(), 24, 0, picture.Bits.size());
}

// The flat picture as an 8-bit DIB whose colour table holds its colours in the order
// they first appear in the bits; false, leaving `picture` as it was, when it has more
// colours than a table holds.
bool EncodeIndexed(const QImage& flat, EncodedPicture& picture) {
    const int width = flat.width(), height = flat.height();
    const qint64 stride = DibStride(width, 8);
    QByteArray bits(stride * height, '\0');
    std::vector<QRgb> table;
    std::unordered_map<QRgb, uchar> indexOf;
    QRgb previous = 0;
    uchar previousIndex = 0;
    for (int y = 0; y < height; ++y) {  // bottom-up rows
        const auto* source = reinterpret_cast<const QRgb*>(flat.constScanLine(height - 1 - y));
        auto* row = reinterpret_cast<uchar*>(bits.data() + stride * y);
        for (int x = 0; x < width; ++x) {
            const QRgb colour = source[x] & RGB_MASK;
            if (table.empty() || colour != previous) {
                const auto found = indexOf.find(colour);
                if (found != indexOf.end()) {
                    previousIndex = found->second;
                } else {
                    if (int(table.size()) == PaletteColours) return false;
                    previousIndex = uchar(table.size());
                    indexOf.emplace(colour, previousIndex);
                    table.push_back(colour);
                }
                previous = colour;
            }
            row[x] = previousIndex;
        }
    }
    QByteArray info = BitmapInfoHeader(flat.size(), 8, int(table.size()), bits.size());
    for (const QRgb colour : table) {  // RGBQUAD: blue, green, red, reserved
        const char entry[4]{char(qBlue(colour)), char(qGreen(colour)), char(qRed(colour)), 0};
        info.append(entry, 4);
    }
    picture.BitmapInfo = std::move(info);
    picture.Bits = std::move(bits);
    return true;
}

// The picture at `size` as a plain DIB (BI_RGB, rows bottom-up), the form every EMF
// reader draws: 8 bits with a colour table when its recorded pixels have few enough
// colours and that is smaller, else 24 bits.
EncodedPicture EncodeAtSize(const QImage& image, const QSize& size) {
    EncodedPicture picture;
    picture.CacheKey = image.cacheKey();
    picture.SourceSize = image.size();
    picture.Size = size;
    const QImage flat = FlatPicture(image, size);
    EncodedPicture indexed = picture;
    if (EncodeIndexed(flat, indexed) && indexed.Bytes() < DibBytes(size, 24, 0)) return indexed;
    EncodeRgb(flat, picture);
    return picture;
}

// The picture for a box of `box` pixels: at up to twice the box's size when that fits
// the box's byte budget, else at up to the box's size.
EncodedPicture EncodePicture(const QImage& image, const QSize& box) {
    const qint64 budget = PictureBudget(box);
    const QSize fine = NoLargerThan(image.size(), box * PicturePixelsPerBoxPixel);
    EncodedPicture picture;
    // Eight bits without a colour table is the least that size can cost.
    if (DibBytes(fine, 8, 0) <= budget) picture = EncodeAtSize(image, fine);
    if (picture.Bits.isEmpty() || picture.Bytes() > budget)
        picture = EncodeAtSize(image, NoLargerThan(image.size(), box));
    picture.Box = box;
    return picture;
}

// The last pictures encoded: a report prints the same picture in the same box on every
// page.
EncodedPicture CachedPicture(const QImage& image, const QSize& box) {
    static QMutex lock;
    static std::array<EncodedPicture, 4> cache;
    static int next = 0;
    QMutexLocker locker(&lock);
    for (const EncodedPicture& picture : cache)
        if (picture.CacheKey == image.cacheKey() && picture.SourceSize == image.size() &&
            picture.Box == box)
            return picture;
    EncodedPicture& slot = cache[next];
    next = (next + 1) % int(cache.size());
    slot = EncodePicture(image, box);
    return slot;
}

}  // namespace

// The device-context state the records have set so far, and the objects alive in the
// metafile's handle table; calls that would not change that state write nothing.
class EmfRecorder {
public:
    template <typename Value>
    struct Cached {
        Value Key;
        quint32 Handle;
        quint64 LastUse;
    };

    Writer Records;
    std::vector<quint32> FreeHandles;
    quint32 NextHandle = 1;
    quint64 UseClock = 0;
    std::vector<Cached<TVRFont>> Fonts;
    std::vector<Cached<TVRPen>> Pens;
    std::vector<Cached<TVRBrush>> Brushes;

    // What the caller asked for.
    TVRFont Font;
    TVRPen Pen;
    TVRBrush Brush;
    TAlignment Alignment = taLeftJustify;
    bool Transparent = false;
    const TVRFontMetrics* Metrics = nullptr;
    TVRFont MetricsFont;

    // What the device context holds (a device context starts with these).
    quint32 SelectedFont = SYSTEM_FONT;
    quint32 SelectedPen = BLACK_PEN;
    quint32 SelectedBrush = WHITE_BRUSH;
    quint32 TextAlign = TA_TOP | TA_LEFT;
    quint32 BkMode = OPAQUE;
    TColor TextColor = clBlack;
    TColor BkColor = clWhite;
    bool Clipped = false;
    TRect Clip;
    bool Ended = false;

    std::vector<qint32> Advances;

    quint32 AllocateHandle() {
        if (!FreeHandles.empty()) {
            const quint32 handle = FreeHandles.back();
            FreeHandles.pop_back();
            return handle;
        }
        return NextHandle++;
    }

    // Finds or creates the object for `key`; evicts the least recently used unselected
    // object of its kind when the kind is full.
    template <typename Value, typename Create>
    quint32 ObjectFor(std::vector<Cached<Value>>& cache, const Value& key, quint32 selected,
                      bool (*same)(const Value&, const Value&), Create create) {
        for (auto& entry : cache)
            if (same(entry.Key, key)) {
                entry.LastUse = ++UseClock;
                return entry.Handle;
            }
        if (int(cache.size()) >= ObjectsPerKind) {
            auto victim = cache.end();
            for (auto it = cache.begin(); it != cache.end(); ++it)
                if (it->Handle != selected &&
                    (victim == cache.end() || it->LastUse < victim->LastUse))
                    victim = it;
            Records.EmrDeleteObject(victim->Handle);
            FreeHandles.push_back(victim->Handle);
            cache.erase(victim);
        }
        const quint32 handle = AllocateHandle();
        create(handle);
        cache.push_back({key, handle, ++UseClock});
        return handle;
    }

    void RealizeFont() {
        if (SelectedFont != SYSTEM_FONT) {
            for (auto& entry : Fonts)
                if (entry.Handle == SelectedFont && SameFace(entry.Key, Font)) {
                    entry.LastUse = ++UseClock;
                    return;
                }
        }
        const quint32 handle =
            ObjectFor<TVRFont>(Fonts, Font, SelectedFont, SameFace, [this](quint32 created) {
                Records.EmrExtCreateFontIndirectW(
                    created, -TextMeasure::EmPixels(Font.Size), Font.Bold ? FW_BOLD : FW_NORMAL,
                    Font.Italic, Font.Underline, Font.StrikeOut, quint8(Font.Charset), Font.Name);
            });
        Records.EmrSelectObject(handle);
        SelectedFont = handle;
    }

    static bool SamePen(const TVRPen& a, const TVRPen& b) { return a == b; }
    static bool SameBrush(const TVRBrush& a, const TVRBrush& b) { return a == b; }

    void RealizePen() {
        quint32 handle;
        if (Pen.Style == psClear) {
            handle = NULL_PEN;
        } else {
            handle = ObjectFor<TVRPen>(Pens, Pen, SelectedPen, SamePen, [this](quint32 created) {
                Records.EmrCreatePen(created, PenStyleOf(Pen.Style), std::max(0, Pen.Width),
                                     ColorToRGB(Pen.Color));
            });
        }
        SelectIfNeeded(SelectedPen, handle);
    }

    void SelectNullPen() { SelectIfNeeded(SelectedPen, NULL_PEN); }

    void RealizeBrush() {
        quint32 handle;
        if (Brush.Style == bsClear || Brush.Color == clNone) {
            handle = NULL_BRUSH;
        } else {
            handle = ObjectFor<TVRBrush>(
                Brushes, Brush, SelectedBrush, SameBrush, [this](quint32 created) {
                    if (Brush.Style == bsSolid)
                        Records.EmrCreateBrushIndirect(created, BS_SOLID, ColorToRGB(Brush.Color),
                                                       0);
                    else
                        Records.EmrCreateBrushIndirect(created, BS_HATCHED, ColorToRGB(Brush.Color),
                                                       quint32(Brush.Style - bsHorizontal));
                });
        }
        SelectIfNeeded(SelectedBrush, handle);
    }

    void SelectIfNeeded(quint32& selected, quint32 handle) {
        if (selected == handle) return;
        Records.EmrSelectObject(handle);
        selected = handle;
    }

    // `clearBrush`: a text cell over a clear brush stays transparent, as a canvas draws it.
    void RealizeBkMode(bool clearBrush = false) {
        const quint32 mode = Transparent || clearBrush ? TRANSPARENT : OPAQUE;
        if (mode != BkMode) {
            Records.EmrSetBkMode(mode);
            BkMode = mode;
        }
    }

    const TVRFontMetrics& CurrentMetrics() {
        if (!Metrics || !SameFace(MetricsFont, Font)) {
            Metrics = &TextMeasure::Metrics(Font);
            MetricsFont = Font;
        }
        return *Metrics;
    }
};

TVRMetafileCanvas::TVRMetafileCanvas(TVRMetafile& target)
    : FTarget(target), FRecorder(std::make_unique<EmfRecorder>()) {
    FRecorder->Records.PageHeader(target.Width(), target.Height());
}

TVRMetafileCanvas::~TVRMetafileCanvas() {
    End();
}

void TVRMetafileCanvas::End() {
    EmfRecorder& r = *FRecorder;
    if (r.Ended) return;
    r.Ended = true;
    r.Records.EmrEof();
    r.Records.PatchHeader(quint16(std::min<quint32>(r.NextHandle, 0xFFFF)));
    FTarget.SetBytes(r.Records.Take());
}

void TVRMetafileCanvas::SetFont(const TVRFont& font) {
    FRecorder->Font = font;
}
void TVRMetafileCanvas::SetPen(const TVRPen& pen) {
    FRecorder->Pen = pen;
}
void TVRMetafileCanvas::SetBrush(const TVRBrush& brush) {
    FRecorder->Brush = brush;
}
void TVRMetafileCanvas::SetTextAlign(TAlignment alignment) {
    FRecorder->Alignment = alignment;
}
void TVRMetafileCanvas::SetBkModeTransparent(bool transparent) {
    FRecorder->Transparent = transparent;
}

void TVRMetafileCanvas::SetClipRect(const TRect& rect) {
    EmfRecorder& r = *FRecorder;
    if (r.Ended || (r.Clipped && r.Clip == rect)) return;
    if (r.Clipped) r.Records.EmrExtSelectClipRgnReset();
    r.Records.EmrIntersectClipRect(RectL{rect.Left, rect.Top, rect.Right, rect.Bottom});
    r.Clipped = true;
    r.Clip = rect;
}

void TVRMetafileCanvas::ResetClip() {
    EmfRecorder& r = *FRecorder;
    if (r.Ended || !r.Clipped) return;
    r.Records.EmrExtSelectClipRgnReset();
    r.Clipped = false;
}

void TVRMetafileCanvas::TextOut(int x, int y, const QString& text) {
    EmfRecorder& r = *FRecorder;
    if (r.Ended || text.isEmpty()) return;
    r.RealizeFont();
    const TColor color = ColorToRGB(r.Font.Color);
    if (color != r.TextColor) {
        r.Records.EmrSetTextColor(color);
        r.TextColor = color;
    }
    const quint32 align = r.Alignment == taRightJustify ? TA_RIGHT
                          : r.Alignment == taCenter     ? TA_CENTER
                                                        : TA_LEFT;
    if (align != r.TextAlign) {
        r.Records.EmrSetTextAlign(align);
        r.TextAlign = align;
    }
    const bool clearBrush = r.Brush.Style == bsClear || r.Brush.Color == clNone;
    r.RealizeBkMode(clearBrush);
    if (!r.Transparent && !clearBrush) {
        // An opaque text cell takes the brush colour, as a canvas paints it.
        const TColor background = ColorToRGB(r.Brush.Color);
        if (background != r.BkColor) {
            r.Records.EmrSetBkColor(background);
            r.BkColor = background;
        }
    }
    const QSize extent = r.CurrentMetrics().Extent(text, &r.Advances);
    int left = x;
    if (align == TA_RIGHT)
        left = x - extent.width();
    else if (align == TA_CENTER)
        left = x - extent.width() / 2;
    const RectL bounds{left, y, left + std::max(extent.width(), 1) - 1, y + extent.height() - 1};
    r.Records.EmrExtTextOutW(bounds, x, y, reinterpret_cast<const char16_t*>(text.utf16()),
                             quint32(text.size()), r.Advances.data());
}

void TVRMetafileCanvas::FillRect(const TRect& rect) {
    EmfRecorder& r = *FRecorder;
    if (r.Ended || rect.Width() <= 0 || rect.Height() <= 0) return;
    if (r.Brush.Style == bsClear || r.Brush.Color == clNone) return;
    r.RealizeBrush();
    r.RealizeBkMode();
    r.SelectNullPen();
    // Without a pen a rectangle fills one pixel less to the right and bottom.
    r.Records.EmrRectangle(RectL{rect.Left, rect.Top, rect.Right + 1, rect.Bottom + 1});
}

void TVRMetafileCanvas::Rectangle(const TRect& rect) {
    EmfRecorder& r = *FRecorder;
    if (r.Ended) return;
    r.RealizeBrush();
    r.RealizePen();
    r.RealizeBkMode();
    r.Records.EmrRectangle(RectL{rect.Left, rect.Top, rect.Right, rect.Bottom});
}

void TVRMetafileCanvas::Ellipse(const TRect& rect) {
    EmfRecorder& r = *FRecorder;
    if (r.Ended) return;
    r.RealizeBrush();
    r.RealizePen();
    r.RealizeBkMode();
    r.Records.EmrEllipse(RectL{rect.Left, rect.Top, rect.Right, rect.Bottom});
}

void TVRMetafileCanvas::RoundRect(const TRect& rect, int cornerWidth, int cornerHeight) {
    EmfRecorder& r = *FRecorder;
    if (r.Ended) return;
    r.RealizeBrush();
    r.RealizePen();
    r.RealizeBkMode();
    r.Records.EmrRoundRect(RectL{rect.Left, rect.Top, rect.Right, rect.Bottom}, cornerWidth,
                           cornerHeight);
}

void TVRMetafileCanvas::MoveTo(int x, int y) {
    if (FRecorder->Ended) return;
    FRecorder->Records.EmrMoveToEx(x, y);
}

void TVRMetafileCanvas::LineTo(int x, int y) {
    EmfRecorder& r = *FRecorder;
    if (r.Ended) return;
    r.RealizePen();
    r.RealizeBkMode();
    r.Records.EmrLineTo(x, y);
}

void TVRMetafileCanvas::StretchDraw(const TRect& rect, const QImage& image) {
    EmfRecorder& r = *FRecorder;
    if (r.Ended || image.isNull() || rect.Width() == 0 || rect.Height() == 0) return;
    const QSize box(std::abs(rect.Width()), std::abs(rect.Height()));
    // Shares the cached bytes.
    const EncodedPicture picture = CachedPicture(image, box);
    const RectL bounds{std::min(rect.Left, rect.Right), std::min(rect.Top, rect.Bottom),
                       std::max(rect.Left, rect.Right) - 1, std::max(rect.Top, rect.Bottom) - 1};
    r.Records.EmrStretchDIBits(bounds, rect.Left, rect.Top, rect.Width(), rect.Height(),
                               picture.Size.width(), picture.Size.height(), picture.BitmapInfo,
                               picture.Bits);
}

QSize TVRMetafileCanvas::TextExtent(const QString& text) {
    return FRecorder->CurrentMetrics().Extent(text);
}

// Pages recorded through TVRMetafileCanvas: what they replay to, what their header
// says, and how compactly they record.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QSize>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>
#include <map>

#include "core/Exception.h"
#include "report_engine/canvas/TVRMetafileCanvas.h"
#include "report_engine/canvas/TextMeasure.h"
#include "report_engine/emf/EmfReader.h"
#include "report_engine/emf/EmfRecords.h"
#include "report_engine/emf/TVRMetafile.h"
#include "tests/support/ImageDifference.h"

namespace {

std::vector<Emf::Record> Records(const QByteArray& emf) {
    std::vector<Emf::Record> records;
    Emf::RecordWalk walk(emf);
    while (const auto record = walk.Next()) records.push_back(*record);
    return records;
}

int CountOf(const QByteArray& emf, quint32 type) {
    int count = 0;
    for (const Emf::Record& record : Records(emf)) count += record.Type() == type;
    return count;
}

std::optional<Emf::Record> FirstOf(const QByteArray& emf, quint32 type) {
    for (const Emf::Record& record : Records(emf))
        if (record.Type() == type) return record;
    return std::nullopt;
}

QImage Replay(const TVRMetafile& page, double scale, bool* complete = nullptr) {
    QImage image(qRound(page.Width() * scale), qRound(page.Height() * scale), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    const bool played = page.Play(painter, QRectF(0, 0, image.width(), image.height()));
    if (complete) *complete = played;
    return image;
}

// Left and right ends of the dark pixels in a band of rows.
std::pair<int, int> InkColumns(const QImage& image, int top, int bottom) {
    int left = image.width(), right = -1;
    for (int y = top; y < bottom; ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    return {left, right};
}

// A page of known content: a red filled box (20,20)-(80,60), a blue line at y = 100,
// a green bordered rectangle, a picture and two texts.
void RecordSample(TVRMetafile& page) {
    TVRMetafileCanvas canvas(page);
    canvas.SetBrush(TVRBrush{clRed, bsSolid});
    canvas.FillRect(TRect{20, 20, 80, 60});
    canvas.SetPen(TVRPen{clBlue, 1, psSolid});
    canvas.MoveTo(20, 100);
    canvas.LineTo(300, 100);
    canvas.SetBrush(TVRBrush{clLime, bsSolid});
    canvas.SetPen(TVRPen{clBlack, 1, psSolid});
    canvas.Rectangle(TRect{200, 20, 260, 60});
    QImage picture(4, 4, QImage::Format_RGB32);
    picture.fill(QColor(0, 0, 255));
    canvas.StretchDraw(TRect{300, 20, 340, 60}, picture);
    TVRFont font;
    font.Size = 20;
    canvas.SetFont(font);
    canvas.SetBkModeTransparent(true);
    canvas.SetTextAlign(taLeftJustify);
    canvas.TextOut(20, 150, QStringLiteral("Hello"));
    font.Size = 8;
    font.Bold = true;
    canvas.SetFont(font);
    canvas.SetTextAlign(taRightJustify);
    canvas.TextOut(380, 250, QStringLiteral("Pág. 1"));
}

// The pictures of the picture-size table, drawn so that a picture shown upside down,
// mirrored or shifted by a row's padding no longer looks like itself.
enum class Pattern {
    Gradient,   // red across, green down: a colour for nearly every pixel
    Quadrants,  // four colours
    LineArt,    // black diagonal stripes on white
    Indexed,    // an 8-bit source with a colour table of 16 colours
};

QImage PatternPicture(Pattern pattern, const QSize& size) {
    const int width = size.width(), height = size.height();
    if (pattern == Pattern::Indexed) {
        QImage picture(size, QImage::Format_Indexed8);
        QList<QRgb> table;
        for (int i = 0; i < 16; ++i) table << qRgb(i * 16, 255 - i * 16, (i * 40) % 256);
        picture.setColorTable(table);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                picture.setPixel(x, y, uint(x * 4 / width + 4 * (y * 4 / height)));
        return picture;
    }
    QImage picture(size, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            QRgb colour;
            if (pattern == Pattern::Gradient) {
                colour =
                    qRgb(255 * x / std::max(1, width - 1), 255 * y / std::max(1, height - 1), 128);
            } else if (pattern == Pattern::Quadrants) {
                const QRgb quadrants[]{qRgb(200, 0, 0), qRgb(0, 128, 0), qRgb(0, 0, 200),
                                       qRgb(230, 200, 0)};
                colour = quadrants[(x < width / 2 ? 0 : 1) + (y < height / 2 ? 0 : 2)];
            } else {
                colour = (x + y) / 40 % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
            }
            picture.setPixel(x, y, colour);
        }
    return picture;
}

struct PictureCase {
    const char* name;
    Pattern pattern;
    QSize picture;
    TRect box;
    QSize stored;
    int bitCount;
};

// Boxes small and large, pictures of few and many colours. A picture fits its byte
// budget (its box in 24 bits, at least 64 KiB) at up to twice its box, or else is
// recorded at its box's size; 8 bits when its recorded pixels have at most 256 colours
// and that is smaller.
const PictureCase PictureCases[]{
    {"many colours, small box: twice the box",
     Pattern::Gradient,
     {600, 600},
     {10, 10, 70, 70},
     {120, 120},
     24},
    {"many colours, twice the box over the budget: the box",
     Pattern::Gradient,
     {600, 600},
     {10, 10, 110, 110},
     {100, 100},
     24},
    {"many colours, full page: the box",
     Pattern::Gradient,
     {1200, 1700},
     {10, 10, 804, 1133},
     {794, 1123},
     24},
    {"four colours: twice the box in 8 bits",
     Pattern::Quadrants,
     {600, 600},
     {10, 10, 110, 110},
     {200, 200},
     8},
    {"wide and short, four colours",
     Pattern::Quadrants,
     {600, 50},
     {10, 10, 110, 110},
     {200, 50},
     8},
    {"line art, full page: the box in 8 bits",
     Pattern::LineArt,
     {1600, 2200},
     {10, 10, 804, 1133},
     {794, 1123},
     8},
    {"indexed source smaller than its box, as it is",
     Pattern::Indexed,
     {81, 61},
     {10, 10, 110, 110},
     {81, 61},
     8},
    {"tiny, 24 bits being smaller than a colour table",
     Pattern::Gradient,
     {4, 4},
     {10, 10, 110, 110},
     {4, 4},
     24},
    {"mirrored box", Pattern::Gradient, {600, 600}, {70, 70, 10, 10}, {120, 120}, 24},
};

QRect BoxRect(const TRect& box) {
    return QRect(std::min(box.Left, box.Right), std::min(box.Top, box.Bottom),
                 std::abs(box.Width()), std::abs(box.Height()));
}

// A page holding the case's picture in its box, with paper around it.
std::unique_ptr<TVRMetafile> PicturePage(const PictureCase& c) {
    const QRect box = BoxRect(c.box);
    auto page = std::make_unique<TVRMetafile>(box.right() + 11, box.bottom() + 11);
    TVRMetafileCanvas canvas(*page);
    canvas.StretchDraw(c.box, PatternPicture(c.pattern, c.picture));
    return page;
}

// A picture as a page shows it in a box of `size`: scaled down smoothly, or enlarged
// pixel by pixel as a painter without smoothing enlarges it.
QImage ShownInBox(const QImage& picture, const QSize& size) {
    const bool enlarged = picture.width() < size.width() || picture.height() < size.height();
    return picture
        .scaled(size, Qt::IgnoreAspectRatio,
                enlarged ? Qt::FastTransformation : Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_RGB32);
}

// What the box should show: the picture in the box, mirrored as the box is.
QImage ExpectedPicture(const PictureCase& c) {
    return ShownInBox(PatternPicture(c.pattern, c.picture), BoxRect(c.box).size())
        .mirrored(c.box.Width() < 0, c.box.Height() < 0);
}

}  // namespace

TEST(EmfRecording, ReplaysShapesPicturesAndTextAtAnyScale) {
    TVRMetafile page(400, 300);
    RecordSample(page);
    for (double scale : {1.0, 2.0, 0.5}) {
        SCOPED_TRACE(scale);
        bool complete = false;
        const QImage image = Replay(page, scale, &complete);
        EXPECT_TRUE(complete);
        auto at = [&](int x, int y) {
            return QColor(image.pixel(qRound(x * scale), qRound(y * scale)));
        };
        EXPECT_EQ(at(50, 40), QColor(Qt::red));
        EXPECT_EQ(at(230, 40), QColor(Qt::green));
        EXPECT_EQ(at(320, 40), QColor(Qt::blue));
        EXPECT_EQ(at(150, 100), QColor(Qt::blue));
        EXPECT_EQ(at(150, 110), QColor(Qt::white));
        EXPECT_EQ(at(200, 40), QColor(Qt::black));  // the rectangle's outline
        const auto [left, right] = InkColumns(image, qRound(150 * scale), qRound(180 * scale));
        EXPECT_GE(left, 0);
        EXPECT_GT(right, left);
    }
}

TEST(EmfRecording, FilledRectanglesCoverExactlyTheirPixelsAtOneToOne) {
    TVRMetafile page(400, 300);
    RecordSample(page);
    const QImage image = Replay(page, 1.0);
    // FillRect (20,20)-(80,60) covers columns 20..79 and rows 20..59.
    EXPECT_EQ(QColor(image.pixel(20, 20)), QColor(Qt::red));
    EXPECT_EQ(QColor(image.pixel(79, 59)), QColor(Qt::red));
    EXPECT_EQ(QColor(image.pixel(80, 40)), QColor(Qt::white));
    EXPECT_EQ(QColor(image.pixel(50, 60)), QColor(Qt::white));
    EXPECT_EQ(QColor(image.pixel(19, 40)), QColor(Qt::white));
}

TEST(EmfRecording, TextLandsWhereItWasMeasured) {
    TVRFont font;
    font.Size = 20;
    const QString text = QStringLiteral("Registros de logradouros");
    const int width = TextMeasure::Extent(font, text).width();
    TVRMetafile page(600, 100);
    {
        TVRMetafileCanvas canvas(page);
        canvas.SetFont(font);
        canvas.SetBkModeTransparent(true);
        canvas.SetTextAlign(taCenter);
        canvas.TextOut(300, 20, text);
    }
    const QImage image = Replay(page, 1.0);
    const auto [left, right] = InkColumns(image, 0, 100);
    // Ink starts and ends within a couple of pixels of the measured box (side bearings).
    EXPECT_NEAR(left, 300 - width / 2, 3);
    EXPECT_NEAR(right, 300 - width / 2 + width, 3);
    const auto [top, bottom] = [&] {
        int first = -1, last = -1;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qGray(image.pixel(x, y)) < 128) {
                    if (first < 0) first = y;
                    last = y;
                }
        return std::pair{first, last};
    }();
    // A top-aligned line hangs below its reference point, within the cell height.
    const QSize extent = TextMeasure::Extent(font, text);
    EXPECT_GE(top, 20);
    EXPECT_LE(bottom, 20 + extent.height());
}

TEST(EmfRecording, TextsAreFoundInRecordingOrder) {
    TVRMetafile page(400, 300);
    RecordSample(page);
    EXPECT_EQ(page.Texts(), (QStringList{QStringLiteral("Hello"), QStringLiteral("Pág. 1")}));
    EXPECT_TRUE(TVRMetafile(100, 100).Texts().isEmpty());
}

TEST(EmfRecording, HeaderDescribesTheRecording) {
    TVRMetafile page(1123, 794);
    RecordSample(page);
    const QByteArray& emf = page.Bytes();
    const auto records = Records(emf);
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records.front().Type(), Emf::EMR_HEADER);
    EXPECT_EQ(records.back().Type(), Emf::EMR_EOF);
    EXPECT_EQ(records.back().Data() + records.back().Size(), emf.constData() + emf.size());
    const auto header = Emf::ReadAt<Emf::EMRHEADER>(emf, 0);
    EXPECT_EQ(header.emr.nSize, sizeof(Emf::EMRHEADER));
    EXPECT_EQ(header.dSignature, Emf::ENHMETA_SIGNATURE);
    EXPECT_EQ(header.nBytes, quint32(emf.size()));
    EXPECT_EQ(header.nRecords, quint32(records.size()));
    // Bounds: the page in pixels; frame: the page in hundredths of a millimetre.
    EXPECT_EQ(header.rclBounds.right, 1122);
    EXPECT_EQ(header.rclBounds.bottom, 793);
    EXPECT_NEAR(header.rclFrame.right, 29712, 1);
    EXPECT_NEAR(header.rclFrame.bottom, 21008, 1);
    // Reference device: a 96 dpi screen.
    EXPECT_NEAR(header.szlDevice.cx * 25.4 / (header.szlMicrometers.cx / 1000.0), 96.0, 0.01);
    // Every object handle written lies inside the declared table.
    for (const Emf::Record& record : records)
        if (record.Type() == Emf::EMR_SELECTOBJECT) {
            Emf::EMROBJECT select;
            ASSERT_TRUE(record.Read(select));
            if (!(select.ihObject & Emf::STOCK_OBJECT)) {
                EXPECT_LT(select.ihObject, header.nHandles);
            }
        }
    EXPECT_EQ(page.Width(), 1123);
    EXPECT_EQ(page.Height(), 794);
    EXPECT_EQ(emf.size() % 4, 0);
}

// A new page is the empty recording a canvas makes when nothing is drawn, byte for byte
// (the metafile writes it without a canvas).
TEST(EmfRecording, NewPageIsTheCanvasEmptyRecording) {
    for (const QSize size : {QSize(1123, 794), QSize(794, 1123), QSize(0, 0), QSize(1, 3)}) {
        TVRMetafile recorded(size.width(), size.height());
        { TVRMetafileCanvas canvas(recorded); }
        const TVRMetafile fresh(size.width(), size.height());
        EXPECT_EQ(fresh.Bytes(), recorded.Bytes()) << size.width() << "x" << size.height();
        EXPECT_EQ(fresh.Width(), recorded.Width());
        EXPECT_EQ(fresh.Height(), recorded.Height());
    }
}

TEST(EmfRecording, DeclaredLengthAndFromBytes) {
    TVRMetafile page(1123, 794);
    RecordSample(page);
    QByteArray stream = page.Bytes() + QByteArray(16, 'x');  // a page followed by more data
    EXPECT_EQ(TVRMetafile::DeclaredLength(stream.constData(), stream.size()),
              quint32(page.Bytes().size()));
    EXPECT_EQ(TVRMetafile::DeclaredLength(stream.constData(), 108), quint32(page.Bytes().size()));

    const auto loaded = TVRMetafile::FromBytes(stream);
    EXPECT_EQ(loaded->Bytes(), page.Bytes());
    EXPECT_EQ(loaded->Width(), 1123);
    EXPECT_EQ(loaded->Height(), 794);
    EXPECT_EQ(loaded->Texts(), page.Texts());

    QByteArray wrongSignature = page.Bytes();
    wrongSignature[41] = 'X';
    QByteArray badLength = page.Bytes();
    qToLittleEndian<quint32>(13, badLength.data() + offsetof(Emf::EMRHEADER, nBytes));
    const std::map<std::string, QByteArray> unsound{
        {"empty", QByteArray()}, {"short", page.Bytes().left(60)}, {"signature", wrongSignature},
        {"length", badLength},   {"text", QByteArray(200, 'A')},
    };
    for (const auto& [name, bytes] : unsound) {
        SCOPED_TRACE(name);
        EXPECT_EQ(TVRMetafile::DeclaredLength(bytes.constData(), bytes.size()), 0u);
        EXPECT_THROW(TVRMetafile::FromBytes(bytes), Exception);
    }
    EXPECT_THROW(TVRMetafile::FromBytes(page.Bytes().left(page.Bytes().size() - 4)), Exception);
}

TEST(EmfRecording, UnchangedStateWritesNoRecordsAndObjectsAreReused) {
    TVRMetafile page(1123, 794);
    TVRFont regular, bold;
    bold.Bold = true;
    {
        TVRMetafileCanvas canvas(page);
        canvas.SetBkModeTransparent(true);
        for (int row = 0; row < 40; ++row) {
            canvas.SetFont(row % 2 ? bold : regular);
            canvas.SetBrush(TVRBrush{row % 2 ? clSilver : clWhite, bsSolid});
            canvas.FillRect(TRect{0, row * 15, 1000, row * 15 + 15});
            for (int column = 0; column < 11; ++column)
                canvas.TextOut(column * 90, row * 15, QStringLiteral("texto %1").arg(column));
        }
    }
    const QByteArray& emf = page.Bytes();
    EXPECT_EQ(CountOf(emf, Emf::EMR_EXTCREATEFONTINDIRECTW), 2);
    EXPECT_EQ(CountOf(emf, Emf::EMR_CREATEBRUSHINDIRECT), 2);
    EXPECT_EQ(CountOf(emf, Emf::EMR_SETBKMODE), 1);
    EXPECT_EQ(CountOf(emf, Emf::EMR_EXTTEXTOUTW), 440);
    // Per row: one font and one brush selection, plus the null pen once.
    EXPECT_LE(CountOf(emf, Emf::EMR_SELECTOBJECT), 81);
}

TEST(EmfRecording, ManyFontsKeepTheHandleTableSmall) {
    TVRMetafile page(1123, 794);
    {
        TVRMetafileCanvas canvas(page);
        for (int size = 6; size < 40; ++size) {
            TVRFont font;
            font.Size = size;
            canvas.SetFont(font);
            canvas.TextOut(10, size * 10, QString::number(size));
        }
    }
    const QByteArray& emf = page.Bytes();
    EXPECT_EQ(CountOf(emf, Emf::EMR_EXTCREATEFONTINDIRECTW), 34);
    EXPECT_EQ(CountOf(emf, Emf::EMR_DELETEOBJECT), 34 - 8);
    EXPECT_LE(Emf::ReadAt<Emf::EMRHEADER>(emf, 0).nHandles, 10);
    EXPECT_EQ(page.Texts().size(), 34);
    bool complete = false;
    Replay(page, 1.0, &complete);
    EXPECT_TRUE(complete);
}

TEST(EmfRecording, AdvancesOfTheTextRecordAreTheMeasurement) {
    TVRFont font;
    font.Size = 7;
    const QString text = QStringLiteral("Avenida Brasil, 1234 – ção");
    TVRMetafile page(400, 100);
    {
        TVRMetafileCanvas canvas(page);
        canvas.SetFont(font);
        EXPECT_EQ(canvas.TextExtent(text), TextMeasure::Extent(font, text));
        canvas.TextOut(5, 5, text);
    }
    const QByteArray& emf = page.Bytes();
    for (const Emf::Record& record : Records(emf)) {
        if (record.Type() != Emf::EMR_EXTTEXTOUTW) continue;
        Emf::EMREXTTEXTOUTW fields;
        ASSERT_TRUE(record.Read(fields));
        const quint32 chars = fields.emrtext.nChars;
        const quint32 offDx = fields.emrtext.offDx;
        ASSERT_EQ(chars, quint32(text.size()));
        ASSERT_TRUE(record.Has(offDx, chars * 4));
        int sum = 0;
        for (quint32 i = 0; i < chars; ++i) sum += record.At<qint32_le>(offDx + 4 * i);
        EXPECT_EQ(sum, TextMeasure::Extent(font, text).width());
    }
    EXPECT_EQ(CountOf(emf, Emf::EMR_EXTTEXTOUTW), 1);
}

// Pictures are stored as plain 24-bit DIBs, which every EMF reader draws, at most twice
// the size of their box in each direction.
TEST(EmfRecording, PicturesAreStoredAsPlainDibsWithinTheirByteBudget) {
    for (const PictureCase& c : PictureCases) {
        SCOPED_TRACE(c.name);
        const std::unique_ptr<TVRMetafile> page = PicturePage(c);
        const QByteArray& emf = page->Bytes();
        ASSERT_EQ(CountOf(emf, Emf::EMR_STRETCHDIBITS), 1);
        const auto stretch = FirstOf(emf, Emf::EMR_STRETCHDIBITS);
        ASSERT_TRUE(stretch);
        Emf::EMRSTRETCHDIBITS record;
        Emf::BITMAPINFOHEADER info;
        ASSERT_TRUE(stretch->Read(record));
        ASSERT_TRUE(stretch->Read(info, record.offBmiSrc));
        EXPECT_EQ(info.biCompression, Emf::BI_RGB);
        EXPECT_EQ(info.biBitCount, c.bitCount);
        EXPECT_EQ(QSize(info.biWidth, info.biHeight), c.stored);  // rows bottom-up
        EXPECT_EQ(QSize(record.cxSrc, record.cySrc), c.stored);
        const qint64 stride = (c.stored.width() * c.bitCount / 8 + 3) & ~3;
        EXPECT_EQ(record.cbBitsSrc, quint32(stride * c.stored.height()));
        if (c.bitCount == 8) {
            EXPECT_GE(info.biClrUsed, 1u);
            EXPECT_LE(info.biClrUsed, 256u);
            EXPECT_EQ(record.cbBmiSrc, sizeof info + 4 * info.biClrUsed);
            if (c.pattern == Pattern::Indexed) {
                EXPECT_EQ(info.biClrUsed, 16u);
            }
        } else {
            EXPECT_EQ(record.cbBmiSrc, sizeof info);
        }
        const QRect box = BoxRect(c.box);
        const qint64 budget =
            std::max<qint64>(64 * 1024, sizeof info + ((box.width() * 3 + 3) & ~3) * box.height());
        EXPECT_LE(qint64(record.cbBmiSrc) + record.cbBitsSrc, budget);

        const QImage image = Replay(*page, 1.0);
        EXPECT_LT(MeanDifference(image.copy(box), ExpectedPicture(c)), 4.0);
        EXPECT_EQ(QColor(image.pixel(box.right() + 5, box.top())), QColor(Qt::white));
    }
}

// Another EMF reader (emf2svg) draws the stored pictures too: it writes each bitmap as
// a PNG image into the SVG, placed over the box.
TEST(EmfRecording, PicturesAreDrawnByAnotherEmfReader) {
    const QString converter = QStandardPaths::findExecutable(QStringLiteral("emf2svg-conv"));
    if (converter.isEmpty()) GTEST_SKIP() << "emf2svg-conv is not installed";
    QTemporaryDir folder;
    const QRegularExpression imageElement(QStringLiteral(
        R"re(<image width="([-\d.]+)" height="([-\d.]+)" x="([-\d.]+)" y="([-\d.]+)"[^>]*)re"
        R"re(xlink:href="data:image/png;base64,([^"]+)")re"));
    for (const PictureCase& c : PictureCases) {
        SCOPED_TRACE(c.name);
        // emf2svg writes a mirrored destination as an image of negative size, which SVG
        // does not draw.
        if (c.box.Width() < 0 || c.box.Height() < 0) continue;
        const QString emfPath = folder.filePath(QStringLiteral("page.emf"));
        const QString svgPath = folder.filePath(QStringLiteral("page.svg"));
        QFile::remove(svgPath);
        {
            QFile emf(emfPath);
            ASSERT_TRUE(emf.open(QIODevice::WriteOnly | QIODevice::Truncate));
            emf.write(PicturePage(c)->Bytes());
        }
        QProcess process;
        process.start(converter, {QStringLiteral("-i"), emfPath, QStringLiteral("-o"), svgPath});
        ASSERT_TRUE(process.waitForFinished(30000));
        ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
        QFile svg(svgPath);
        ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(svg.readAll());
        const QRegularExpressionMatch image = imageElement.match(text);
        ASSERT_TRUE(image.hasMatch()) << text.left(2000).toStdString();
        const QRectF placed(image.captured(3).toDouble(), image.captured(4).toDouble(),
                            image.captured(1).toDouble(), image.captured(2).toDouble());
        const QRect box = BoxRect(c.box);
        EXPECT_NEAR(placed.left(), box.left(), 1);
        EXPECT_NEAR(placed.top(), box.top(), 1);
        EXPECT_NEAR(placed.width(), box.width(), 1);
        EXPECT_NEAR(placed.height(), box.height(), 1);
        const QImage png =
            QImage::fromData(QByteArray::fromBase64(image.captured(5).toLatin1()), "PNG");
        ASSERT_EQ(png.size(), c.stored);
        EXPECT_LT(MeanDifference(ShownInBox(png, box.size()), ExpectedPicture(c)), 4.0);
    }
}

TEST(EmfRecording, ClippingFollowsThePageAndStaysInsideTheCallersClip) {
    TVRMetafile page(200, 100);
    {
        TVRMetafileCanvas canvas(page);
        canvas.SetBrush(TVRBrush{clRed, bsSolid});
        canvas.SetClipRect(TRect{10, 10, 50, 50});
        canvas.FillRect(TRect{0, 0, 100, 100});
        canvas.ResetClip();
        canvas.SetBrush(TVRBrush{clBlue, bsSolid});
        canvas.FillRect(TRect{120, 0, 200, 100});
    }
    const QImage image = Replay(page, 1.0);
    EXPECT_EQ(QColor(image.pixel(30, 30)), QColor(Qt::red));
    EXPECT_EQ(QColor(image.pixel(5, 5)), QColor(Qt::white));
    EXPECT_EQ(QColor(image.pixel(70, 70)), QColor(Qt::white));
    EXPECT_EQ(QColor(image.pixel(150, 50)), QColor(Qt::blue));

    // A thumbnail clips the page to its frame; the page's own clipping must not lift it.
    QImage thumbnail(200, 100, QImage::Format_RGB32);
    thumbnail.fill(Qt::white);
    QPainter painter(&thumbnail);
    painter.setClipRect(QRect(0, 0, 140, 100));
    page.Play(painter, QRectF(0, 0, 200, 100));
    EXPECT_EQ(QColor(thumbnail.pixel(30, 30)), QColor(Qt::red));
    EXPECT_EQ(QColor(thumbnail.pixel(130, 50)), QColor(Qt::blue));
    EXPECT_EQ(QColor(thumbnail.pixel(150, 50)), QColor(Qt::white));
}

TEST(EmfRecording, OpaqueTextCellsTakeTheBrushColourUnlessTheBrushIsClear) {
    for (TVRBrushStyle style : {bsSolid, bsClear}) {
        SCOPED_TRACE(style);
        TVRMetafile page(200, 60);
        {
            TVRMetafileCanvas canvas(page);
            canvas.SetBrush(TVRBrush{clYellow, style});
            canvas.SetBkModeTransparent(false);
            canvas.TextOut(10, 10, QStringLiteral("i i i"));
        }
        const QImage image = Replay(page, 1.0);
        // Just below the top of the cell, between the glyphs.
        const QColor expected = style == bsSolid ? QColor(Qt::yellow) : QColor(Qt::white);
        EXPECT_EQ(QColor(image.pixel(11, 11)), expected);
        EXPECT_EQ(QColor(image.pixel(5, 11)), QColor(Qt::white));
    }
}

TEST(EmfRecording, ReplaysOntoAPrinterDevice) {
    TVRMetafile page(1123, 794);
    RecordSample(page);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("page.pdf"));
    {
        QPdfWriter writer(path);
        writer.setPageLayout(
            QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF()));
        writer.setResolution(600);
        QPainter painter(&writer);
        EXPECT_TRUE(
            page.Play(painter, QRectF(QPointF(0, 0), QSizeF(writer.width(), writer.height()))));
    }
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {path, QStringLiteral("-")});
    if (!pdftotext.waitForFinished(30000) || pdftotext.exitCode() != 0)
        GTEST_SKIP() << "pdftotext is not available";
    const QString text = QString::fromUtf8(pdftotext.readAllStandardOutput());
    EXPECT_TRUE(text.contains(QStringLiteral("Hello"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Pág. 1"))) << text.toStdString();

    // The picture (stored in 8 bits) is printed too: the page rasterised at half the
    // recording's resolution shows its blue.
    QProcess pdftoppm;
    pdftoppm.start(QStringLiteral("pdftoppm"),
                   {QStringLiteral("-r"), QStringLiteral("48"), QStringLiteral("-png"),
                    QStringLiteral("-singlefile"), path, folder.filePath(QStringLiteral("page"))});
    ASSERT_TRUE(pdftoppm.waitForFinished(30000));
    ASSERT_EQ(pdftoppm.exitCode(), 0);
    const QImage printed(folder.filePath(QStringLiteral("page.png")));
    ASSERT_FALSE(printed.isNull());
    const QColor picture = printed.pixelColor(160, 20);
    EXPECT_LT(picture.red(), 40);
    EXPECT_LT(picture.green(), 40);
    EXPECT_GT(picture.blue(), 215);
}

// Draws the main window's artwork: the 31 menu icons (one 496 x 16 strip), the three
// toolbar glyphs (normal and disabled side by side, 32 x 16 each) and the background
// picture (a street map). Run once after changing a drawing; the outputs are kept in
// the repository and compiled into the program as resources.
//
//   g++ -std=c++20 -fPIC make_artwork.cpp -o /tmp/make_artwork \
//       $(pkg-config --cflags --libs Qt6Gui) && QT_QPA_PLATFORM=offscreen /tmp/make_artwork .
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>
#include <functional>
#include <vector>

namespace {

using Draw = std::function<void(QPainter&)>;

const QColor kInk(40, 52, 70);
const QColor kPaper(250, 250, 246);
const QColor kBlue(46, 104, 184);
const QColor kGreen(58, 140, 72);
const QColor kRed(196, 52, 44);
const QColor kYellow(236, 188, 48);
const QColor kGrey(128, 134, 142);

QPen Ink(QColor color = kInk, qreal width = 1.0) {
    return QPen(color, width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
}

void Page(QPainter& p) {
    p.setPen(Ink());
    p.setBrush(kPaper);
    p.drawRect(QRectF(3.5, 1.5, 9, 13));
}
void PageLines(QPainter& p) {
    p.setPen(Ink(kGrey));
    for (int y = 4; y <= 12; y += 2) p.drawLine(QPointF(5, y + 0.5), QPointF(11, y + 0.5));
}
void Folder(QPainter& p, QColor color) {
    p.setPen(Ink());
    p.setBrush(color);
    QPainterPath path;
    path.moveTo(1.5, 3.5);
    path.lineTo(6.5, 3.5);
    path.lineTo(7.5, 5.5);
    path.lineTo(14.5, 5.5);
    path.lineTo(14.5, 13.5);
    path.lineTo(1.5, 13.5);
    path.closeSubpath();
    p.drawPath(path);
}
void Arrow(QPainter& p, QPointF from, QPointF to, QColor color) {
    p.setPen(QPen(color, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(from, to);
    const QLineF line(to, from);
    QLineF wing = line;
    wing.setLength(4);
    wing.setAngle(line.angle() + 40);
    p.drawLine(wing);
    wing.setAngle(line.angle() - 40);
    p.drawLine(wing);
}
void Person(QPainter& p, QPointF at, qreal scale, QColor shirt) {
    p.setPen(Ink(kInk, scale > 1.5 ? 1.0 : 0.8));
    p.setBrush(QColor(240, 200, 160));
    p.drawEllipse(QRectF(at.x() - 2.2 * scale, at.y(), 4.4 * scale, 4.4 * scale));
    p.setBrush(shirt);
    p.drawChord(QRectF(at.x() - 4 * scale, at.y() + 4.8 * scale, 8 * scale, 8 * scale), 0,
                180 * 16);
}
void Calculator(QPainter& p) {
    p.setPen(Ink());
    p.setBrush(QColor(70, 80, 96));
    p.drawRoundedRect(QRectF(3.5, 0.5, 9, 15), 1.5, 1.5);
    p.setBrush(QColor(200, 230, 200));
    p.drawRect(QRectF(5, 2, 6, 3));
    p.setPen(Qt::NoPen);
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            p.setBrush(row == 2 && col == 2 ? kYellow : QColor(230, 230, 230));
            p.drawRect(QRectF(5 + col * 2.1, 7 + row * 2.6, 1.6, 1.8));
        }
    }
}
void Door(QPainter& p) {
    p.setPen(Ink());
    p.setBrush(QColor(150, 96, 52));
    p.drawRect(QRectF(1.5, 1.5, 8, 13));
    p.setBrush(kYellow);
    p.drawEllipse(QRectF(6.5, 7.5, 1.5, 1.5));
    Arrow(p, QPointF(9, 8), QPointF(15, 8), kRed);
}
void StreetSign(QPainter& p) {
    p.setPen(Ink());
    p.setBrush(kGrey);
    p.drawRect(QRectF(7.5, 6.5, 1, 9));
    p.setBrush(kBlue);
    p.drawRect(QRectF(0.5, 1.5, 15, 6));
    p.setPen(Ink(Qt::white));
    p.drawLine(QPointF(3, 4.5), QPointF(13, 4.5));
}
void Report(QPainter& p) {
    Page(p);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(192, 220, 192));
    p.drawRect(QRectF(4, 5, 8, 2));
    p.drawRect(QRectF(4, 9, 8, 2));
    p.setPen(Ink(kBlue));
    p.drawLine(QPointF(5, 3.5), QPointF(11, 3.5));
    p.setPen(Ink(kGrey));
    for (int y : {6, 8, 10, 12}) p.drawLine(QPointF(5, y + 0.5), QPointF(11, y + 0.5));
}
void Magnifier(QPainter& p, QPointF at) {
    p.setPen(Ink(kInk, 1.5));
    p.setBrush(QColor(200, 225, 250, 200));
    p.drawEllipse(QRectF(at.x(), at.y(), 7, 7));
    p.setPen(QPen(kInk, 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(at + QPointF(6.5, 6.5), at + QPointF(10, 10));
}

// The image list: index 0 opens the registry, 23 is a report, 24 the reports menu.
std::vector<Draw> Icons() {
    std::vector<Draw> icons;
    icons.push_back(StreetSign);                               // 0 streets
    icons.push_back([](QPainter& p) { Page(p); });             // 1 new
    icons.push_back([](QPainter& p) { Folder(p, kYellow); });  // 2 open
    icons.push_back([](QPainter& p) {                          // 3 save
        p.setPen(Ink());
        p.setBrush(kBlue);
        p.drawRect(QRectF(1.5, 1.5, 13, 13));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4.5, 1.5, 7, 5));
        p.setBrush(kGrey);
        p.drawRect(QRectF(4.5, 9.5, 7, 5));
    });
    icons.push_back([](QPainter& p) {  // 4 print
        p.setPen(Ink());
        p.setBrush(kPaper);
        p.drawRect(QRectF(4.5, 1.5, 7, 5));
        p.setBrush(QColor(180, 184, 190));
        p.drawRect(QRectF(1.5, 6.5, 13, 6));
        p.setBrush(kPaper);
        p.drawRect(QRectF(4.5, 10.5, 7, 4));
    });
    icons.push_back([](QPainter& p) {
        Page(p);
        Magnifier(p, QPointF(5, 5));
    });                                                                 // 5 preview
    icons.push_back([](QPainter& p) { Magnifier(p, QPointF(2, 2)); });  // 6 find
    icons.push_back([](QPainter& p) {                                   // 7 delete
        p.setPen(QPen(kRed, 2.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(3, 3), QPointF(13, 13));
        p.drawLine(QPointF(13, 3), QPointF(3, 13));
    });
    icons.push_back([](QPainter& p) {  // 8 confirm
        p.setPen(QPen(kGreen, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF({QPointF(2.5, 8.5), QPointF(6, 12.5), QPointF(13.5, 3.5)}));
    });
    icons.push_back([](QPainter& p) {
        Page(p);
        PageLines(p);
        p.setPen(Ink(kGreen, 2));
        p.drawLine(QPointF(8, 10), QPointF(14, 10));
        p.drawLine(QPointF(11, 7), QPointF(11, 13));
    });  // 9 add
    icons.push_back([](QPainter& p) {
        Page(p);
        PageLines(p);
        p.setPen(QPen(kYellow.darker(130), 2.5));
        p.drawLine(QPointF(6, 14), QPointF(14, 6));
    });  // 10 edit
    icons.push_back([](QPainter& p) { Arrow(p, QPointF(8, 14), QPointF(8, 2), kBlue); });  // 11 up
    icons.push_back(
        [](QPainter& p) { Arrow(p, QPointF(8, 2), QPointF(8, 14), kBlue); });  // 12 down
    icons.push_back(
        [](QPainter& p) { Arrow(p, QPointF(14, 8), QPointF(2, 8), kBlue); });  // 13 previous
    icons.push_back(
        [](QPainter& p) { Arrow(p, QPointF(2, 8), QPointF(14, 8), kBlue); });  // 14 next
    icons.push_back([](QPainter& p) {                                          // 15 first
        Arrow(p, QPointF(14, 8), QPointF(4, 8), kBlue);
        p.setPen(Ink(kBlue, 2));
        p.drawLine(QPointF(2, 3), QPointF(2, 13));
    });
    icons.push_back([](QPainter& p) {  // 16 last
        Arrow(p, QPointF(2, 8), QPointF(12, 8), kBlue);
        p.setPen(Ink(kBlue, 2));
        p.drawLine(QPointF(14, 3), QPointF(14, 13));
    });
    icons.push_back([](QPainter& p) {  // 17 calendar
        p.setPen(Ink());
        p.setBrush(Qt::white);
        p.drawRect(QRectF(1.5, 2.5, 13, 12));
        p.setBrush(kRed);
        p.drawRect(QRectF(1.5, 2.5, 13, 3));
        p.setPen(Ink(kGrey));
        for (int x = 4; x <= 12; x += 3)
            for (int y = 8; y <= 12; y += 3) p.drawPoint(QPointF(x, y));
    });
    icons.push_back([](QPainter& p) { Person(p, QPointF(8, 1.5), 1.5, kBlue); });  // 18 user
    icons.push_back([](QPainter& p) {                                              // 19 users
        Person(p, QPointF(10.5, 1), 1.2, kGreen);
        Person(p, QPointF(5.5, 3), 1.2, kBlue);
    });
    icons.push_back([](QPainter& p) { Calculator(p); });  // 20 calculator
    icons.push_back(Door);                                // 21 exit
    icons.push_back([](QPainter& p) {                     // 22 help
        p.setPen(Ink());
        p.setBrush(kBlue);
        p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        p.setPen(Qt::white);
        QFont font = p.font();
        font.setPixelSize(11);
        font.setBold(true);
        p.setFont(font);
        p.drawText(QRectF(1.5, 1.5, 13, 13), Qt::AlignCenter, QStringLiteral("?"));
    });
    icons.push_back(Report);           // 23 report
    icons.push_back([](QPainter& p) {  // 24 reports
        Folder(p, QColor(120, 170, 230));
        p.setPen(Ink());
        p.setBrush(kPaper);
        p.drawRect(QRectF(5.5, 7.5, 6, 5));
    });
    icons.push_back([](QPainter& p) {  // 25 database
        p.setPen(Ink());
        p.setBrush(QColor(170, 180, 200));
        p.drawRect(QRectF(2.5, 3.5, 11, 9));
        p.drawEllipse(QRectF(2.5, 10, 11, 5));
        p.setPen(Qt::NoPen);
        p.drawRect(QRectF(3, 4, 10, 8.5));
        p.setPen(Ink());
        p.setBrush(QColor(210, 215, 228));
        p.drawEllipse(QRectF(2.5, 1, 11, 5));
    });
    icons.push_back([](QPainter& p) {  // 26 key
        p.setPen(Ink(kYellow.darker(140), 2));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(2, 2, 6, 6));
        p.drawLine(QPointF(7, 7), QPointF(14, 14));
        p.drawLine(QPointF(11, 11), QPointF(13, 9));
    });
    icons.push_back([](QPainter& p) {  // 27 lock
        p.setPen(Ink(kGrey, 2));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(4, 1.5, 8, 9), 0, 180 * 16);
        p.drawLine(QPointF(4, 6), QPointF(4, 8));
        p.drawLine(QPointF(12, 6), QPointF(12, 8));
        p.setPen(Ink());
        p.setBrush(kYellow);
        p.drawRect(QRectF(2.5, 7.5, 11, 7));
    });
    icons.push_back([](QPainter& p) {  // 28 information
        p.setPen(Ink());
        p.setBrush(kBlue);
        p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        p.setPen(Ink(Qt::white, 2));
        p.drawPoint(QPointF(8, 4.5));
        p.drawLine(QPointF(8, 7), QPointF(8, 12));
    });
    icons.push_back([](QPainter& p) {  // 29 map
        p.setPen(Ink());
        p.setBrush(QColor(236, 228, 200));
        p.drawRect(QRectF(1.5, 2.5, 13, 11));
        p.setPen(Ink(kBlue, 1.5));
        p.drawLine(QPointF(2, 11), QPointF(14, 5));
        p.setPen(Ink(kRed, 1.5));
        p.drawLine(QPointF(6, 3), QPointF(6, 13));
    });
    icons.push_back([](QPainter& p) {  // 30 home
        p.setPen(Ink());
        p.setBrush(kRed);
        p.drawPolygon(QPolygonF({QPointF(1, 8.5), QPointF(8, 1.5), QPointF(15, 8.5)}));
        p.setBrush(kPaper);
        p.drawRect(QRectF(3.5, 8.5, 9, 6));
        p.setBrush(QColor(150, 96, 52));
        p.drawRect(QRectF(7, 10.5, 2.5, 4));
    });
    return icons;
}

QImage Render(const Draw& draw) {
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter);
    return image;
}

// A disabled glyph: the normal one in light grey with its light parts dropped.
QImage Disabled(const QImage& normal) {
    QImage grey(normal.size(), QImage::Format_ARGB32);
    for (int y = 0; y < normal.height(); ++y) {
        for (int x = 0; x < normal.width(); ++x) {
            const QColor c = normal.pixelColor(x, y);
            const int level = 150 + qGray(c.rgb()) * 90 / 255;
            grey.setPixelColor(x, y, QColor(level, level, level, c.alpha()));
        }
    }
    return grey;
}

QImage Glyph(const Draw& draw) {
    const QImage normal = Render(draw);
    QImage glyph(32, 16, QImage::Format_ARGB32);
    glyph.fill(Qt::transparent);
    QPainter painter(&glyph);
    painter.drawImage(0, 0, normal);
    painter.drawImage(16, 0, Disabled(normal));
    return glyph;
}

// A calm town plan: blocks between streets, an avenue, a river and two parks.
QImage Background() {
    const QSize size(1200, 760);
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(238, 234, 222));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QRandomGenerator random(1852);

    p.save();
    p.translate(size.width() / 2.0, size.height() / 2.0);
    p.rotate(-12);
    p.translate(-size.width() * 0.75, -size.height() * 0.75);
    const int block = 96;
    for (int gx = 0; gx < 20; ++gx) {
        for (int gy = 0; gy < 14; ++gy) {
            const QRectF cell(gx * block + 9, gy * block + 9, block - 18, block - 18);
            const int kind = random.bounded(14);
            QColor fill = kind == 0 ? QColor(196, 222, 180) : QColor(226, 220, 206);
            p.setPen(QPen(QColor(206, 198, 182), 1));
            p.setBrush(fill);
            p.drawRoundedRect(cell, 4, 4);
            if (kind == 0) {
                p.setPen(Qt::NoPen);
                p.setBrush(QColor(160, 200, 150));
                for (int t = 0; t < 5; ++t) {
                    p.drawEllipse(
                        QPointF(cell.left() + 12 + random.bounded(int(cell.width()) - 24),
                                cell.top() + 12 + random.bounded(int(cell.height()) - 24)),
                        6, 6);
                }
            }
        }
    }
    p.setPen(QPen(QColor(252, 250, 244), 4));
    for (int gx = 0; gx <= 20; ++gx)
        p.drawLine(QPointF(gx * block, 0), QPointF(gx * block, 14 * block));
    for (int gy = 0; gy <= 14; ++gy)
        p.drawLine(QPointF(0, gy * block), QPointF(20 * block, gy * block));
    p.setPen(QPen(QColor(248, 228, 168), 12));
    p.drawLine(QPointF(0, 7 * block), QPointF(20 * block, 7 * block));
    p.drawLine(QPointF(9 * block, 0), QPointF(9 * block, 14 * block));
    p.restore();

    QPainterPath river;
    river.moveTo(-20, size.height() * 0.82);
    river.cubicTo(size.width() * 0.3, size.height() * 0.62, size.width() * 0.55,
                  size.height() * 1.02, size.width() + 20, size.height() * 0.7);
    p.setPen(QPen(QColor(170, 200, 226), 34, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(river);
    p.setPen(QPen(QColor(150, 186, 218), 2));
    p.drawPath(river);

    // A soft veil keeps the plan in the background behind the window's controls.
    p.fillRect(image.rect(), QColor(255, 255, 255, 70));
    return image;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");

    const std::vector<Draw> icons = Icons();
    QImage strip(16 * int(icons.size()), 16, QImage::Format_ARGB32);
    strip.fill(Qt::transparent);
    {
        QPainter painter(&strip);
        for (size_t i = 0; i < icons.size(); ++i)
            painter.drawImage(int(i) * 16, 0, Render(icons[i]));
    }
    bool ok = strip.save(folder + QStringLiteral("/ImageList1.png"));
    ok &= Glyph([](QPainter& p) {
              Person(p, QPointF(10.5, 1), 1.2, kGreen);
              Person(p, QPointF(5.5, 3), 1.2, kBlue);
          }).save(folder + QStringLiteral("/SpeedButton6.png"));
    ok &= Glyph([](QPainter& p) {
              Calculator(p);
          }).save(folder + QStringLiteral("/SpeedButton5.png"));
    ok &= Glyph(Door).save(folder + QStringLiteral("/SpeedButton1.png"));
    ok &= Background().save(folder + QStringLiteral("/Image1.jpg"), "JPEG", 82);
    return ok && icons.size() == 31 ? 0 : 1;
}

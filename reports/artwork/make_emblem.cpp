// Draws the customer's emblem printed in the street listing's page header: a shield
// with a tower over a green hill, on white. Run once after changing the drawing; the
// output is kept in the repository and compiled into the program as a resource.
//
//   g++ -std=c++20 -fPIC make_emblem.cpp -o /tmp/make_emblem \
//       $(pkg-config --cflags --libs Qt6Gui) && QT_QPA_PLATFORM=offscreen /tmp/make_emblem .
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");

    // 25.14 x 25.66 mm at about 10 pixels per millimetre.
    QImage emblem(252, 257, QImage::Format_RGB32);
    emblem.fill(Qt::white);
    QPainter p(&emblem);
    p.setRenderHint(QPainter::Antialiasing);

    QPainterPath shield;
    shield.moveTo(16, 12);
    shield.lineTo(236, 12);
    shield.lineTo(236, 130);
    shield.cubicTo(236, 200, 170, 232, 126, 248);
    shield.cubicTo(82, 232, 16, 200, 16, 130);
    shield.closeSubpath();
    p.setPen(QPen(QColor(40, 52, 70), 6));
    p.setBrush(QColor(46, 104, 184));
    p.drawPath(shield);

    p.setClipPath(shield);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(58, 140, 72));
    p.drawEllipse(QRectF(-40, 170, 332, 160));
    // The tower, its battlements and its gate.
    p.setBrush(QColor(236, 236, 228));
    p.drawRect(QRectF(96, 80, 60, 110));
    for (int x = 96; x < 156; x += 24) p.drawRect(QRectF(x, 62, 12, 20));
    p.setBrush(QColor(40, 52, 70));
    p.drawRoundedRect(QRectF(114, 150, 24, 40), 10, 10);
    // A golden band across the chief.
    p.setBrush(QColor(236, 188, 48));
    p.drawRect(QRectF(16, 12, 220, 30));
    p.end();

    return emblem.save(folder + QStringLiteral("/Imagem.jpg"), "JPEG", 85) ? 0 : 1;
}

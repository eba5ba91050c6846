// Draws the program's pictures with QPainter and writes them as PNG files:
//   meter.png   640 x 480, 24-bit: a bench multimeter on a bench (main window background)
//   logo.png    the maker's logo (splash and About window)
//   splash.png  the splash window's picture
// Usage: draw-pictures <folder>
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>
#include <cstdio>

namespace {

const QColor Accent(0, 97, 165);

QFont sans(double pixelSize, int weight = QFont::Normal)
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(std::max(1, int(std::lround(pixelSize))));
    font.setWeight(QFont::Weight(weight));
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

// One banana jack: a coloured collar around a dark hole with a metal glint.
void drawJack(QPainter &p, QPointF centre, double radius, const QColor &collar)
{
    QRadialGradient ring(centre - QPointF(radius * 0.3, radius * 0.3), radius * 1.4);
    ring.setColorAt(0, collar.lighter(150));
    ring.setColorAt(1, collar.darker(160));
    p.setPen(QPen(collar.darker(220), radius * 0.08));
    p.setBrush(ring);
    p.drawEllipse(centre, radius, radius);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 20, 22));
    p.drawEllipse(centre, radius * 0.42, radius * 0.42);
    p.setBrush(QColor(180, 170, 120));
    p.drawEllipse(centre + QPointF(-radius * 0.12, -radius * 0.12), radius * 0.12, radius * 0.12);
}

// A soft key with its legend above it.
void drawKey(QPainter &p, const QRectF &key, const QString &legend, const QColor &face, double scale)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 90));
    p.drawRoundedRect(key.translated(0, 1.5 * scale), 3 * scale, 3 * scale);
    QLinearGradient g(key.topLeft(), key.bottomLeft());
    g.setColorAt(0, face.lighter(135));
    g.setColorAt(1, face.darker(115));
    p.setBrush(g);
    p.setPen(QPen(face.darker(170), 0.8 * scale));
    p.drawRoundedRect(key, 3 * scale, 3 * scale);
    p.setPen(QColor(225, 228, 232));
    p.setFont(sans(6.5 * scale, QFont::Bold));
    p.drawText(QRectF(key.left() - 6 * scale, key.top() - 10 * scale, key.width() + 12 * scale, 9 * scale),
               Qt::AlignCenter, legend);
}

// The front of the 6450 bench multimeter, drawn into `area` (aspect about 3.2 : 1).
void drawMeter(QPainter &p, const QRectF &area)
{
    const double s = area.width() / 600.0;
    p.save();
    p.setRenderHint(QPainter::Antialiasing);

    // Shadow on the bench.
    QRadialGradient shadow(QPointF(area.center().x(), area.bottom() + 2 * s), area.width() * 0.55);
    shadow.setColorAt(0, QColor(0, 0, 0, 110));
    shadow.setColorAt(1, QColor(0, 0, 0, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(shadow);
    p.drawEllipse(QRectF(area.left() - 10 * s, area.bottom() - 10 * s, area.width() + 20 * s, 26 * s));

    // Feet.
    p.setBrush(QColor(35, 35, 38));
    p.drawRoundedRect(QRectF(area.left() + 30 * s, area.bottom() - 6 * s, 50 * s, 10 * s), 3 * s, 3 * s);
    p.drawRoundedRect(QRectF(area.right() - 80 * s, area.bottom() - 6 * s, 50 * s, 10 * s), 3 * s, 3 * s);

    // Case and bezel.
    const QRectF body = area.adjusted(0, 0, 0, -4 * s);
    QLinearGradient caseGrad(body.topLeft(), body.bottomLeft());
    caseGrad.setColorAt(0, QColor(206, 210, 214));
    caseGrad.setColorAt(0.5, QColor(176, 181, 187));
    caseGrad.setColorAt(1, QColor(128, 133, 140));
    p.setPen(QPen(QColor(70, 74, 80), 1.5 * s));
    p.setBrush(caseGrad);
    p.drawRoundedRect(body, 10 * s, 10 * s);

    const QRectF panel = body.adjusted(10 * s, 10 * s, -10 * s, -10 * s);
    QLinearGradient panelGrad(panel.topLeft(), panel.bottomLeft());
    panelGrad.setColorAt(0, QColor(74, 79, 86));
    panelGrad.setColorAt(1, QColor(48, 52, 58));
    p.setPen(QPen(QColor(30, 32, 36), 1.2 * s));
    p.setBrush(panelGrad);
    p.drawRoundedRect(panel, 6 * s, 6 * s);

    // Display window with a vacuum-fluorescent reading.
    const QRectF display(panel.left() + 14 * s, panel.top() + 14 * s, 270 * s, 78 * s);
    p.setPen(QPen(QColor(20, 20, 24), 2 * s));
    QLinearGradient glass(display.topLeft(), display.bottomLeft());
    glass.setColorAt(0, QColor(18, 26, 30));
    glass.setColorAt(1, QColor(6, 10, 12));
    p.setBrush(glass);
    p.drawRoundedRect(display, 4 * s, 4 * s);
    const QColor vfd(96, 236, 206);
    p.setPen(vfd);
    p.setFont(sans(36 * s, QFont::Bold));
    p.drawText(display.adjusted(10 * s, 4 * s, -52 * s, -22 * s), Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("+1.0000237"));
    p.setFont(sans(18 * s, QFont::Bold));
    p.drawText(display.adjusted(0, 4 * s, -10 * s, -22 * s), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("V"));
    p.setFont(sans(8.5 * s, QFont::Bold));
    p.setPen(vfd.darker(135));
    const QStringList annunciators = {QStringLiteral("DC"), QStringLiteral("AUTO"), QStringLiteral("10 V"),
                                      QStringLiteral("FILT"), QStringLiteral("REM")};
    for (int i = 0; i < annunciators.size(); ++i)
        p.drawText(QRectF(display.left() + (12 + i * 50) * s, display.bottom() - 18 * s, 46 * s, 12 * s),
                   Qt::AlignLeft | Qt::AlignVCenter, annunciators[i]);
    // A faint reflection across the glass.
    QLinearGradient shine(display.topLeft(), display.bottomRight());
    shine.setColorAt(0, QColor(255, 255, 255, 28));
    shine.setColorAt(0.45, QColor(255, 255, 255, 6));
    shine.setColorAt(0.46, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(shine);
    p.drawRoundedRect(display, 4 * s, 4 * s);

    // Maker and model under the display.
    p.setPen(QColor(232, 234, 238));
    p.setFont(sans(13 * s, QFont::Black));
    p.drawText(QRectF(display.left(), display.bottom() + 8 * s, 140 * s, 18 * s), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("VELKORANDE"));
    p.setPen(QColor(160, 196, 228));
    p.setFont(sans(9 * s, QFont::Bold));
    p.drawText(QRectF(display.left() + 120 * s, display.bottom() + 8 * s, 150 * s, 18 * s),
               Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("6450  8\u00BD DIGIT MULTIMETER"));

    // Power switch.
    const QRectF power(display.left(), panel.bottom() - 26 * s, 26 * s, 16 * s);
    drawKey(p, power, QString(), QColor(60, 62, 66), s);
    p.setPen(QColor(200, 200, 200));
    p.setFont(sans(7 * s, QFont::Bold));
    p.drawText(QRectF(power.right() + 4 * s, power.top(), 50 * s, power.height()), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("POWER"));

    // Soft keys: four columns by three rows.
    const QStringList legends = {QStringLiteral("DCV"),   QStringLiteral("ACV"),  QStringLiteral("\u03A9 2W"),
                                 QStringLiteral("\u03A9 4W"), QStringLiteral("DCI"), QStringLiteral("ACI"),
                                 QStringLiteral("FREQ"),  QStringLiteral("TEMP"), QStringLiteral("RANGE"),
                                 QStringLiteral("AUTO"),  QStringLiteral("LOCAL"), QStringLiteral("MENU")};
    const double keysLeft = display.right() + 22 * s;
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 4; ++col) {
            const QRectF key(keysLeft + col * 40 * s, panel.top() + (24 + row * 42) * s, 32 * s, 20 * s);
            const int index = row * 4 + col;
            const QColor face = index == 11 ? Accent : (index == 8 || index == 9 ? QColor(96, 100, 108)
                                                                                 : QColor(140, 145, 152));
            drawKey(p, key, legends[index], face, s);
        }
    }

    // Input terminals with their block and labels.
    const QRectF block(panel.right() - 88 * s, panel.top() + 8 * s, 78 * s, panel.height() - 16 * s);
    p.setPen(QPen(QColor(24, 26, 30), 1 * s));
    p.setBrush(QColor(38, 41, 46));
    p.drawRoundedRect(block, 4 * s, 4 * s);
    p.setPen(QColor(210, 210, 210));
    p.setFont(sans(6.5 * s, QFont::Bold));
    p.drawText(QRectF(block.left(), block.top() + 2 * s, block.width() / 2, 10 * s), Qt::AlignCenter,
               QStringLiteral("SENSE"));
    p.drawText(QRectF(block.center().x(), block.top() + 2 * s, block.width() / 2, 10 * s), Qt::AlignCenter,
               QStringLiteral("INPUT"));
    const double r = 10 * s;
    const double leftX = block.left() + block.width() * 0.25;
    const double rightX = block.left() + block.width() * 0.75;
    drawJack(p, QPointF(leftX, block.top() + 34 * s), r, QColor(190, 30, 30));
    drawJack(p, QPointF(rightX, block.top() + 34 * s), r, QColor(190, 30, 30));
    drawJack(p, QPointF(leftX, block.top() + 80 * s), r, QColor(40, 40, 44));
    drawJack(p, QPointF(rightX, block.top() + 80 * s), r, QColor(40, 40, 44));
    p.setPen(QColor(210, 210, 210));
    p.drawText(QRectF(block.left(), block.top() + 50 * s, block.width(), 10 * s), Qt::AlignCenter,
               QStringLiteral("HI"));
    p.drawText(QRectF(block.left(), block.top() + 96 * s, block.width(), 10 * s), Qt::AlignCenter,
               QStringLiteral("LO"));
    drawJack(p, QPointF(block.center().x(), block.bottom() - 22 * s), r * 0.8, QColor(40, 40, 44));
    p.drawText(QRectF(block.left(), block.bottom() - 11 * s, block.width(), 9 * s), Qt::AlignCenter,
               QStringLiteral("I"));

    // Ventilation slots along the top of the case.
    p.setPen(QPen(QColor(120, 124, 130), 1.5 * s, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 24; ++i) {
        const double x = body.left() + 150 * s + i * 12 * s;
        p.drawLine(QPointF(x, body.top() + 3 * s), QPointF(x + 6 * s, body.top() + 3 * s));
    }
    p.restore();
}

QImage drawMainBackground()
{
    QImage image(640, 480, QImage::Format_RGB888);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // Wall behind the bench.
    QLinearGradient wall(0, 0, 0, 230);
    wall.setColorAt(0, QColor(36, 52, 74));
    wall.setColorAt(1, QColor(86, 108, 134));
    p.fillRect(QRect(0, 0, 640, 230), wall);
    // A soft light on the wall behind the meter.
    QRadialGradient light(QPointF(320, 90), 330);
    light.setColorAt(0, QColor(255, 255, 255, 60));
    light.setColorAt(1, QColor(255, 255, 255, 0));
    p.fillRect(QRect(0, 0, 640, 230), light);
    // Bench top: a laminate surface with its front edge.
    QLinearGradient bench(0, 230, 0, 480);
    bench.setColorAt(0, QColor(168, 160, 146));
    bench.setColorAt(1, QColor(118, 112, 102));
    p.fillRect(QRect(0, 230, 640, 250), bench);
    p.setPen(QPen(QColor(255, 255, 255, 50), 1));
    p.drawLine(0, 230, 640, 230);
    p.setPen(QPen(QColor(0, 0, 0, 16), 1));
    for (int y = 236; y < 480; y += 7)
        p.drawLine(0, y, 640, y + 3);
    // The meter, standing on the bench.
    drawMeter(p, QRectF(22, 30, 596, 200));
    // Test leads running from the terminals down the bench.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(170, 24, 24), 4, Qt::SolidLine, Qt::RoundCap));
    QPainterPath red(QPointF(565, 85));
    red.cubicTo(QPointF(640, 120), QPointF(600, 230), QPointF(640, 260));
    p.drawPath(red);
    p.setPen(QPen(QColor(28, 28, 30), 4, Qt::SolidLine, Qt::RoundCap));
    QPainterPath black(QPointF(565, 131));
    black.cubicTo(QPointF(630, 160), QPointF(590, 240), QPointF(632, 275));
    p.drawPath(black);
    return image;
}

QImage drawLogo()
{
    QImage image(208, 56, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // The mark: a rounded square carrying a "V" whose right arm ends in a sine wave.
    const QRectF mark(4, 4, 48, 48);
    QLinearGradient g(mark.topLeft(), mark.bottomRight());
    g.setColorAt(0, Accent.lighter(125));
    g.setColorAt(1, Accent.darker(120));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(mark, 10, 10);
    QPainterPath v;
    v.moveTo(14, 14);
    v.lineTo(26, 40);
    v.lineTo(34, 22);
    for (int i = 0; i <= 20; ++i) {
        const double t = i / 20.0;
        v.lineTo(34 + 10 * t, 22 - 6 * std::sin(t * 2 * M_PI));
    }
    p.setPen(QPen(Qt::white, 4.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(v);
    // The name.
    p.setPen(QColor(40, 44, 52));
    p.setFont(sans(22, QFont::Black));
    p.drawText(QRectF(60, 4, 148, 32), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Velkorande"));
    p.setPen(Accent);
    p.setFont(sans(9.5, QFont::Bold));
    p.drawText(QRectF(61, 34, 148, 16), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("PRECISION  MEASUREMENT"));
    return image;
}

QImage drawSplash()
{
    QImage image(224, 150, QImage::Format_RGB888);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, 150);
    g.setColorAt(0, Accent.darker(160));
    g.setColorAt(1, Accent.lighter(115));
    p.fillRect(image.rect(), g);
    // A calibration curve across the sky.
    p.setPen(QPen(QColor(255, 255, 255, 70), 1.2));
    for (int line = 0; line < 4; ++line) {
        QPainterPath wave(QPointF(0, 30 + line * 9));
        for (int x = 0; x <= 224; x += 4)
            wave.lineTo(x, 30 + line * 9 + 10 * std::sin(x / 22.0 + line * 0.8));
        p.drawPath(wave);
    }
    drawMeter(p, QRectF(8, 78, 208, 66));
    return image;
}

bool save(const QImage &image, const QString &path)
{
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: draw-pictures <folder>\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    const bool ok = save(drawMainBackground(), folder.filePath(QStringLiteral("meter.png")))
                    && save(drawLogo(), folder.filePath(QStringLiteral("logo.png")))
                    && save(drawSplash(), folder.filePath(QStringLiteral("splash.png")));
    return ok ? 0 : 1;
}

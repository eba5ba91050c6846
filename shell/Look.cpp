#include "shell/Look.h"

// The resource initialiser lives in this static library; calling it from code that is
// linked in keeps the linker from dropping the pictures.
static void initPictures()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(pictures);
        return true;
    }();
    Q_UNUSED(done);
}

namespace Look {

QFont font(const QString &face, double points, bool bold)
{
    QFont f(QStringLiteral("Liberation Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(points);
    if (face.compare(QLatin1String("Arial Black"), Qt::CaseInsensitive) == 0)
        f.setWeight(QFont::Black);
    else if (bold)
        f.setWeight(QFont::Bold);
    return f;
}

QFont defaultFont() { return font(QStringLiteral("MS Sans Serif"), 8); }

QString meterPicture()
{
    initPictures();
    return QStringLiteral(":/pictures/meter.png");
}

QString logoPicture()
{
    initPictures();
    return QStringLiteral(":/pictures/logo.png");
}

QString splashPicture()
{
    initPictures();
    return QStringLiteral(":/pictures/splash.png");
}

} // namespace Look

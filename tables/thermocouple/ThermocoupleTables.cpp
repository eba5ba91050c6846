#include "tables/thermocouple/ThermocoupleTables.h"
#include "link/TextConv.h"

#include <cmath>

namespace Thermocouple {

namespace {

// Step of every EMF grid, in microvolts.
constexpr qint32 GridStep = 250;

// NIST ITS-90 inverse coefficients d0 .. dn (NIST Monograph 175), exactly as published.
std::vector<TypeTable> buildTables()
{
    return {
        {QLatin1Char('B'), 13750, GridStep, {
            {250, 250, 700, {9.8423321E+01, 6.9971500E+02, -8.4765304E+02, 1.0052644E+03, -8.3345952E+02,
                             4.5508542E+02, -1.5523037E+02, 2.9886750E+01, -2.4742860E+00}},
            {2500, 700, 1820, {2.1315071E+02, 2.8510504E+02, -5.2742887E+01, 9.9160804E+00, -1.2965303E+00,
                               1.1195870E-01, -6.0625199E-03, 1.8661696E-04, -2.4878585E-06}},
        }},
        // Only the positive-EMF polynomial: the grid starts at 0.
        {QLatin1Char('E'), 61500, GridStep, {
            {0, 0, 1000, {0.0000000E+00, 1.7057035E+01, -2.3301759E-01, 6.5435585E-03, -7.3562749E-05,
                          -1.7896001E-06, 8.4036165E-08, -1.3735879E-09, 1.0629823E-11, -3.2447087E-14}},
        }},
        {QLatin1Char('J'), 70000, GridStep, {
            {-8000, -210, 0, {0.0000000E+00, 1.9528268E+01, -1.2286185E+00, -1.0752178E+00, -5.9086933E-01,
                              -1.7256713E-01, -2.8131513E-02, -2.3963370E-03, -8.3823321E-05}},
            {250, 0, 760, {0.000000E+00, 1.978425E+01, -2.001204E-01, 1.036969E-02, -2.549687E-04,
                           3.585153E-06, -5.344285E-08, 5.099890E-10}},
            {43000, 760, 1200, {-3.11358187E+03, 3.00543684E+02, -9.94773230E+00, 1.70276630E-01,
                                -1.43033468E-03, 4.73886084E-06}},
        }},
        {QLatin1Char('K'), 54000, GridStep, {
            {-6250, -200, 0, {0.0000000E+00, 2.5173462E+01, -1.1662878E+00, -1.0833638E+00, -8.9773540E-01,
                              -3.7342377E-01, -8.6632643E-02, -1.0450598E-02, -5.1920577E-04}},
            {250, 0, 500, {0.000000E+00, 2.508355E+01, 7.860106E-02, -2.503131E-01, 8.315270E-02,
                           -1.228034E-02, 9.804036E-04, -4.413030E-05, 1.057734E-06, -1.052755E-08}},
            {20750, 500, 1372, {-1.318058E+02, 4.830222E+01, -1.646031E+00, 5.464731E-02, -9.650715E-04,
                                8.802193E-06, -3.110810E-08}},
        }},
        {QLatin1Char('N'), 47750, GridStep, {
            {-4250, -200, 0, {0.0000000E+00, 3.8436847E+01, 1.1010485E+00, 5.2229312E+00, 7.2060525E+00,
                              5.8488586E+00, 2.7754916E+00, 7.7075166E-01, 1.1582665E-01, 7.3138868E-03}},
            {250, 0, 600, {0.00000E+00, 3.86896E+01, -1.08267E+00, 4.70205E-02, -2.12169E-06, -1.17272E-04,
                           5.39280E-06, -7.98156E-08}},
            {20750, 600, 1300, {1.972485E+01, 3.300943E+01, -3.915159E-01, 9.855391E-03, -1.274371E-04,
                                7.767022E-07}},
        }},
        {QLatin1Char('R'), 20750, GridStep, {
            {-250, -50, 250, {0.0000000E+00, 1.8891380E+02, -9.3835290E+01, 1.3068619E+02, -2.2703580E+02,
                              3.5145659E+02, -3.8953900E+02, 2.8239471E+02, -1.2607281E+02, 3.1353611E+01,
                              -3.3187769E+00}},
            {2000, 250, 1200, {1.334584505E+01, 1.472644573E+02, -1.844024844E+01, 4.031129726E+00,
                               -6.249428360E-01, 6.468412046E-02, -4.458750426E-03, 1.994710149E-04,
                               -5.313401790E-06, 6.481976217E-08}},
            {13250, 1064, 1664.5, {-8.199599416E+01, 1.553962042E+02, -8.342197663E+00, 4.279433549E-01,
                                   -1.191577910E-02, 1.492290091E-04}},
            {19750, 1664.5, 1768.1, {3.406177836E+04, -7.023729171E+03, 5.582903813E+02, -1.952394635E+01,
                                     2.560740231E-01}},
        }},
        {QLatin1Char('S'), 18500, GridStep, {
            {-250, -50, 250, {0.00000000E+00, 1.84949460E+02, -8.00504062E+01, 1.02237430E+02, -1.52248592E+02,
                              1.88821343E+02, -1.59085941E+02, 8.23027880E+01, -2.34181944E+01, 2.79786260E+00}},
            {2000, 250, 1200, {1.291507177E+01, 1.466298863E+02, -1.534713402E+01, 3.145945973E+00,
                               -4.163257839E-01, 3.187963771E-02, -1.291637500E-03, 2.183475087E-05,
                               -1.447379511E-07, 8.211272125E-09}},
            {12000, 1064, 1664.5, {-8.087801117E+01, 1.621573104E+02, -8.536869453E+00, 4.719686976E-01,
                                   -1.441693666E-02, 2.081618890E-04}},
            {17750, 1664.5, 1768.1, {5.333875126E+04, -1.235892298E+04, 1.092657613E+03, -4.265693686E+01,
                                     6.247205420E-01}},
        }},
        {QLatin1Char('T'), 21000, GridStep, {
            {-6250, -200, 0, {0.0000000E+00, 2.5949192E+01, -2.1316967E-01, 7.9018692E-01, 4.2527777E-01,
                              1.3304473E-01, 2.0241446E-02, 1.2668171E-03}},
            {250, 0, 400, {0.000000E+00, 2.592800E+01, -7.602961E-01, 4.637791E-02, -2.165394E-03,
                           6.048144E-05, -7.293422E-07}},
        }},
    };
}

} // namespace

const Segment &TypeTable::segmentFor(qint32 E) const
{
    const Segment *found = &segments.front();
    for (const Segment &segment : segments)
        if (E >= segment.firstEmf)
            found = &segment;
    return *found;
}

const std::vector<TypeTable> &tables()
{
    static const std::vector<TypeTable> all = buildTables();
    return all;
}

const TypeTable *tableFor(QChar letter)
{
    for (const TypeTable &table : tables())
        if (table.letter == letter)
            return &table;
    return nullptr;
}

double Evaluate_Polynomial(qint32 E, std::span<const double> c)
{
    const double x = E / 1000.0;
    double T = c.empty() ? 0.0 : c[0];
    for (std::size_t i = 1; i < c.size(); ++i)
        if (c[i] != 0)
            T += c[i] * std::pow(x, static_cast<double>(i));
    return T;
}

double temperatureAt(const TypeTable &table, qint32 E) { return Evaluate_Polynomial(E, table.segmentFor(E).d); }

bool withinLimits(qint32 E, const QString &type, double T)
{
    static const QString types = QStringLiteral("BEJKNRST");
    return E >= -8000 && E <= 80000 && type.size() == 1 && types.contains(type) && T >= -273 && T <= 2000;
}

QString pointCommand(const QString &type, qint32 E, const QString &temperatureText)
{
    return QStringLiteral("Wc") + type + QLatin1Char(' ') + QString::number(E) + QLatin1Char(',') + temperatureText;
}

QString formulaTemperatureText(double T) { return TextConv::Format(T, QStringLiteral("######.##")); }

QString writingStatus(const QString &type, qint32 E)
{
    return QStringLiteral("Writing Type ") + type + QStringLiteral(" EMF ") + QString::number(E);
}

QString informationLine(const QDate &date)
{
    return QStringLiteral("&06Tab 1.0 ") + TextConv::FormatDate(QDateTime(date, QTime(0, 0)), QStringLiteral("dd/mm/yy"));
}

std::optional<FilePoint> parsePairLine(const QString &line)
{
    const qsizetype comma = line.indexOf(QLatin1Char(','));
    if (comma < 0)
        return std::nullopt;
    const std::optional<qint32> E = TextConv::CLng(TextConv::Val(line.left(comma)));
    if (!E)
        return std::nullopt;
    return FilePoint{*E, TextConv::Val(line.mid(comma + 1))};
}

QString typeLetterFromFileName(const QString &fileName)
{
    static const QString word = QStringLiteral("Type");
    qsizetype at = fileName.indexOf(word, 0, Qt::CaseSensitive);
    if (at < 0)
        at = fileName.indexOf(word, 0, Qt::CaseInsensitive);
    if (at < 0)
        return {};
    const QString rest = fileName.mid(at + word.size());
    for (QChar c : rest)
        if (c != QLatin1Char(' '))
            return QString(c.toUpper());
    return {};
}

} // namespace Thermocouple

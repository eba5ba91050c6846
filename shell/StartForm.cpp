#include "shell/StartForm.h"
#include "link/AppTitle.h"
#include "shell/Look.h"
#include "widgets/Twips.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <cmath>

namespace {

constexpr int WindowWidth = 480;
constexpr int WindowHeight = 300;
// The About and splash window sits this far below the screen's centre.
constexpr int BelowCentreTwips = 500;

void setTextColour(QWidget *widget, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

// The Qt SQL driver for a database file, recognised by its first bytes; empty when the
// file is neither an SQLite nor an Access database.
QString sqlDriverFor(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray head = file.read(32);
    if (head.startsWith("SQLite format 3"))
        return QStringLiteral("QSQLITE");
    const QByteArray jet = head.mid(4, 15);
    if (jet == "Standard Jet DB" || jet == "Standard ACE DB")
        return QStringLiteral("QODBC");
    return {};
}

} // namespace

QString VersionLabelText(int major, int minor)
{
    return QLatin1Char('V') + QString::number(major) + QLatin1Char('.') + QString::number(minor);
}

StartForm::StartForm(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("StartForm"));
    setWindowTitle(AppTitle);
    setFixedSize(WindowWidth, WindowHeight);
    QPalette background = palette();
    background.setColor(QPalette::Window, Qt::white);
    setPalette(background);
    setAutoFillBackground(true);

    Shape2 = new QFrame(this);
    Shape2->setObjectName(QStringLiteral("Shape2"));
    Shape2->setFrameStyle(QFrame::Box | QFrame::Plain);
    Shape2->setLineWidth(2);
    Shape2->setGeometry(8, 8, WindowWidth - 16, WindowHeight - 16);

    CompLogo = new QLabel(this);
    CompLogo->setObjectName(QStringLiteral("CompLogo"));
    CompLogo->setPixmap(QPixmap(Look::logoPicture()));
    CompLogo->setGeometry(24, 22, 208, 56);

    const QStringList titles = {QStringLiteral("6400 SERIES"), QStringLiteral("SETUP UTILITY")};
    for (int i = 0; i < 2; ++i) {
        TitleLab[i] = new QLabel(titles[i], this);
        TitleLab[i]->setObjectName(QStringLiteral("TitleLab(%1)").arg(i));
        TitleLab[i]->setFont(Look::font(QStringLiteral("Arial Black"), 18));
        TitleLab[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        TitleLab[i]->setGeometry(236, 92 + i * 52, 220, 40);
        TitleLine[i] = new QFrame(this);
        TitleLine[i]->setObjectName(QStringLiteral("TitleLine(%1)").arg(i));
        TitleLine[i]->setFrameStyle(QFrame::HLine | QFrame::Plain);
        TitleLine[i]->setLineWidth(2);
        TitleLine[i]->setGeometry(256, 134 + i * 52, 200, 4);
    }

    Image5 = new QLabel(this);
    Image5->setObjectName(QStringLiteral("Image5"));
    Image5->setPixmap(QPixmap(Look::splashPicture()));
    Image5->setGeometry(24, 92, 224, 150);

    VerLab = new QLabel(this);
    VerLab->setObjectName(QStringLiteral("VerLab"));
    VerLab->setFont(Look::font(QStringLiteral("MS Sans Serif"), 10, true));
    VerLab->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    VerLab->setGeometry(336, 204, 120, 20);

    OKBut = new QPushButton(QStringLiteral("&OK"), this);
    OKBut->setObjectName(QStringLiteral("OKBut"));
    OKBut->setGeometry(376, 248, 80, 26);
    OKBut->setDefault(true);
    OKBut->setVisible(false);
    connect(OKBut, &QPushButton::clicked, this, &StartForm::OKBut_Click);
}

void StartForm::Form_Load()
{
    const QColor accent = toQColor(Look::AccentColour);
    setTextColour(VerLab, accent);
    setTextColour(Shape2, accent);
    for (int i = 0; i < 2; ++i) {
        setTextColour(TitleLab[i], accent);
        setTextColour(TitleLine[i], accent);
    }

    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        const QSize size = frameGeometry().size();
        const double left = (area.width() - size.width()) / 2.0;
        const double top = (area.height() - size.height()) / 2.0 + double(BelowCentreTwips) / Twips::PerPixel;
        move(area.x() + int(std::lround(left)), area.y() + int(std::lround(top)));
    }
    repaint();

    VerLab->setText(VersionLabelText(SETUP_VERSION_MAJOR, SETUP_VERSION_MINOR));
}

void StartForm::OKBut_Click()
{
    if (isModal())
        accept();
    else
        hide();
}

QString StartForm::DefaultLanguageDatabase()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("language.db"));
}

void StartForm::InitLang(const QString &databasePath, const QString &language)
{
    if (!QFileInfo(databasePath).isFile() || language == QLatin1String("English"))
        return;
    const QString driver = sqlDriverFor(databasePath);
    if (driver.isEmpty() || !QSqlDatabase::isDriverAvailable(driver))
        return;

    const QString connection = QStringLiteral("StartForm.InitLang");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(driver, connection);
        if (driver == QLatin1String("QSQLITE")) {
            db.setDatabaseName(databasePath);
            db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        } else {
            db.setDatabaseName(QStringLiteral("DRIVER={Microsoft Access Driver (*.mdb, *.accdb)};DBQ=")
                               + QDir::toNativeSeparators(databasePath));
        }
        if (db.open()) {
            QSqlQuery query(db);
            // The language name is bound, never pasted into the statement.
            query.prepare(QStringLiteral("SELECT * FROM [UiScreen 3] WHERE [Language Type] = ?"));
            query.addBindValue(language);
            if (query.exec() && query.next()) {
                const int field = query.record().indexOf(QStringLiteral("VESTRA SETUP UTILITY"));
                if (field >= 0 && !query.value(field).isNull())
                    TitleLab[1]->setText(query.value(field).toString());
            }
            query.finish();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
}

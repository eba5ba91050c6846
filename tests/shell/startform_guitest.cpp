#include "link/SharedState.h"
#include "shell/Look.h"
#include "shell/StartForm.h"
#include "tests/support/TestEnv.h"
#include "widgets/WindowRegistry.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

class StartFormTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void versionLabel();
    void captionsColoursAndPictures();
    void placedBelowTheCentre();
    void splashHasNoOkButton();
    void okClosesTheAboutWindow();
    void initLang_data();
    void initLang();
};

void StartFormTest::versionLabel()
{
    QCOMPARE(VersionLabelText(1, 2), QStringLiteral("V1.2"));
    QCOMPARE(VersionLabelText(10, 0), QStringLiteral("V10.0"));
    TestEnv env;
    StartForm &form = appWindows().form<StartForm>();
    QCOMPARE(form.VerLab->text(), VersionLabelText(SETUP_VERSION_MAJOR, SETUP_VERSION_MINOR));
}

void StartFormTest::captionsColoursAndPictures()
{
    TestEnv env;
    StartForm &form = appWindows().form<StartForm>();
    QCOMPARE(form.windowTitle(), QStringLiteral("6400 Series Setup Utility"));
    QCOMPARE(form.TitleLab[0]->text(), QStringLiteral("6400 SERIES"));
    QCOMPARE(form.TitleLab[1]->text(), QStringLiteral("SETUP UTILITY"));
    QCOMPARE(form.OKBut->text(), QStringLiteral("&OK"));
    const QColor accent(0, 97, 165);
    QCOMPARE(toQColor(Look::AccentColour), accent);
    const QList<QWidget *> accented = {form.VerLab, form.Shape2, form.TitleLab[0], form.TitleLab[1],
                                       form.TitleLine[0], form.TitleLine[1]};
    for (QWidget *w : accented)
        QCOMPARE(w->palette().color(QPalette::WindowText), accent);
    QVERIFY(!form.CompLogo->pixmap().isNull());
    QVERIFY(!form.Image5->pixmap().isNull());
    QCOMPARE(form.TitleLab[0]->font().family(), QStringLiteral("Liberation Sans"));
    QCOMPARE(form.TitleLab[0]->font().weight(), QFont::Black);
}

void StartFormTest::placedBelowTheCentre()
{
    TestEnv env;
    StartForm &form = appWindows().form<StartForm>();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QSize size = form.frameGeometry().size();
    // 500 twips are 33 1/3 pixels.
    QCOMPARE(form.x(), screen.x() + qRound((screen.width() - size.width()) / 2.0));
    QCOMPARE(form.y(), screen.y() + qRound((screen.height() - size.height()) / 2.0 + 500.0 / 15));
}

void StartFormTest::splashHasNoOkButton()
{
    TestEnv env;
    StartForm &splash = appWindows().form<StartForm>();
    splash.show();
    QVERIFY(splash.isVisible());
    QVERIFY(!splash.OKBut->isVisible());
}

void StartFormTest::okClosesTheAboutWindow()
{
    TestEnv env;
    StartForm &about = appWindows().form<StartForm>();
    about.OKBut->setVisible(true);
    int result = -1;
    QTimer::singleShot(0, about.OKBut, &QPushButton::click);
    result = about.exec();
    QCOMPARE(result, int(QDialog::Accepted));
    QVERIFY(!about.isVisible());
}

void StartFormTest::initLang_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<bool>("fileThere");
    QTest::addColumn<QString>("title");
    QTest::newRow("translated") << QStringLiteral("Deutsch") << true << QStringLiteral("EINRICHTUNGSPROGRAMM");
    QTest::newRow("English is never looked up") << QStringLiteral("English") << true << QStringLiteral("SETUP UTILITY");
    QTest::newRow("language not in the table") << QStringLiteral("Klingon") << true << QStringLiteral("SETUP UTILITY");
    QTest::newRow("empty translation kept out") << QStringLiteral("Nil") << true << QStringLiteral("SETUP UTILITY");
    QTest::newRow("quote in the name is data") << QStringLiteral("x' OR '1'='1") << true
                                               << QStringLiteral("SETUP UTILITY");
    QTest::newRow("no database file") << QStringLiteral("Deutsch") << false << QStringLiteral("SETUP UTILITY");
}

void StartFormTest::initLang()
{
    QFETCH(QString, language);
    QFETCH(bool, fileThere);
    QFETCH(QString, title);
    TestEnv env;
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("language.db"));
    if (fileThere) {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("make"));
            db.setDatabaseName(path);
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec(QStringLiteral(
                "CREATE TABLE [UiScreen 3] ([Language Type] TEXT, [VESTRA SETUP UTILITY] TEXT)")));
            QVERIFY(q.exec(QStringLiteral("INSERT INTO [UiScreen 3] VALUES ('English', 'SETUP UTILITY'), "
                                          "('Deutsch', 'EINRICHTUNGSPROGRAMM'), ('Nil', NULL), "
                                          "('English', 'WRONG ROW')")));
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("make"));
    }
    StartForm &form = appWindows().form<StartForm>();
    form.InitLang(path, language);
    QCOMPARE(form.TitleLab[1]->text(), title);
    QVERIFY(!QSqlDatabase::contains(QStringLiteral("StartForm.InitLang")));
}

QTEST_MAIN(StartFormTest)
#include "startform_guitest.moc"

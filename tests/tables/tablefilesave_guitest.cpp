#include "link/SharedState.h"
#include "tables/calfactors/FormCalFactors.h"
#include "tables/specs/FormImportedUncerts.h"
#include "tables/specs/FormSpecifications.h"
#include "tests/support/PrivateMounts.h"
#include "tests/support/ScriptedDVM.h"
#include "tests/support/TestEnv.h"
#include "widgets/WindowRegistry.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Opens the editor for files of `kind` on a meter that has one row, and returns its save.
std::function<void()> openEditorSave(const QString &kind)
{
    auto dvm = std::make_unique<ScriptedDVM>();
    dvm->reply = [](const QString &command) {
        if (command == QLatin1String("pa"))
            return QStringLiteral("Range 1, 5, 6,\r*0\r");
        if (command == QLatin1String("ps") || command == QLatin1String("pi"))
            return QStringLiteral("R01 10V DC, 5, 3\r*0\r");
        return QStringLiteral("*0\r");
    };
    state().DVM1 = std::move(dvm);
    if (kind == QLatin1String("cal"))
        return [&form = appWindows().form<FormCalFactors>()] { form.Command_FileSave_Click(); };
    if (kind == QLatin1String("spec"))
        return [&form = appWindows().form<FormSpecifications>()] { form.Command_FileSave_Click(); };
    return [&form = appWindows().form<FormImportedUncerts>()] { form.Command_FileSave_Click(); };
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// Saving a table onto a disk that cannot take it leaves the earlier file as it was and
// says so. Each case runs on a real tmpfs of its own.
class TableFileSaveGuiTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void failedSaveKeepsTheOldFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("readOnly");
        for (const char *kind : {"cal", "spec", "uncert"}) {
            QTest::addRow("%s on a full disk", kind) << QString::fromLatin1(kind) << false;
            QTest::addRow("%s in a read-only folder", kind) << QString::fromLatin1(kind) << true;
        }
    }
    void failedSaveKeepsTheOldFile()
    {
        QFETCH(QString, kind);
        QFETCH(bool, readOnly);
        TestEnv env;
        QTemporaryDir dir;
        TmpfsMount disk(dir.path(), 64);
        REQUIRE_MOUNT(disk.error);
        const QString name = QStringLiteral("backup.") + kind;
        const QString path = dir.filePath(name);
        const QByteArray old = "an earlier backup , 1,2,\r\n";
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(old) == old.size());
        }
        if (readOnly)
            QCOMPARE(disk.remountReadOnly(), QString());
        else
            disk.fill();

        const std::function<void()> save = openEditorSave(kind);
        env.ui.answerFiles({path});
        save();

        QCOMPARE(env.ui.boxes.size(), 1);
        QCOMPARE(env.ui.boxes[0].prompt, QStringLiteral("Backup not saved"));
        QCOMPARE(env.ui.boxes[0].style, int(Msg::Critical));
        QCOMPARE(readFile(path), old);
        QStringList left = QDir(dir.path()).entryList(QDir::Files);
        left.removeOne(QStringLiteral("filler"));
        QCOMPARE(left, QStringList{name});
    }
};

int main(int argc, char **argv)
{
    if (const int code = rerunInPrivateMountNamespace(argv); code >= 0)
        return code;
    QApplication app(argc, argv);
    TableFileSaveGuiTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tablefilesave_guitest.moc"

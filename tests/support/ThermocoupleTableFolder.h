#pragma once
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The working folder for one test, with a "Thermocouple Tables" folder in it; the
// previous working folder comes back when it goes.
struct ThermocoupleTableFolder
{
    ThermocoupleTableFolder() : previous(QDir::currentPath())
    {
        QDir(dir.path()).mkdir(QStringLiteral("Thermocouple Tables"));
        QDir::setCurrent(dir.path());
    }
    ~ThermocoupleTableFolder() { QDir::setCurrent(previous); }
    void write(const QString &name, const QByteArray &content) const
    {
        QFile file(dir.path() + QStringLiteral("/Thermocouple Tables/") + name);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    QTemporaryDir dir;
    QString previous;
};

#pragma once
#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// Switches the C library's number formatting (LC_NUMERIC) to German, whose decimal
// separator is a comma, for the life of the object - as QCoreApplication does on a
// desktop with German regional settings. When the system has no German locale installed
// it is built with localedef into a temporary folder. The number conversions must give
// the same text under it as under "C".
class CommaLocale
{
public:
    CommaLocale();
    ~CommaLocale();
    CommaLocale(const CommaLocale &) = delete;
    CommaLocale &operator=(const CommaLocale &) = delete;

    bool active() const { return m_active; }
    // Why the locale could not be switched (for QSKIP).
    QString reason() const { return m_reason; }

private:
    QByteArray m_previous;
    QByteArray m_previousLocPath;
    bool m_hadLocPath = false;
    QTemporaryDir m_built;
    bool m_active = false;
    QString m_reason;
};

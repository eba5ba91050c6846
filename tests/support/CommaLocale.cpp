#include "tests/support/CommaLocale.h"

#include <QProcess>
#include <QStandardPaths>
#include <clocale>

namespace {

bool switchTo(const char *name)
{
    return std::setlocale(LC_NUMERIC, name) && std::localeconv()->decimal_point[0] == ',';
}

} // namespace

CommaLocale::CommaLocale()
    : m_previous(std::setlocale(LC_NUMERIC, nullptr)), m_previousLocPath(qgetenv("LOCPATH")),
      m_hadLocPath(qEnvironmentVariableIsSet("LOCPATH"))
{
    for (const char *name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE"})
        if ((m_active = switchTo(name)))
            return;
    const QString localedef = QStandardPaths::findExecutable(QStringLiteral("localedef"));
    if (localedef.isEmpty() || !m_built.isValid()) {
        m_reason = QStringLiteral("no German locale and no localedef");
        return;
    }
    // localedef may warn (non-zero exit) and still write a usable locale: try it either way.
    QProcess::execute(localedef, {QStringLiteral("-i"), QStringLiteral("de_DE"), QStringLiteral("-f"),
                                  QStringLiteral("UTF-8"), m_built.filePath(QStringLiteral("de_DE.UTF-8"))});
    qputenv("LOCPATH", m_built.path().toLocal8Bit());
    m_active = switchTo("de_DE.UTF-8");
    if (!m_active)
        m_reason = QStringLiteral("localedef could not build de_DE.UTF-8");
}

CommaLocale::~CommaLocale()
{
    std::setlocale(LC_NUMERIC, m_previous.constData());
    if (m_hadLocPath)
        qputenv("LOCPATH", m_previousLocPath);
    else
        qunsetenv("LOCPATH");
}

#include "link/platform/SettingsStore.h"
#include "link/AppTitle.h"

#include <QSettings>

namespace {

// The stored spelling of a key that matches `key` without regard to case, or `key` itself.
QString storedKey(QSettings &store, const QString &section, const QString &key)
{
    for (const QString &group : store.childGroups()) {
        if (group.compare(section, Qt::CaseInsensitive) != 0)
            continue;
        store.beginGroup(group);
        const QStringList keys = store.childKeys();
        store.endGroup();
        for (const QString &k : keys)
            if (k.compare(key, Qt::CaseInsensitive) == 0)
                return group + QLatin1Char('/') + k;
        return group + QLatin1Char('/') + key;
    }
    return section + QLatin1Char('/') + key;
}

} // namespace

// Opening the store resolves the folder and reads and parses the whole file: done once, not
// for each of the many settings read at start-up.
QtSettingsStore::QtSettingsStore()
    : m_store(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, AppTitle, AppTitle))
{
}

QtSettingsStore::~QtSettingsStore() = default;

QString QtSettingsStore::GetSetting(const QString &section, const QString &key, const QString &defaultValue)
{
    return m_store->value(storedKey(*m_store, section, key), defaultValue).toString();
}

void QtSettingsStore::SaveSetting(const QString &section, const QString &key, const QString &value)
{
    m_store->setValue(storedKey(*m_store, section, key), value);
    m_store->sync();
}

bool QtSettingsStore::HasSetting(const QString &section, const QString &key)
{
    return m_store->contains(storedKey(*m_store, section, key));
}

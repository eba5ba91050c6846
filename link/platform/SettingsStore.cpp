#include "link/platform/SettingsStore.h"
#include "link/AppTitle.h"

#include <QSettings>

namespace {

QSettings openStore()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, AppTitle, AppTitle);
}

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

QString QtSettingsStore::GetSetting(const QString &section, const QString &key, const QString &defaultValue)
{
    QSettings store = openStore();
    return store.value(storedKey(store, section, key), defaultValue).toString();
}

void QtSettingsStore::SaveSetting(const QString &section, const QString &key, const QString &value)
{
    QSettings store = openStore();
    store.setValue(storedKey(store, section, key), value);
    store.sync();
}

bool QtSettingsStore::HasSetting(const QString &section, const QString &key)
{
    QSettings store = openStore();
    return store.contains(storedKey(store, section, key));
}

#pragma once
#include "link/platform/SettingsStore.h"

#include <QMap>

// In memory, for tests: what was saved is visible through values().
class MemorySettingsStore : public SettingsStore
{
public:
    QString GetSetting(const QString &section, const QString &key, const QString &defaultValue = {}) override;
    void SaveSetting(const QString &section, const QString &key, const QString &value) override;
    bool HasSetting(const QString &section, const QString &key) override;
    // "section/key" in lower case -> value.
    const QMap<QString, QString> &values() const { return m_values; }
    int saveCount() const { return m_saves; }

private:
    QMap<QString, QString> m_values;
    int m_saves = 0;
};

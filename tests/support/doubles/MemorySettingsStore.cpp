#include "tests/support/doubles/MemorySettingsStore.h"

namespace {

QString memoryKey(const QString &section, const QString &key)
{
    return (section + QLatin1Char('/') + key).toLower();
}

} // namespace

QString MemorySettingsStore::GetSetting(const QString &section, const QString &key, const QString &defaultValue)
{
    return m_values.value(memoryKey(section, key), defaultValue);
}

void MemorySettingsStore::SaveSetting(const QString &section, const QString &key, const QString &value)
{
    m_values[memoryKey(section, key)] = value;
    ++m_saves;
}

bool MemorySettingsStore::HasSetting(const QString &section, const QString &key)
{
    return m_values.contains(memoryKey(section, key));
}

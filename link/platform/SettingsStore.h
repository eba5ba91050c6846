#pragma once
#include <QMap>
#include <QString>

#include <memory>

class QSettings;

// The per-user settings store: values by section and key under the application's title.
// Keys (and sections) are compared without regard to case.
class SettingsStore
{
public:
    virtual ~SettingsStore() = default;
    virtual QString GetSetting(const QString &section, const QString &key, const QString &defaultValue = {}) = 0;
    virtual void SaveSetting(const QString &section, const QString &key, const QString &value) = 0;
    virtual bool HasSetting(const QString &section, const QString &key) = 0;

    // The section every setting of the program lives in.
    static inline const QString Section = QStringLiteral("Settings");
};

// QSettings (an INI file in the user's configuration folder, named after the application's title).
// The file is read when the store is made and written at once on every save; settings other
// stores in this process save are seen at once (Qt shares the file's contents between them).
class QtSettingsStore : public SettingsStore
{
public:
    QtSettingsStore();
    ~QtSettingsStore() override;
    QString GetSetting(const QString &section, const QString &key, const QString &defaultValue = {}) override;
    void SaveSetting(const QString &section, const QString &key, const QString &value) override;
    bool HasSetting(const QString &section, const QString &key) override;

private:
    std::unique_ptr<QSettings> m_store;
};

#pragma once
#include <QString>

// The application's title: message-box titles and the settings store's application name.
inline const QString AppTitle = QStringLiteral("6400 Series Setup Utility");

#pragma once
#include <QString>

// Gives a control its name, the objectName that tests and the screens tool find it by.
template <class Control>
Control *named(Control *control, const QString &name)
{
    control->setObjectName(name);
    return control;
}

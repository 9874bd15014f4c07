#pragma once
// Finds a widget of the form by its object name. A name the form lacks is a
// mistake in the test itself, so it stops the run with the name.

#include <QObject>
#include <QString>

template <typename Widget> Widget* childNamed(const QObject* root, const QString& name)
{
    auto* found = root->findChild<Widget*>(name);
    if (!found)
        qFatal("the form has no %s named %s", Widget::staticMetaObject.className(),
               qPrintable(name));
    return found;
}

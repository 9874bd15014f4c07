#pragma once
// One widget takes another's place on screen, and the keyboard focus the
// other had with it: hiding a focused widget would send the focus on to the
// next stop of the chain, wherever that lies.

#include <QWidget>

inline void swapInPlace(QWidget* outgoing, QWidget* incoming)
{
    const bool hadFocus = outgoing->hasFocus();
    incoming->show();
    if (hadFocus)
        incoming->setFocus(Qt::OtherFocusReason);
    outgoing->hide();
}

#pragma once
// Every message box of the program goes through here, so that tests can
// record the title and text and answer at once instead of blocking.
//
// A box is shown without waiting for it to be answered: what raised it (a
// reply of the headset, a command of the socket, a signal) goes on at once,
// so no event can run inside a box's own event loop. A box with the same
// title and text as one still open replaces it, so that a box nobody answers
// cannot pile up.

#include <QMessageBox>
#include <QString>

#include <functional>

using MessageBoxHandler = std::function<void(QMessageBox::Icon icon, const QString& title,
                                             const QString& text, const QString& detail)>;

// An application-modal box without parent with a single OK button, shown
// without waiting. detail, when given, is the box's informative text: which
// file and what went wrong, say.
void showMessageBox(QMessageBox::Icon icon, const QString& title, const QString& text,
                    const QString& detail = QString());
// The same box, waited for: only where nothing else runs (a second start
// that tells the person and then ends).
void showMessageBoxAndWait(QMessageBox::Icon icon, const QString& title, const QString& text);
// Closes the boxes still open, as the program ends.
void closeMessageBoxes();
// Replaces how boxes are shown; an empty handler restores the real boxes.
void setMessageBoxHandler(MessageBoxHandler handler);

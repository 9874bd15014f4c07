#pragma once
// Every message box of the program goes through here, so that tests can
// record the title and text and answer at once instead of blocking.

#include <QMessageBox>
#include <QString>

#include <functional>

using MessageBoxHandler = std::function<void(QMessageBox::Icon icon, const QString& title,
                                             const QString& text, const QString& detail)>;

// A modal box without parent with a single OK button. detail, when given, is
// the box's informative text: which file and what went wrong, say.
void showMessageBox(QMessageBox::Icon icon, const QString& title, const QString& text,
                    const QString& detail = QString());
// Replaces how boxes are shown; an empty handler restores the real boxes.
void setMessageBoxHandler(MessageBoxHandler handler);

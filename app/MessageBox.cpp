#include "MessageBox.h"

namespace {
MessageBoxHandler handler;
}

void showMessageBox(QMessageBox::Icon icon, const QString& title, const QString& text)
{
    if (handler) {
        handler(icon, title, text);
        return;
    }
    QMessageBox box(icon, title, text, QMessageBox::Ok);
    box.exec();
}

void setMessageBoxHandler(MessageBoxHandler replacement) { handler = std::move(replacement); }

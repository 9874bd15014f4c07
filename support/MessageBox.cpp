#include "MessageBox.h"

#include <QTextStream>

namespace {

MessageBoxHandler handler;

// Scripts and tests that drive the whole program set VELUMIX_ANSWER_BOXES=1:
// each box is then written to standard error as "title: text" and answered
// at once instead of waiting for a click.
bool answerBoxesAtOnce()
{
    return qEnvironmentVariableIntValue("VELUMIX_ANSWER_BOXES") == 1;
}

} // namespace

void showMessageBox(QMessageBox::Icon icon, const QString& title, const QString& text)
{
    if (handler) {
        handler(icon, title, text);
        return;
    }
    if (answerBoxesAtOnce()) {
        QTextStream(stderr) << "message box: " << title << ": " << text << "\n";
        return;
    }
    QMessageBox box(icon, title, text, QMessageBox::Ok);
    box.exec();
}

void setMessageBoxHandler(MessageBoxHandler replacement)
{
    handler = std::move(replacement);
}

#include "MessageBox.h"

#include <QTextStream>

namespace {

MessageBoxHandler handler;

// Scripts and tests that drive the whole program set VELUMIX_ANSWER_BOXES=1:
// each box is then written to standard error as "title: text" and answered
// at once instead of waiting for a click; a detail follows on a line of its
// own, indented.
bool answerBoxesAtOnce()
{
    return qEnvironmentVariableIntValue("VELUMIX_ANSWER_BOXES") == 1;
}

} // namespace

void showMessageBox(QMessageBox::Icon icon, const QString& title, const QString& text,
                    const QString& detail)
{
    if (handler) {
        handler(icon, title, text, detail);
        return;
    }
    if (answerBoxesAtOnce()) {
        QTextStream out(stderr);
        out << "message box: " << title << ": " << text << "\n";
        if (!detail.isEmpty())
            out << "    " << detail << "\n";
        return;
    }
    QMessageBox box(icon, title, text, QMessageBox::Ok);
    box.setInformativeText(detail);
    box.exec();
}

void setMessageBoxHandler(MessageBoxHandler replacement)
{
    handler = std::move(replacement);
}

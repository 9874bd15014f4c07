#include "MessageBox.h"

#include <QLoggingCategory>
#include <QPointer>
#include <QTextStream>

#include <algorithm>
#include <vector>

Q_LOGGING_CATEGORY(lcBoxes, "velumix.boxes")

namespace {

MessageBoxHandler handler;
// The boxes shown and not yet closed, oldest first.
std::vector<QPointer<QMessageBox>> openBoxes;

// Scripts and tests that drive the whole program set VELUMIX_ANSWER_BOXES=1:
// each box is then written to standard error as "title: text" and answered
// at once instead of waiting for a click; a detail follows on a line of its
// own, indented.
bool answerBoxesAtOnce()
{
    return qEnvironmentVariableIntValue("VELUMIX_ANSWER_BOXES") == 1;
}

// True when the box was handed over instead of shown.
bool handedOver(QMessageBox::Icon icon, const QString& title, const QString& text,
                const QString& detail)
{
    if (handler) {
        handler(icon, title, text, detail);
        return true;
    }
    if (!answerBoxesAtOnce())
        return false;
    QTextStream out(stderr);
    out << "message box: " << title << ": " << text << "\n";
    if (!detail.isEmpty())
        out << "    " << detail << "\n";
    return true;
}

void closeOpenBoxLike(const QString& title, const QString& text)
{
    for (const QPointer<QMessageBox>& box : openBoxes) {
        if (box && box->windowTitle() == title && box->text() == text) {
            qCDebug(lcBoxes).noquote() << "replaced:" << title << ":" << text;
            box->close();
        }
    }
    openBoxes.erase(std::remove(openBoxes.begin(), openBoxes.end(), nullptr), openBoxes.end());
}

} // namespace

void showMessageBox(QMessageBox::Icon icon, const QString& title, const QString& text,
                    const QString& detail)
{
    if (handedOver(icon, title, text, detail))
        return;
    closeOpenBoxLike(title, text);
    auto* box = new QMessageBox(icon, title, text, QMessageBox::Ok);
    box->setInformativeText(detail);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::ApplicationModal);
    box->show();
    openBoxes.emplace_back(box);
    qCDebug(lcBoxes).noquote() << "shown:" << title << ":" << text;
}

void showMessageBoxAndWait(QMessageBox::Icon icon, const QString& title, const QString& text)
{
    if (handedOver(icon, title, text, QString()))
        return;
    QMessageBox box(icon, title, text, QMessageBox::Ok);
    box.exec();
}

void closeMessageBoxes()
{
    for (const QPointer<QMessageBox>& box : std::exchange(openBoxes, {}))
        delete box.data();
}

void setMessageBoxHandler(MessageBoxHandler replacement)
{
    handler = std::move(replacement);
}

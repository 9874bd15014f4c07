// Velumix: the headset companion window, one instance per user.

#include "Autostart.h"
#include "MessageBox.h"
#include "SingleInstance.h"
#include "Velumix.h"

#include <QApplication>
#include <QFont>
#include <QLoggingCategory>
#include <QFileInfo>
#include <QFontDatabase>
#include <QScreen>

Q_LOGGING_CATEGORY(lcApp, "velumix.app")

namespace {

// The form names two faces; the program ships free faces in their place.
struct ShippedFont
{
    const char* file;
    const char* formFamily;
};
const ShippedFont kShippedFonts[] = {{"/font/arial.ttf", "Arial"},
                                     {"/font/bgothl.ttf", "BankGothic Lt BT"}};

void scaleApplicationFont()
{
    const float scale = static_cast<float>(QGuiApplication::primaryScreen()->logicalDotsPerInchX() / 96.0);
    QFont font = QApplication::font();
    font.setPointSize(static_cast<int>(font.pointSize() * scale));
    QApplication::setFont(font);
}

void installFonts()
{
    QStringList families;
    for (const ShippedFont& shipped : kShippedFonts) {
        const int id =
            QFontDatabase::addApplicationFont(QApplication::applicationDirPath() + shipped.file);
        const QStringList added = QFontDatabase::applicationFontFamilies(id);
        families += added;
        if (!added.isEmpty() && added.first() != shipped.formFamily)
            QFont::insertSubstitution(shipped.formFamily, added.first());
    }
    if (families.isEmpty())
        return;
    QFont font = QApplication::font();
    font.setFamily(families.first());
    font.setPixelSize(15);
    QApplication::setFont(font);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QApplication app(argc, argv);
    // The window hides to the tray; a closed message box must not end the program.
    app.setQuitOnLastWindowClosed(false);
    scaleApplicationFont();
    setAutoRun(QApplication::applicationFilePath());

    const QString programName = QFileInfo(QApplication::applicationFilePath()).completeBaseName();
    SingleInstance instance("a", "b", programName);
    if (!instance.acquire()) {
        showMessageBox(QMessageBox::Information, QObject::tr("prompt"),
                       QObject::tr("Program is running"));
        return instance.requestRaise() ? 0 : -1;
    }

    Velumix window;
    QObject::connect(&instance, &SingleInstance::raiseRequested, &window, [&window] {
        qCDebug(lcApp).noquote() << "Raised by a later start";
        window.show();
        window.raise();
        window.activateWindow();
    });
    installFonts();
    if (showOnStart == 1)
        window.show();
    else
        window.hide();
    return app.exec();
}

// Velumix: the headset companion window, one instance per user.

#include "Autostart.h"
#include "ConfigReader.h"
#include "HidapiBackend.h"
#include "HotplugSource.h"
#include "LinkContext.h"
#include "MessageBox.h"
#include "SimulatedHeadset.h"
#include "SimulatorPanel.h"
#include "SingleInstance.h"
#include "Velumix.h"

#include <QApplication>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QLoggingCategory>
#include <QScreen>
#include <QTextStream>

#include <cstring>
#include <memory>

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
    const float scale =
        static_cast<float>(QGuiApplication::primaryScreen()->logicalDotsPerInchX() / 96.0);
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

// "--simulate" or "--simulate=PID": the program talks to a simulated headset
// with that product ID (hexadecimal) instead of the real ones.
struct SimulateOption
{
    bool wanted = false;
    uint16_t productId = 0x1054;
    QString error;
};

SimulateOption simulateOption(const QStringList& arguments)
{
    SimulateOption option;
    for (const QString& argument : arguments) {
        if (argument == "--simulate") {
            option.wanted = true;
        } else if (argument.startsWith("--simulate=")) {
            option.wanted = true;
            bool ok = false;
            const QString digits = argument.mid(int(strlen("--simulate=")));
            const uint id = digits.toUInt(&ok, 16);
            if (!ok || digits.size() > 4 || id > 0xFFFF)
                option.error =
                    QStringLiteral("--simulate: '%1' is not a hexadecimal product ID").arg(digits);
            option.productId = static_cast<uint16_t>(id);
        }
    }
    return option;
}

QList<quint16> defaultFileProductIds()
{
    return productIdsOf(readConfigFolder(QApplication::applicationDirPath() + "/DefaultFile"));
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

    const SimulateOption simulate = simulateOption(QApplication::arguments());
    if (!simulate.error.isEmpty()) {
        QTextStream(stderr) << "velumix: " << simulate.error << "\n";
        return 2;
    }
    HidapiBackend headsets;
    SimulatedHidBackend simulatedHeadsets;
    ManualHotplugSource simulatedHotplug;
    int simulatedUnit = -1;
    LinkContext link(simulate.wanted ? static_cast<HidBackend&>(simulatedHeadsets) : headsets);
    if (simulate.wanted) {
        HeadsetSettings settings;
        settings.productId = simulate.productId;
        simulatedUnit = simulatedHeadsets.addHeadset(settings);
        link.hotplugSource = &simulatedHotplug;
    }
    const LinkContextGuard linkInstalled(link);

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
    std::unique_ptr<SimulatorPanel> panel;
    if (simulate.wanted) {
        panel = std::make_unique<SimulatorPanel>(simulatedHeadsets, simulatedHotplug,
                                                 defaultFileProductIds(), simulatedUnit);
        panel->move(window.geometry().right() + 16, window.geometry().top());
        panel->show();
    }
    const int result = app.exec();
    window.shutDown();
    return result;
}

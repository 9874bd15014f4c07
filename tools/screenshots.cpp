// Renders the window's screens to PNG files without a display, with a
// simulated headset plugged in (product ID 1029 unless another is given in
// hexadecimal):
//   QT_QPA_PLATFORM=offscreen velumix-screenshots OUTPUT_FOLDER [PRODUCT_ID]

#include "AutomaticModes.h"
#include "AutomaticModesDialog.h"
#include "ConfigNames.h"
#include "DataFolder.h"
#include "DesktopIntegration.h"
#include "FileActions.h"
#include "HeadsetSession.h"
#include "HotplugSource.h"
#include "ImportPreview.h"
#include "Look.h"
#include "SimulatedHeadset.h"
#include "TraceLog.h"
#include "Velumix.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QTextStream>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

struct Screen
{
    const char* file;
    std::function<void(Velumix&)> show;
};

void showPage(Velumix& window, int tab)
{
    window.ui.tabWidget->setCurrentIndex(tab);
}

// Lets the headset's replies arrive and the window act on them.
void settle(const std::function<bool()>& done, int milliseconds = 3000)
{
    QDeadlineTimer deadline(milliseconds);
    while (!done() && !deadline.hasExpired())
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    QApplication::processEvents();
}

// Imports the example correction on the stereo page and pictures the
// preview before saving it.
bool importExample(Velumix& window, const QString& previewPath)
{
    bool saved = false;
    QTimer::singleShot(0, [&] {
        auto* preview = qobject_cast<ImportPreview*>(QApplication::activeModalWidget());
        if (!preview)
            return;
        settle([] { return false; }, 200);
        saved = preview->grab().save(previewPath);
        QTextStream(stdout) << previewPath << "\n";
        preview->nameBox()->setText("Studio Reference");
        preview->saveButton()->click();
    });
    window.fileActions().importCorrectionFrom(
        SoundPage::Stereo, QStringLiteral(VELUMIX_EXAMPLES_DIR "/correction-graphiceq.txt"));
    return saved;
}

// The window with the menu of its first stereo custom slot open over it.
bool pictureSlotMenu(Velumix& window, const QString& path)
{
    QWidget* slot = window.ui.radioButton_Stereo_Custom1;
    const std::unique_ptr<QMenu> menu = window.fileActions().menu(SoundPage::Stereo, 0);
    const QPoint at = slot->mapTo(&window, QPoint(slot->width() / 2, slot->height()));
    menu->popup(window.mapToGlobal(at));
    settle([] { return false; }, 200);
    QPixmap picture = window.grab();
    QPainter painter(&picture);
    painter.drawPixmap(at, menu->grab());
    painter.end();
    menu->close();
    QTextStream(stdout) << path << "\n";
    return picture.save(path);
}

// The Automatic modes list with three rules, a game playing on the headset
// and its rule in force.
bool pictureAutomaticModes(Velumix& window, AutomaticModes& automatic, const QString& path)
{
    for (const AutoModeRule& rule :
         {AutoModeRule{"steam", SoundPage::Surround, "FPS"},
          AutoModeRule{"spotify", SoundPage::Stereo, "Jazz"},
          AutoModeRule{"firefox-esr", SoundPage::Stereo, "Studio Reference"}})
        automatic.addRule(rule);
    PlaybackStream game;
    game.index = 1;
    game.processBinary = QStringLiteral("steam");
    game.applicationName = QStringLiteral("Steam");
    game.onHeadset = true;
    automatic.followStreams({game});
    AutomaticModesDialog* list = window.showAutomaticModes();
    list->list()->selectRow(0);
    settle([] { return false; }, 300);
    QTextStream(stdout) << path << "\n";
    const bool saved = list->grab().save(path);
    list->hide();
    automatic.followStreams({});
    return saved;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QStringList arguments = QApplication::arguments();
    // The high-contrast look's screens are named like the default one's,
    // with "-high-contrast" before ".png".
    const bool highContrast = arguments.removeAll(QStringLiteral("--high-contrast")) > 0;
    bool productIdRead = true;
    const uint16_t productId =
        arguments.size() == 3 ? arguments[2].toUShort(&productIdRead, 16) : 0x1029;
    if (arguments.size() < 2 || arguments.size() > 3 || !productIdRead) {
        QTextStream(stderr)
            << "usage: velumix-screenshots [--high-contrast] OUTPUT_FOLDER [PRODUCT_ID]\n";
        return 2;
    }
    look::setHighContrast(highContrast);
    const QString suffix =
        highContrast ? QStringLiteral("-high-contrast.png") : QStringLiteral(".png");
    const QDir output(arguments[1]);
    QDir().mkpath(output.path());

    SimulatedHidBackend headsets;
    HeadsetSettings settings;
    settings.productId = productId;
    const int unit = headsets.addHeadset(settings);
    ManualHotplugSource hotplug;
    HeadsetSession::Options options;
    options.defaultFileFolder = dataFolder() + "/" + kDefaultFileFolder;
    options.userFileFolder = userFileFolder(programBaseName());
    HeadsetSession session(headsets, &hotplug, options);

    AutomaticModes automatic(session, automaticModesPath());

    useFreeFacesForForm(); // as the program does, before its window is built
    Velumix window(session);
    window.setAutomaticModes(&automatic);
    window.startSession();
    window.show();
    settle([&] { return session.unitKnown(); });
    const auto unplug = [&](Velumix&) {
        headsets.unplug(unit);
        for (const std::string& path : headsets.interfacePaths(unit))
            hotplug.remove(QString::fromStdString(path));
    };
    const Screen screens[] = {
        {"surround-page.png", [](Velumix& w) { showPage(w, 0); }},
        {"stereo-page.png",
         [](Velumix& w) {
             showPage(w, 1);
             w.ui.radioButton_Stereo_Jazz->click();
         }},
        {"microphone-page.png", [](Velumix& w) { showPage(w, 2); }},
        {"surround-test.png",
         [](Velumix& w) {
             showPage(w, 0);
             emit w.ui.pushButton_5->pressed();
         }},
        {"surround-custom-modes.png",
         [](Velumix& w) {
             emit w.ui.pushButton_4->pressed(); // back to the equaliser view
             w.ui.radioButton_Surround_Customize->click();
             for (int mode = 0; mode < 3; ++mode) {
                 w.ui.pushButton_Surround_CustomAdd->click();
                 settle([] { return false; }, 200);
             }
             // A name longer than its slot, as a person might type it.
             const QString name = "Late Night Film With Quiet Dialogue";
             w.ui.lineEdit_23->setText(name);
             emit w.ui.lineEdit_23->textEdited(name);
             w.ui.pushButton_CustomSave->click();
         }},
        {"stereo-imported-mode.png",
         [&](Velumix& w) {
             showPage(w, 1);
             w.ui.radioButton_Stereo_Customize->click();
             if (!importExample(w, output.filePath("import-preview" + suffix)))
                 QTextStream(stderr) << "the import preview did not show\n";
             settle([] { return false; }, 200);
             if (!pictureSlotMenu(w, output.filePath("stereo-mode-menu" + suffix)))
                 QTextStream(stderr) << "cannot write the menu picture\n";
             // A band held while dragged shows its gain.
             w.ui.verticalSlider_4k->setSliderDown(true);
             w.ui.verticalSlider_4k->setSliderPosition(-4);
         }},
        {"start-screen.png",
         [&](Velumix& w) {
             w.ui.verticalSlider_4k->setSliderDown(false);
             if (!pictureAutomaticModes(w, automatic, output.filePath("automatic-modes.png")))
                 QTextStream(stderr) << "cannot write the automatic modes picture\n";
             unplug(w);
         }},
    };
    for (const Screen& screen : screens) {
        screen.show(window);
        settle([] { return false; }, 400);
        const QString path =
            output.filePath(QString::fromUtf8(screen.file).replace(QStringLiteral(".png"), suffix));
        if (!window.grab().save(path)) {
            QTextStream(stderr) << "cannot write " << path << "\n";
            return 1;
        }
        QTextStream(stdout) << path << "\n";
    }
    return 0;
}

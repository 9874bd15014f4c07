// Moving between the pages and their panels: the three icon tabs, the
// equaliser and speaker-test views of the surround page, folding the built-in
// entries of a mode list, the headset picture screen, and the Reset and Save
// buttons.

#include "Velumix.h"

#include "PageView.h"
#include "Styles.h"
#include "TraceLog.h"
#include "UsbHidOperation.h"
#include "WidgetTables.h"

#include <QScopedValueRollback>
#include <QScrollBar>
#include <QThread>

#include <vector>

namespace {

// Re-applying one page's mode and then the other's leaves the headset this
// long between the two uploads.
constexpr int kReapplyGapMs = 10;

// The two halves of the "Equalizer" / "Surround Sound" switch.
constexpr char kSwitchHalfChosen[] =
    "QPushButton{border-radius: 7px;height:60px;color:rgb(255,255,255);border: none;"
    "background-color: rgb(255,171,62)}";
constexpr char kEqualizerHalfIdle[] =
    "QPushButton{border-top-left-radius: 7px;border-bottom-left-radius:7px;"
    "background-color: rgb(50,50,50);color:rgb(90,90,90)}";
constexpr char kSurroundHalfIdle[] =
    "QPushButton{border-top-right-radius:7px;border-bottom-right-radius: 7px; "
    "background-color: rgb(50,50,50);color:rgb(90,90,90)}";
// Save on the stereo page greys its buttons with its own spelling of the idle look.
constexpr char kStereoSaveIdle[] =
    "QPushButton{background-color: rgb(50,50,50);border-radius:7px;border-radius:7px;"
    "color:rgb(100,100,100)}";

constexpr char kHeadsetScreenBackground[] =
    "QLabel{border-image: url(:/headset/pic/headset/Rasko_main_back.jpg);}";
constexpr char kMainScreenBackground[] =
    "QLabel{border-image: url(:/controls/pic/control/aaa.png);}";
// The headset picture button: in view on the picture screen, else beside the window.
constexpr QRect kHeadsetPictureShown(338, 67, 500, 598);
constexpr QRect kHeadsetPictureParked(1330, 190, 500, 598);

using Form = Ui::VelumixClass;
using RadioMember = QRadioButton* Form::*;
using ButtonMember = QPushButton* Form::*;

// Where a mode list's movable rows sit; custom slot k lies k row pitches
// below slot 1.
struct RowGeometry
{
    QRect customize;
    QRect addButton;
    QRect firstCustomRadio;
    QRect firstCopyButton;
    QRect firstDeleteButton;
};
constexpr int kRowPitch = 30;

// The parts of a page's mode list that belong to the built-in presets.
struct PresetList
{
    // In the order in which a page switch looks for the checked entry.
    std::vector<RadioMember> radios;
    std::vector<ButtonMember> copyButtons;
    ButtonMember foldButton; // lies on top of its unfold twin
    QLineEdit* Form::*caption;
    QScrollArea* Form::*scrollArea;
    RowGeometry folded;
    RowGeometry unfolded;
};

const PresetList kSurroundPresets{
    {&Form::radioButton_Surround_DeepBas, &Form::radioButton_Surround_FPS,
     &Form::radioButton_Surround_Moba, &Form::radioButton_Surround_ZUVOStandard},
    {&Form::pushButton_13, &Form::pushButton_14, &Form::pushButton_15, &Form::pushButton_16},
    &Form::pushButton_die1,
    &Form::lineEdit_20,
    &Form::scrollArea,
    {{0, 10, 110, 30}, {210, 10, 24, 24}, {0, 40, 110, 30}, {165, 42, 20, 24}, {213, 45, 18, 18}},
    {{0, 130, 100, 25},
     {211, 130, 24, 24},
     {0, 160, 110, 30},
     {165, 162, 20, 24},
     {213, 165, 18, 18}},
};

const PresetList kStereoPresets{
    {&Form::radioButton_Stereo_Pop, &Form::radioButton_Stereo_RockRoll,
     &Form::radioButton_Stereo_DeepBass, &Form::radioButton_Stereo_Jazz,
     &Form::radioButton_Stereo_Classic, &Form::radioButton_Stereo_ZUVOStandard},
    {&Form::pushButton_22, &Form::pushButton_23, &Form::pushButton_24, &Form::pushButton_25,
     &Form::pushButton_26, &Form::pushButton_27},
    &Form::pushButton_die3,
    &Form::lineEdit_21,
    &Form::scrollArea_2,
    {{0, 10, 110, 30}, {210, 10, 24, 24}, {0, 40, 110, 30}, {165, 42, 20, 24}, {215, 45, 18, 18}},
    {{0, 190, 110, 30},
     {210, 193, 24, 24},
     {0, 222, 110, 30},
     {160, 220, 20, 24},
     {215, 225, 18, 18}},
};

const PresetList& presetList(SoundPage page)
{
    return page == SoundPage::Surround ? kSurroundPresets : kStereoPresets;
}

void greyOut(QPushButton* reset, QPushButton* save, const char* styleSheet)
{
    for (QPushButton* button : {reset, save}) {
        button->setStyleSheet(styleSheet);
        button->setEnabled(false);
    }
}

} // namespace

void Velumix::on_TabWidget_Clicked(int index)
{
    switch (index) {
    case kSurroundTab:
        showSurroundPage();
        break;
    case kStereoTab:
        showStereoPage();
        break;
    case kMicrophoneTab:
        showMicrophonePage();
        break;
    default: // a click on the tab bar beside every tab
        break;
    }
}

void Velumix::showSurroundPage()
{
    // Adding a page the tab widget holds already moves its tab to the end, so
    // this rebuilds the three tabs in their order, all enabled again.
    for (const auto& [page, icon] :
         {std::pair{ui.widget_2, &m_iconGame}, std::pair{ui.widget, &m_iconEar},
          std::pair{ui.widget_3, &m_iconMic}})
        ui.tabWidget->addTab(page, *icon, QString());
    ui.lineEdit_15->hide();
    m_currentPage = kSurroundPageShown;
    announceSoundPage(SoundPage::Surround);
    On_Button_Style();

    ui.widget_Param_Stereo->hide();
    ui.widget_Param_Surround->show();
    for (QWidget* widget : std::initializer_list<QWidget*>{
             ui.groupBox_Stereo_Spectrum, ui.groupBox_SurroundTest, ui.pushButton_SurroundTest})
        widget->hide();
    for (QWidget* widget : std::initializer_list<QWidget*>{
             ui.label_Horn_Left, ui.label_Horn_Right, ui.label_Horn_Up, ui.label_Horn_LeftUp,
             ui.label_Horn_LeftDown, ui.label_Horn_RightUp, ui.label_Horn_RightDown, ui.label_dB,
             ui.label_Hz})
        widget->show();

    reapplyModes(SoundPage::Stereo, SoundPage::Surround);
    showSelectionArea(SoundPage::Surround);
}

void Velumix::showStereoPage()
{
    ui.pushButton_SurroundTest->setText("Test");
    setTabIcons(m_iconGameGray, m_iconEarWhite, m_iconMic);
    m_currentPage = kStereoPageShown;
    announceSoundPage(SoundPage::Stereo);
    for (QWidget* widget : std::initializer_list<QWidget*>{ui.lineEdit_15, ui.widget_Param_Stereo,
                                                           ui.groupBox_Stereo_Spectrum})
        widget->show();
    ui.widget_Param_Surround->hide();
    ui.groupBox_SurroundTest->hide();
    showSpectrumArea();
    ui.label_dB->show();
    ui.label_Hz->show();
    stopPlayingTest();

    reapplyModes(SoundPage::Surround, SoundPage::Stereo);
    traceLog("Stereo Clicked", "Open Spectrum", "Velumix", "on_TabWidget_Clicked", __LINE__);
    showSelectionArea(SoundPage::Stereo);
}

void Velumix::showMicrophonePage()
{
    ui.pushButton_SurroundTest->setText("Test");
    setTabIcons(m_iconGameGray, m_iconEar, m_iconMicWhite);
    m_currentPage = kMicrophonePageShown;
    for (QWidget* widget : std::initializer_list<QWidget*>{
             ui.lineEdit_15, ui.widget_Param_Stereo, ui.widget_Param_Surround,
             ui.groupBox_Stereo_Spectrum, ui.groupBox_SurroundTest, ui.label_dB, ui.label_Hz})
        widget->hide();
    hideEditingWidgets();
    stopPlayingTest();
}

void Velumix::setTabIcons(const QIcon& surround, const QIcon& stereo, const QIcon& microphone)
{
    ui.tabWidget->setTabIcon(kSurroundTab, surround);
    ui.tabWidget->setTabIcon(kStereoTab, stereo);
    ui.tabWidget->setTabIcon(kMicrophoneTab, microphone);
}

// A headset of another model shows its spectrum panel, the built-in models
// their picture.
void Velumix::showSpectrumArea()
{
    const bool opened = linkState.deviceOpened == 1;
    if (m_headsetModel == 0) {
        ui.widget_Spectrum->setVisible(opened);
        ui.label_Spectrum->show();
        return;
    }
    ui.widget_Spectrum->hide();
    if (opened)
        ui.label_Spectrum->show();
}

void Velumix::reapplyModes(SoundPage first, SoundPage second)
{
    reapplyMode(first);
    QThread::msleep(kReapplyGapMs);
    reapplyMode(second);
}

// Clicks the page's checked entry again, so that its slot sends the mode to
// the headset once more. The "Customize" entry is never re-applied.
void Velumix::reapplyMode(SoundPage page)
{
    // Showing a page chooses nothing new; the saved mode stays.
    const QScopedValueRollback<bool> windowSelects(m_windowSelectsMode, true);
    for (RadioMember preset : presetList(page).radios) {
        if ((ui.*preset)->isChecked()) {
            (ui.*preset)->click();
            return;
        }
    }
    for (QRadioButton* slot : this->page(page).customRadios) {
        if (slot->isChecked()) {
            slot->click();
            return;
        }
    }
}

// The page's custom-mode frame follows its selection kind.
void Velumix::showSelectionArea(SoundPage page)
{
    const PageView view = this->page(page);
    if (view.selectionKind == view.presetSelected) {
        view.frame->hide();
        hideEditingWidgets();
    } else if (view.selectionKind == view.customSelected) {
        view.frame->show();
    } else {
        hideEditingWidgets();
    }
}

void Velumix::hideEditingWidgets()
{
    for (QWidget* widget : std::initializer_list<QWidget*>{
             ui.lineEdit_CustomName, ui.pushButton_CustomReset, ui.pushButton_CustomSave,
             ui.pushButton_CustomReset2, ui.pushButton_CustomSave2})
        widget->hide();
}

// A paused test stays paused; only a playing one ends when its page is left.
void Velumix::stopPlayingTest()
{
    if (m_testRunning)
        stopSurroundTest();
}

void Velumix::On_Button_Style()
{
    showSurroundSubView(false);
}

void Velumix::On_Button_Surround()
{
    showSurroundSubView(true);
}

// The surround page shows either its equaliser or its speaker test; the
// chosen half of the switch lies on top of the other.
void Velumix::showSurroundSubView(bool testView)
{
    surroundSubViewActive = testView;
    for (QSlider* slider : widgets(ui, kSurroundBandSliders))
        slider->setVisible(!testView);
    for (QWidget* widget : std::initializer_list<QWidget*>{
             ui.label_16, ui.label_Hz_2, ui.widget_Param_Surround, ui.lineEdit_23})
        widget->setVisible(!testView);
    ui.groupBox_SurroundTest->setVisible(testView);
    ui.pushButton_SurroundTest->setVisible(testView);
    if (testView) {
        ui.pushButton_CustomReset->hide();
        ui.pushButton_CustomSave->hide();
    }
    QPushButton* chosen = testView ? ui.pushButton_5 : ui.pushButton_4;
    QPushButton* other = testView ? ui.pushButton_4 : ui.pushButton_5;
    other->setStyleSheet(testView ? kEqualizerHalfIdle : kSurroundHalfIdle);
    chosen->setStyleSheet(kSwitchHalfChosen);
    chosen->raise();
}

void Velumix::pushButton_die1_fold()
{
    setModeListFolded(SoundPage::Surround, true);
}
void Velumix::pushButton_die2_fold()
{
    setModeListFolded(SoundPage::Surround, false);
}
void Velumix::pushButton_die3_fold()
{
    setModeListFolded(SoundPage::Stereo, true);
}
void Velumix::pushButton_die4_fold()
{
    setModeListFolded(SoundPage::Stereo, false);
}

// Folding hides the built-in entries and moves the Customize entry and the
// custom slots up to the top of the list; unfolding puts them back. The copy
// buttons of the built-in entries reappear only when their entry is toggled.
void Velumix::setModeListFolded(SoundPage page, bool folded)
{
    const PresetList& presets = presetList(page);
    const PageView rows = this->page(page);
    (ui.*presets.foldButton)->setVisible(!folded);
    if (folded) {
        for (ButtonMember copy : presets.copyButtons)
            (ui.*copy)->hide();
    } else {
        (ui.*presets.caption)->setText("Default");
    }
    for (RadioMember preset : presets.radios)
        (ui.*preset)->setVisible(!folded);

    const RowGeometry& geometry = folded ? presets.folded : presets.unfolded;
    rows.customize->setGeometry(geometry.customize);
    rows.addButton->setGeometry(geometry.addButton);
    for (size_t slot = 0; slot < rows.customRadios.size(); ++slot) {
        const int down = int(slot) * kRowPitch;
        rows.customRadios[slot]->setGeometry(geometry.firstCustomRadio.translated(0, down));
        rows.copyButtons[slot]->setGeometry(geometry.firstCopyButton.translated(0, down));
        rows.deleteButtons[slot]->setGeometry(geometry.firstDeleteButton.translated(0, down));
    }
    QScrollBar* scrollBar = (ui.*presets.scrollArea)->verticalScrollBar();
    scrollBar->setValue(scrollBar->minimum());
}

void Velumix::disappear()
{
    hideCustomRowButtons(SoundPage::Surround);
}

void Velumix::disappear2()
{
    hideCustomRowButtons(SoundPage::Stereo);
}

void Velumix::hideCustomRowButtons(SoundPage page)
{
    const PageView rows = this->page(page);
    for (size_t slot = 0; slot < rows.customRadios.size(); ++slot) {
        rows.copyButtons[slot]->hide();
        rows.deleteButtons[slot]->hide();
    }
}

void Velumix::slot1()
{
    ui.tabWidget->setCurrentIndex(kSurroundTab);
}

// The back arrow: the headset picture covers the pages.
void Velumix::main_changed()
{
    ui.pushButton_8->hide();
    ui.pushButton_9->setGeometry(kHeadsetPictureShown);
    ui.label->raise();
    ui.label->setStyleSheet(kHeadsetScreenBackground);
    ui.pushButton_9->raise();
    ui.pushButton_9->setStyleSheet(styles::headsetPictureButton(linkState.connectedProductId));
    ui.pushButton_Close->raise();
    ui.pushButton_Minimize->raise();
    stopPlayingTest();
}

// A click on the headset picture goes back to the page shown before.
void Velumix::main_clicked()
{
    ui.pushButton_8->show();
    ui.pushButton_9->setGeometry(kHeadsetPictureParked);
    ui.label->setStyleSheet(kMainScreenBackground);
    ui.label->lower();
    ui.label_DefaultBackground->lower();
    ui.pushButton_DefaultClose->lower();
}

// These run before the shared Reset and Save slots of their buttons.
void Velumix::On_Button_Reset1()
{
    greyOut(ui.pushButton_CustomReset, ui.pushButton_CustomSave, styles::kEditButtonIdle);
}

void Velumix::On_Button_Save1()
{
    greyOut(ui.pushButton_CustomReset, ui.pushButton_CustomSave, styles::kEditButtonIdle);
}

void Velumix::On_Button_Reset2()
{
    greyOut(ui.pushButton_CustomReset2, ui.pushButton_CustomSave2, styles::kEditButtonIdle);
}

void Velumix::On_Button_Save2()
{
    greyOut(ui.pushButton_CustomReset2, ui.pushButton_CustomSave2, kStereoSaveIdle);
}

// Reset puts back the gains of the selected custom mode and stores them.
void Velumix::on_PushButton_CustomReset_Clicked()
{
    if (const std::optional<SoundPage> page = soundPageShown(m_currentPage))
        restoreCustomGains(*page);
    on_PushButton_CustomSave_Clicked();
}

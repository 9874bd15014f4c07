// Building the window, its initial state, panel modes and the way out.

#include "Velumix.h"

#include "Autostart.h"
#include "CustomTabStyle.h"
#include "DataFolder.h"
#include "ElidedButtonText.h"
#include "FirstShow.h"
#include "HidapiBackend.h"
#include "MyThread.h"
#include "TraceLog.h"
#include "UsbHidOperation.h"
#include "WidgetTables.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QDir>
#include <QLoggingCategory>
#include <QThread>

Q_LOGGING_CATEGORY(lcWindow, "velumix.window")

int showOnStart = 1;

// The pictures live in this static library; Q_INIT_RESOURCE must be used
// outside any namespace.
static void initVelumixResources()
{
    Q_INIT_RESOURCE(velumix);
}

namespace {
// Live edits of a custom mode reach the headset at most once per period.
constexpr int kThrottlePeriodMs = 500;
} // namespace

Velumix::Velumix(QWidget* parent) : QMainWindow(parent)
{
    initVelumixResources();
    // First of all: building the controls already sends the microphone level,
    // and its trace records need the log.
    initTraceLog();
    m_iconGameGray = QIcon(":/min/pic/min/game-hui.png");
    m_iconEar = QIcon(":/min/pic/min/ear.png");
    m_iconMic = QIcon(":/min/pic/min/maikefeng.png");
    m_iconGame = QIcon(":/min/pic/min/game.png");
    m_iconEarWhite = QIcon(":/min/pic/min/ear-bai.png");
    m_iconMicWhite = QIcon(":/min/pic/min/maikefeng-bai.png");
    ui.setupUi(this);
    setupVolumeControls();
    InitMyDialog();
}

Velumix::~Velumix()
{
    shutDown();
}

void Velumix::InitMyDialog()
{
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint);
    setAttribute(Qt::WA_Hover);
    clearAcceptedProductIds();
    resetState();
    clearGainTexts();
    registerDevice();
    initSystemTray();
    initPlots();
    initResponseCurves();
    initButtonGroup();
    initModeTransferMenus();
    getDefaultJsonFile();
    setInitialWidgetState();
    connectWidgets();
    setPanelMode(1);
    if (linkState.deviceOpened == 0)
        openHeadsetAtStart();
    showOnStart = isAutorunStart(QCoreApplication::arguments()) ? 0 : 1;
}

void Velumix::resetState()
{
    m_testThread = nullptr;
    m_player = nullptr;
    m_dragging = false;
    m_qstrAppDirPath = dataFolder(); // the files that lay beside the program on Windows
    m_stereoCustomCount = m_surroundCustomCount = 0;
    m_changePending = {};
    m_knownDeviceIdentity = DeviceIdentity{};
    m_identitySeen = 0;
    m_panelMode = 0;
    m_currentPage = kSurroundPageShown;
    m_stereoSelectionKind = kStereoPresetSelected;
    m_surroundSelectionKind = kSurroundPresetSelected;
    m_stereoCustomSlot = m_surroundCustomSlot = kNoCustomSlot;
    m_testRunning = false;
    m_testStep = 0;
    m_testClickCount = 0;
    m_headsetModel = 0;
    m_programmaticUpdate = 0;
}

void Velumix::setInitialWidgetState()
{
    for (QPushButton* button : widgets(ui, kCopyButtons))
        button->hide();
    // Long captions in narrow boxes show their beginning, not their end.
    for (QLineEdit* caption : findChildren<QLineEdit*>())
        caption->setCursorPosition(0);
    // So do the mode name boxes whenever a mode puts its name there; while
    // the person edits a name (setText clears the modified flag, typing sets
    // it), the cursor stays where they are typing.
    for (QLineEdit* nameBox : {ui.lineEdit_23, ui.lineEdit_15})
        connect(nameBox, &QLineEdit::textChanged, nameBox, [nameBox] {
            if (!nameBox->isModified())
                nameBox->setCursorPosition(0);
        });
    QList<QRadioButton*> customSlots;
    for (const auto& table : {kSurroundCustomRadios, kStereoCustomRadios})
        for (QRadioButton* radio : widgets(ui, table))
            customSlots.append(radio);
    elideLongTexts(customSlots, this);
    // setStyle does not take the style over. The window owns it: a child made
    // after the tab bar's widgets is deleted after them, so none outlives it.
    auto* tabStyle = new CustomTabStyle;
    tabStyle->setParent(this);
    ui.tabWidget->tabBar()->setStyle(tabStyle);
    ui.checkBox_MicENC->setChecked(true);
    ui.label_Spectrum->setStyleSheet("border-image: url(:/Velumix/pic/SW.png);");

    for (QWidget* widget : {static_cast<QWidget*>(ui.widget_Param_Surround),
                            static_cast<QWidget*>(ui.pushButton_CustomReset),
                            static_cast<QWidget*>(ui.pushButton_CustomSave)})
        widget->show();
    for (QWidget* widget : std::initializer_list<QWidget*>{
             ui.label_33, ui.pushButton_6, ui.pushButton_7, ui.label_34, ui.pushButton_10,
             ui.pushButton_11, ui.widget_Param_Stereo, ui.groupBox_Surround, ui.groupBox_Stereo,
             ui.pushButton_Stereo_CustomAdd, ui.pushButton_Stereo_CustomClear,
             ui.pushButton_Surround_CustomAdd, ui.pushButton_Surround_CustomClear,
             ui.groupBox_SurroundTest, ui.pushButton_SurroundTest})
        widget->hide();
    for (const auto& table : {kSurroundCustomRadios, kStereoCustomRadios})
        for (QRadioButton* radio : widgets(ui, table))
            radio->hide();
    for (const auto& table : {kSurroundCustomCopyButtons, kStereoCustomCopyButtons,
                              kSurroundCustomDeleteButtons, kStereoCustomDeleteButtons})
        for (QPushButton* button : widgets(ui, table))
            button->hide();

    ui.label_PersonGif->setStyleSheet("border-image: url(:/png/pic/png/head.png);");
    // The main screen's background, until the headset picture screen or the
    // way back from it sets its own.
    onFirstShow(ui.label, [label = ui.label] {
        if (label->styleSheet().isEmpty())
            label->setStyleSheet("background-image: url(:/controls/pic/control/aaa.png);");
    });
    // The start screen's picture, the first time the start screen is in
    // front of a window on screen.
    onFirstShow(this, [this] {
        if (m_panelMode == 0)
            showStartScreenPicture();
    });
    ui.groupBox_Stereo_Spectrum->hide();

    for (const auto& table : {kSurroundCustomRadios, kStereoCustomRadios}) {
        const auto radios = widgets(ui, table);
        for (size_t i = 0; i < radios.size(); ++i)
            radios[i]->setText(QStringLiteral("Customize -%1").arg(i + 1));
    }
    // No custom slot is selected at start; the presets' "Standard" stays checked.
    for (QButtonGroup* group : {m_surroundCustomGroup, m_stereoCustomGroup}) {
        group->setExclusive(false);
        group->buttons().first()->setChecked(false);
        group->setExclusive(true);
    }
    for (const auto& table : {kStereoBandSliders, kSurroundBandSliders})
        for (QSlider* slider : widgets(ui, table)) {
            slider->setEnabled(false);
            slider->setValue(0);
        }
    for (QWidget* widget : std::initializer_list<QWidget*>{
             ui.lineEdit_CustomName, ui.pushButton_CustomReset, ui.pushButton_CustomSave,
             ui.pushButton_CustomReset2, ui.pushButton_CustomSave2})
        widget->hide();
}

void Velumix::connectWidgets()
{
    for (const auto& table : {kStereoBandSliders, kSurroundBandSliders})
        for (QSlider* slider : widgets(ui, table))
            connect(slider, &QSlider::sliderMoved, this,
                    &Velumix::on_VerticalSlider_Surround_Stereo_SlideMoved);
    const auto copyButtons = widgets(ui, kCopyButtons);
    // pushButton_22 ... _31 copy on the stereo page, _13 ... _20 on the surround page.
    for (int i = 9; i <= 18; ++i)
        connect(copyButtons[i], &QPushButton::clicked, this,
                &Velumix::on_PushButton_Stereo_CustomCopy_Clicked);
    for (int i = 0; i <= 7; ++i)
        connect(copyButtons[i], &QPushButton::clicked, this,
                &Velumix::on_PushButton_Surround_CustomCopy_Clicked);
    for (QLineEdit* nameBox : {ui.lineEdit_23, ui.lineEdit_15})
        connect(nameBox, &QLineEdit::textEdited, this, &Velumix::on_LineEdit_CustomizeName_Changed);
    m_throttleTimer.setSingleShot(true);
    m_throttleTimer.setInterval(kThrottlePeriodMs);
    // A coarse timer may fire up to 5 % (25 ms) late; this one runs only
    // during a drag, and its end is when the drag's last change goes out.
    m_throttleTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_throttleTimer, &QTimer::timeout, this, &Velumix::sendThrottleTick);
    connect(ui.verticalSlider_30, &QSlider::valueChanged, this, &Velumix::on_SLOTSetSliderValue);
    m_openRetryTimer.setSingleShot(true);
    connect(&m_openRetryTimer, &QTimer::timeout, this, &Velumix::takeOverHeadset);
}

void Velumix::initButtonGroup()
{
    qCDebug(lcWindow).noquote() << "***** Init ButtonGroup! *****";
    const auto makeGroup = [this](const std::vector<QAbstractButton*>& buttons) {
        auto* group = new QButtonGroup(this);
        group->setExclusive(true);
        for (QAbstractButton* button : buttons)
            group->addButton(button);
        return group;
    };
    m_stereoPresetGroup = makeGroup(
        {ui.radioButton_Stereo_Pop, ui.radioButton_Stereo_RockRoll, ui.radioButton_Stereo_DeepBass,
         ui.radioButton_Stereo_Jazz, ui.radioButton_Stereo_Classic,
         ui.radioButton_Stereo_ZUVOStandard, ui.radioButton_Stereo_Customize});
    const auto stereoCustom = widgets(ui, kStereoCustomRadios);
    m_stereoCustomGroup = makeGroup({stereoCustom.begin(), stereoCustom.end()});
    m_surroundPresetGroup = makeGroup(
        {ui.radioButton_Surround_DeepBas, ui.radioButton_Surround_FPS, ui.radioButton_Surround_Moba,
         ui.radioButton_Surround_ZUVOStandard, ui.radioButton_Surround_Customize});
    const auto surroundCustom = widgets(ui, kSurroundCustomRadios);
    m_surroundCustomGroup = makeGroup({surroundCustom.begin(), surroundCustom.end()});
}

void Velumix::setPanelMode(int mode)
{
    if (mode == 1) {
        m_panelMode = 0;
        for (QWidget* widget : std::initializer_list<QWidget*>{
                 ui.label_DefaultHead, ui.label_DefaultBackground, ui.pushButton_DefaultClose}) {
            widget->raise();
            widget->show();
        }
        ui.pushButton_Minimize->show();
        ui.pushButton_Minimize->raise();
        ui.label_Head->hide();
        ui.label->hide();
        // Once the window has been on screen it may come back any time;
        // before that, its first showing brings the picture.
        if (testAttribute(Qt::WA_WState_Created))
            showStartScreenPicture();
    } else if (mode == 2) {
        m_panelMode = 1;
        for (QWidget* widget : std::initializer_list<QWidget*>{
                 ui.label_DefaultHead, ui.label_DefaultBackground, ui.pushButton_DefaultClose})
            widget->lower();
        ui.label_Head->show();
        ui.label->show();
    }
}

void Velumix::showStartScreenPicture()
{
    if (ui.label_DefaultBackground->pixmap(Qt::ReturnByValue).isNull())
        ui.label_DefaultBackground->setPixmap(QPixmap(":/sw/pic/sw/main_2.jpg"));
}

void Velumix::collectFileNames(const QString& directory, const QString& suffix, QStringList& out)
{
    const QDir folder(directory);
    for (const QString& name : folder.entryList(QDir::AllEntries | QDir::NoDotAndDotDot)) {
        if (suffix.isEmpty() || name.endsWith("." + suffix))
            out.append(name);
    }
}

void Velumix::clearConfigRecord()
{
    m_stagingConfig = ConfigRecord{};
}

void Velumix::clearStagingCustomRecord()
{
    m_stagingCustomRecord = CustomRecord{};
}

void Velumix::clearGainTexts()
{
    m_surroundGainTexts.fill(QString());
    m_stereoGainTexts.fill(QString());
}

void Velumix::on_SLOTSetSliderValue(int)
{
    qCDebug(lcWindow).noquote() << "SLOT Slider Value Change!";
}

void Velumix::shutDown()
{
    stopTestThread();
    stopReaderThread();
    usbHidCloseDevice();
    releaseHidLibrary();
}

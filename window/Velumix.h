#pragma once
// The program's only window: a frameless main window with the start screen,
// the three pages (7.1 surround, stereo, microphone), the tray icon and every
// slot through which the program reacts to the user, the headset and its
// worker threads. The class is split over several source files by concern.

#include "ui_Velumix.h"

#include "BuiltInPresets.h"
#include "ConfigReader.h"
#include "ConfigRecord.h"
#include "Frames.h"
#include "PageView.h"
#include "RemoteProtocol.h"
#include "WidgetTables.h"

#include <QIcon>
#include <QJsonObject>
#include <QMainWindow>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class HotplugSource;
class MyThread;
class MyThread_Two;
class QButtonGroup;
class QCustomPlot;
class QLabel;
class QMediaPlayer;
class QMenu;
class QMovie;
class SystemVolume;

using VelumixClass = Ui::VelumixClass;

class Velumix : public QMainWindow
{
    Q_OBJECT

public:
    explicit Velumix(QWidget* parent = nullptr);
    ~Velumix() override;

    // 1: the start screen in front; 2: the main screen in front.
    void setPanelMode(int mode);
    void initSystemTray();
    void initTrayActions();
    void initTrayMenu();
    void initButtonGroup();
    void collectFileNames(const QString& directory, const QString& suffix, QStringList& out);
    void clearConfigRecord();
    void clearStagingCustomRecord();
    void clearGainTexts();
    // Stops the worker threads and closes the headset before the window goes.
    void shutDown();

    VelumixClass ui;

signals:
    // Each reply of the headset, once the window has acted on it.
    void replyHandled();
    // A change for the local channel's watchers, {"event": name, members...},
    // as docs/remote-protocol.md lists them.
    void remoteEvent(const QJsonObject& event);

public slots:
    void on_activatedSysTrayIcon(QSystemTrayIcon::ActivationReason reason);
    void on_ShowMainAction();
    void on_ExitAppAction();
    void on_SLOTReadAudio(int iCmdType);
    void on_SLOTSetMicTimer_LabelUI(int index);
    void on_SLOTSetSliderValue(int);
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void myCustomPlotMousePressEvent(QMouseEvent* event);
    void myCustomPlotMouseReleaseEvent(QMouseEvent* event);
    void myCustomPlotMouseMoveEvent(QMouseEvent* event);
    void photoJsonFile();
    void on_TabWidget_Clicked(int index);
    void pushButton_die1_fold();
    void pushButton_die2_fold();
    void pushButton_die3_fold();
    void pushButton_die4_fold();
    void disappear();
    void disappear2();
    void slot1();
    void On_Button_Reset1();
    void On_Button_Save1();
    void On_Button_Reset2();
    void On_Button_Save2();
    void main_clicked();
    void main_changed();
    void Red_Dialog_STEREO();
    void Red_Dialog2_STEREO();
    void Red_Dialog();
    void Red_Dialog2();
    void On_Button_Surround();
    void On_Button_Style();
    void set_Value(int number);
    void set_Value2(int number);
    void Off_Button_MousePressEvent();
    void On_Button_MousePressEvent();
    void on_PushButton_DefaultClose_Clicked();
    void on_PushButton_Max_Clicked();
    void on_PushButton_Minimize_Clicked();
    void on_PushButton_Close_Clicked();
    void on_PushButton_PlayTest_Clicked();
    void on_PushButton_CustomReset_Clicked();
    void on_PushButton_CustomSave_Clicked();
    void on_PushButton_Stereo_CustomAdd_Clicked();
    void on_PushButton_Stereo_CustomCopy_Clicked();
    void on_PushButton_Stereo_CustomClear_Clicked();
    void on_PushButton_Surround_CustomAdd_Clicked();
    void on_PushButton_Surround_CustomCopy_Clicked();
    void on_PushButton_Surround_CustomClear_Clicked();
    void on_PushButton_Horn_LeftUp_Clicked();
    void on_RadioButton_Surround_DeepBass_Clicked();
    void on_RadioButton_Surround_FPS_Clicked();
    void on_RadioButton_Surround_Moba_Clicked();
    void on_RadioButton_Surround_ZUVOStandard_Clicked();
    void on_RadioButton_Surround_Customize_Clicked();
    void on_RadioButton_Stereo_Pop_Clicked();
    void on_RadioButton_Stereo_RockRoll_Clicked();
    void on_RadioButton_Stereo_DeepBass_Clicked();
    void on_RadioButton_Stereo_Jazz_Clicked();
    void on_RadioButton_Stereo_Classic_Clicked();
    void on_RadioButton_Stereo_ZUVOStandard_Clicked();
    void on_RadioButton_Stereo_Customize_Clicked();
    void on_RadioButton_Surround_CustomOne_Clicked();
    void on_RadioButton_Surround_CustomTwo_Clicked();
    void on_RadioButton_Surround_CustomThree_Clicked();
    void on_RadioButton_Surround_CustomFour_Clicked();
    void on_RadioButton_Surround_CustomFive_Clicked();
    void on_RadioButton_Stereo_CustomOne_Clicked();
    void on_RadioButton_Stereo_CustomTwo_Clicked();
    void on_RadioButton_Stereo_CustomThree_Clicked();
    void on_RadioButton_Stereo_CustomFour_Clicked();
    void on_RadioButton_Stereo_CustomFive_Clicked();
    void on_CheckBox_MicENC_Clicked();
    void on_VerticalSlider_Stereo_ValueChange();
    void on_VerticalSlider_Surround_ValueChange();
    void on_VerticalSlider_Surround_Stereo_SlideMoved();
    void on_LineEdit_CustomizeName_Changed(QString name);
    void on_VerticalSlider_30_ActionTriggered_T(int value);

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

public:
    // Configuration files
    bool readJsonFile(const QString& path);
    // False when the file could not be written; errorText then says which and why.
    bool writeJsonFile(const QString& what, QString* errorText = nullptr);
    bool saveCustomModes();
    void getDefaultJsonFile();
    void buildConfigFilePaths();
    void ensureUserFile();
    void copyDefaultToUserFile();
    void getUserJsonFile();
    // Equaliser
    void sendPEQParameter(int page, int modeIndex);
    void readStereoSliders();
    void readSurroundSliders();
    void applySurroundGainTexts();
    void applyStereoGainTexts();
    void restoreStereoCustomGains();
    void restoreSurroundCustomGains();
    void showStereoEditControls(bool on);
    void showSurroundEditControls(bool on);
    // Presets
    // Takes the connected unit's record and restores its saved mode; with a
    // shown page, only a saved mode of that page.
    void setDeviceUserParameter(std::optional<SoundPage> shownPage = std::nullopt);
    // Device presence
    void registerDevice();
    int InitDeviceInput();
    // Custom modes
    void loadCustomSlots();
    void refreshCustomSlotTexts();
    // Surround test
    void stopSurroundTest();
    // Local channel: carries out one command as the matching click would and
    // reports what it did.
    remote::Result runRemoteCommand(const remote::Request& request);

    // A page's mode as the local channel names it: kind "preset", "custom",
    // "customize" or "unknown", and the name (empty when it has none).
    struct ModeShown
    {
        QString kind;
        QString name;
        bool operator==(const ModeShown& other) const
        {
            return kind == other.kind && name == other.name;
        }
    };
    ModeShown modeShown(SoundPage page);

    // Custom modes from and to files (VelumixModeImport.cpp)
    enum class ModeFileFormat
    {
        Parametric,
        Json
    };
    // The menu of a page's Add button (slot -1) or of its custom slot 0..4:
    // import a correction file, and for a slot holding a mode, export it.
    std::unique_ptr<QMenu> modeTransferMenu(SoundPage page, int slot);
    // Asks for a correction file, shows its fit for confirming and naming,
    // and saves it as a new custom mode of the page.
    void importCorrection(SoundPage page);
    void importCorrectionFrom(SoundPage page, const QString& path);
    // Stores a mode made by importModeFile as a new custom mode of its page,
    // as Add does, and sends it; the reason when it cannot be.
    QString addImportedMode(SoundPage page, const CustomRecord& mode);
    void exportCustomMode(SoundPage page, int slot, ModeFileFormat format);
    // The file dialogs; seams for the tests. An empty path: cancelled.
    std::function<QString(QWidget* parent, const QString& caption, const QString& filter)>
        m_chooseImportFile;
    std::function<QString(QWidget* parent, const QString& caption, const QString& suggestedPath,
                          const QString& filter)>
        m_chooseExportFile;

    // The response curves (VelumixResponseCurve.cpp), Stereo first as SoundPage.
    std::array<QCustomPlot*, 2> m_responseCurves{};
    // The dB readout shown over a band while its slider is dragged.
    std::array<QLabel*, 2> m_bandReadouts{};
    // The hint a press on a preset's slider shows.
    static QString presetSliderHint();

private:
    // Lifecycle
    void InitMyDialog();
    void resetState();
    void setInitialWidgetState();
    void showStartScreenPicture();
    void connectWidgets();
    // Volume and microphone
    void setupVolumeControls();
    void showSystemVolume(int percent);
    void userMovedVolumeSlider(int percent, QTextEdit* text);
    void setMicrophoneVolume(int level);
    void switchNoiseCancellation(bool on, const char* function);
    // Plot panels
    void initPlots();
    // Response curves and band readouts
    void initResponseCurves();
    void placeResponseCurve(SoundPage page);
    void updateResponseCurve(SoundPage page);
    void updateResponseCurves();
    frame::QTable activeQTable(SoundPage page) const;
    void showBandReadout(SoundPage page, QSlider* slider);
    bool bandSliderGesture(SoundPage page, QSlider* slider, QEvent* event);
    // Custom modes from and to files
    void initModeTransferMenus();
    // Configuration files
    int readConfigFolder(const QString& folderName, const char* function);
    // Equaliser
    static const WidgetTable<QSlider, kBandCount>& bandSliders(SoundPage page);
    std::optional<int> editedCustomModeIndex(SoundPage page) const;
    const EqGains& readSliders(SoundPage page);
    void bandSliderChanged(SoundPage page);
    void sendThrottleTick();
    void applyGainTexts(SoundPage page, const std::array<QString, kBandCount>& texts);
    void restoreCustomGains(SoundPage page);
    void showEditControls(SoundPage page, bool on);
    // Sound pages
    PageView page(SoundPage page);
    // Presets
    void selectPreset(int preset);
    QRadioButton* presetRadio(const BuiltInPreset& preset);
    bool applyPresetEntry(const BuiltInPreset& preset);
    void selectCustomize(SoundPage page);
    void rebuildCustomSlots(SoundPage page);
    bool restoreSavedMode(const ConfigRecord& record);
    bool restoreCustomMode(SoundPage page, const QString& name);
    // Device presence
    void deviceArrived(const QString& interfacePath);
    void deviceRemoved(const QString& interfacePath);
    void takeOverHeadset();
    void retryRefusedOpen();
    void closeLink();
    void dropUnsavedEdits();
    void openHeadsetAtStart();
    void bringUpLink(const char* function);
    void showHeadsetPicture();
    void startReaderThread();
    void stopReaderThread();
    // Replies
    void showHeadsetCapabilities();
    void finishEqualiserUpload();
    void followHeadsetStatus(int iCmdType);
    void loadUnitConfiguration(const DeviceIdentity& identity);
    QRadioButton* standardPresetRadio(SoundPage page);
    void selectStandardPreset(SoundPage page);
    void keepFirmwareVersion(const QString& version);
    // Custom modes (private)
    void selectCustomSlot(SoundPage page, int slot);
    // Named `name`, or with an unused new mode name when it is empty.
    void addCustomSlot(SoundPage page, const QString& parameter, const QString& name = {});
    QString unusedNewModeName(SoundPage page) const;
    bool refuseTakenName(SoundPage page);
    void copyIntoNewSlot(SoundPage page);
    std::optional<QString> saveCustomPage(SoundPage page);
    void saveCurrentMode(const QString& algorithm, const QString& mode, const QString& name);
    void recordChosenMode(const QString& algorithm, const QString& mode, const QString& name);
    void keepSavedModeExisting(SoundPage page);
    void clearCustomSelection(SoundPage page);
    void replacePageModes(SoundPage page, const std::array<CustomRecord, 5>& records, int count);
    void requestCustomDelete(SoundPage page);
    void closeDeleteConfirmation(SoundPage page);
    void deleteSelectedSlot(SoundPage page);
    void removePageMode(SoundPage page, int index);
    void shiftCustomSlots(SoundPage page);
    void moveCustomRecord(CustomRecord& target, CustomRecord& source);
    // Navigation (private)
    void showSurroundPage();
    void showStereoPage();
    void showMicrophonePage();
    void setTabIcons(const QIcon& surround, const QIcon& stereo, const QIcon& microphone);
    void showSpectrumArea();
    void reapplyModes(SoundPage first, SoundPage second);
    void reapplyMode(SoundPage page);
    void showSelectionArea(SoundPage page);
    void hideEditingWidgets();
    void stopPlayingTest();
    void showSurroundSubView(bool testView);
    void setModeListFolded(SoundPage page, bool folded);
    void hideCustomRowButtons(SoundPage page);
    // Local channel: the commands (VelumixRemote.cpp)
    remote::Result remoteGet(const QJsonObject& arguments);
    remote::Result remoteInfo(const QJsonObject& arguments);
    remote::Result remoteStatus(const QJsonObject& arguments);
    remote::Result remoteList(const QJsonObject& arguments);
    remote::Result remotePreset(const QJsonObject& arguments);
    remote::Result remotePresetList(const QJsonObject& arguments);
    remote::Result remoteCustomList(const QJsonObject& arguments);
    remote::Result remoteCustomApply(const QJsonObject& arguments);
    remote::Result remoteCustomImport(const QJsonObject& arguments);
    remote::Result remoteCustomExport(const QJsonObject& arguments);
    remote::Result remoteMicVolume(const QJsonObject& arguments);
    remote::Result remoteNoiseCancellation(const QJsonObject& arguments);
    remote::Result remoteEqualiser(const QJsonObject& arguments);
    remote::Result remoteSwitch(const QJsonObject& arguments);
    // Opens the page's tab as a person does; false when the tab is disabled.
    bool openSoundPage(SoundPage page);
    // What a person's clicks do, for the local channel and the tray menu. The
    // first two open the page's tab first; false when it is disabled.
    bool choosePreset(const BuiltInPreset& preset);
    bool chooseCustomSlot(SoundPage page, int slot);
    void chooseMicLevel(int level);
    void chooseNoiseCancellation(bool on);
    // The tray menu (VelumixTray.cpp): the page's modes and the microphone
    // settings, rebuilt on each change the local channel announces.
    // One entry of the tray menu and what choosing it does: the procedure the
    // window's own click runs. A choice without one stands for a separator.
    struct TrayChoice
    {
        QString text;
        bool checked = false;
        std::function<void()> choose;
    };
    std::vector<TrayChoice> trayChoices();
    QStringList trayMenuState(const std::vector<TrayChoice>& choices);
    std::vector<TrayChoice> trayModeChoices();
    std::vector<TrayChoice> trayMicrophoneChoices();
    QAction* trayChoiceAction(int index);
    void followChangeInTray(const QJsonObject& event);
    QString trayToolTip();
    QString connectedModelName() const;
    QList<ConfigFileRead> defaultFiles() const;
    // Local channel: the events (VelumixRemoteEvents.cpp)
    void announce(const char* event, QJsonObject members = {});
    void announceSoundPage(SoundPage page);
    void announceMode(SoundPage page);
    QJsonObject connectedProduct() const;
    // A removal: what the headset said and what the watchers heard of its
    // modes belong to the link that went.
    void forgetHeadsetReports();
    // Surround test (private)
    void initTestAnimations();
    void startTestAudio();
    void ensureTestThread();
    void stopTestThread();
    void pauseSurroundTest();
    void resumeSurroundTest();
    void showSpeakerStep(int step);
    void finishSurroundTest();
    void retireSpeakerMovie(int step);
    void discardPlayer();

public:
    MyThread* m_readerThread = nullptr;
    // Counts the links closed so far: the replies a reader passes on count
    // only while its own link is the open one.
    quint64 m_linkGeneration = 0;
    MyThread_Two* m_testThread = nullptr;
    QMediaPlayer* m_player = nullptr;
    // Runs only while a live edit's throttle period is under way.
    QTimer m_throttleTimer;
    QSystemTrayIcon* m_trayIcon = nullptr;
    QMenu* m_trayMenu = nullptr;
    QString m_trayUnitName;                // the connected unit as the tooltip names it
    QStringList m_trayMenuShown;           // trayMenuState of the menu built last
    std::vector<TrayChoice> m_trayChoices; // the choices the menu shows
    QList<QAction*> m_trayChoiceActions;   // their entries, kept for reuse
    QAction* m_showMainAction = nullptr;
    QAction* m_exitAppAction = nullptr;
    QPoint m_dragStartPos;
    bool m_dragging = false;
    // Whether the desktop shows a tray; a seam for the tests.
    bool (*m_trayAvailable)() = &QSystemTrayIcon::isSystemTrayAvailable;
    QButtonGroup* m_stereoPresetGroup = nullptr;
    QButtonGroup* m_stereoCustomGroup = nullptr;
    QButtonGroup* m_surroundPresetGroup = nullptr;
    QButtonGroup* m_surroundCustomGroup = nullptr;
    DeviceIdentity m_knownDeviceIdentity{};
    int m_identitySeen = 0;
    QList<ConfigRecord> m_userDeviceList;
    ConfigRecord m_stagingConfig;
    ConfigRecord m_currentDeviceConfig;
    QList<CustomRecord> m_customModeList;
    CustomRecord m_stagingCustomRecord;
    std::array<CustomRecord, 5> m_stereoCustomSlots;
    bool m_stereoCurrentCustomValid = false;
    bool m_surroundCurrentCustomValid = false;
    CustomRecord m_stereoCurrentCustom;
    CustomRecord m_surroundCurrentCustom;
    std::array<CustomRecord, 5> m_surroundCustomSlots;
    std::array<QString, kBandCount> m_surroundGainTexts;
    std::array<QString, kBandCount> m_stereoGainTexts;
    QStringList m_defaultFileNames;
    QString m_qstrCurrentDefaultFileName;
    QString m_qstrCurrentUserFileName;
    QString m_qstrAppDirPath;
    QString m_qstrCurrentAlgorithm;
    QString m_qstrCurrentMode;
    QString m_qstrCurrentName;
    QMovie* m_personMovie = nullptr;
    QIcon m_iconGameGray;
    QIcon m_iconEar;
    QIcon m_iconMic;
    QIcon m_iconGame;
    QIcon m_iconEarWhite;
    QIcon m_iconMicWhite;
    int m_stereoCustomCount = 0;
    int m_surroundCustomCount = 0;
    int m_panelMode = 0;
    int m_currentPage = kSurroundPageShown;
    int m_stereoSelectionKind = kStereoPresetSelected;
    int m_surroundSelectionKind = kSurroundPresetSelected;
    int m_stereoCustomSlot = kNoCustomSlot;
    int m_surroundCustomSlot = kNoCustomSlot;
    bool m_testRunning = false;
    int m_testStep = 0;
    int m_testClickCount = 0;
    // Per page (stereo, surround): an edit waits for the throttle period's end.
    std::array<bool, 2> m_changePending{};
    int m_programmaticUpdate = 0;
    int m_headsetModel = 0;

    // Per page (stereo, surround): how many of the page's first modes in
    // m_customModeList the slots show.
    std::array<int, 2> m_slotBackedRecords{};
    // The last setDeviceUserParameter() selected the mode the user file names.
    bool m_savedModeRestored = false;
    // Set while the window itself selects a mode (re-applying a page,
    // restoring the saved mode, a fallback): only a person's choice is saved.
    bool m_windowSelectsMode = false;
    // The surround page shows its speaker view instead of the equaliser.
    bool surroundSubViewActive = false;

    SystemVolume* m_systemVolume = nullptr;
    HotplugSource* m_hotplugSource = nullptr;
    QTimer m_openRetryTimer;
    int m_openRetriesLeft = 0;
    // The speaker animations of the current test run, step 1 at index 0.
    std::array<QMovie*, 7> m_speakerMovies{};

    // What the headset of the open link said about itself, for the local channel.
    QString m_firmwareVersion;
    int m_sampleRateHz = 0; // 0: unknown
    // Per SoundPage: the mode index of the last PEQ frames sent, -1 before any.
    std::array<int, 2> m_sentModeIndex{-1, -1};
    std::optional<SoundPage> m_reportedPage; // by its last status reply
    bool m_identityKnown = false;            // a status reply named the unit
    // The sound page shown last; the microphone page leaves it as it is.
    SoundPage m_soundPageShown = SoundPage::Surround;
    // Per SoundPage: the mode the watchers heard of last; none after a removal.
    std::array<std::optional<ModeShown>, 2> m_announcedModes{};
};

// The ten band gains last sent for each page.
extern EqGains stereoGains;
extern EqGains surroundGains;

// 1 when the window shows at start, 0 when started by the autostart entry.
extern int showOnStart;

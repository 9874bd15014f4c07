#pragma once
// The program's only window: a frameless main window with the start screen,
// the three pages (7.1 surround, stereo, microphone) and the headset picture
// screen. It builds the parts that show the session (a view for each sound
// page, the microphone pane, the speaker test, the file actions, the system
// volume) and routes between them; the slots the form connects to by name
// hand over to those parts. The tray menu is there from the start.
//
// Built with Build::WhenShown (the program), the form and those parts are
// made when the window is first shown, and let go again once the window has
// gone to the tray: what a hidden window holds is the tray, its menu and the
// window itself. Built with Build::Now (the tests), they stay for the
// window's life.

#include "ui_Velumix.h"

#include "HeadsetSession.h"

#include <QIcon>
#include <QMainWindow>
#include <QSystemTrayIcon>

#include <array>

class FileActions;
class LogoMark;
class TrayAppearance;
class FocusRing;
class MicrophonePane;
class SoundPageView;
class SpeakerTest;
class AutomaticModes;
class AutomaticModesDialog;
class TrayMenu;
class VolumeControls;

using VelumixClass = Ui::VelumixClass;

// The form's fixed size, which the window has before its form is built.
inline constexpr QSize kVelumixWindowSize(1176, 730);

class Velumix : public QMainWindow
{
    Q_OBJECT

public:
    enum class Build
    {
        Now,
        WhenShown,
    };
    explicit Velumix(HeadsetSession& session, QWidget* parent = nullptr, Build build = Build::Now);
    ~Velumix() override;

    // Whether the form and the parts that show the session are made.
    bool built() const { return m_built; }
    void setVisible(bool visible) override;

    // Starts the session; from then on a headset that arrives while the
    // window sits in the tray brings the window out.
    void startSession();
    // The autostart's hidden start: into the tray; where the desktop shows
    // no tray, minimised, so that the window is in the task bar. A tray that
    // appears while the window waits there minimised takes it.
    void startHidden();
    // Offers the automatic modes' list: from the window's context menu
    // (Ctrl+Shift+A) and the tray menu.
    void setAutomaticModes(AutomaticModes* automatic);
    // The list, opened; null without automatic modes.
    AutomaticModesDialog* showAutomaticModes();

    HeadsetSession& session() { return m_session; }
    SoundPageView& pageView(SoundPage page) { return *m_pages[int(page)]; }
    MicrophonePane& microphone() { return *m_microphone; }
    SpeakerTest& speakerTest() { return *m_speakerTest; }
    TrayMenu& tray() { return *m_tray; }
    FileActions& fileActions() { return *m_fileActions; }
    bool mainScreenShown() const { return m_mainScreenShown; }

    VelumixClass ui{}; // all null until built
    // Whether the desktop shows a tray; a seam for the tests.
    bool (*trayAvailable)() = &QSystemTrayIcon::isSystemTrayAvailable;

public slots:
    void on_TabWidget_Clicked(int index);
    void pushButton_die1_fold();
    void pushButton_die2_fold();
    void pushButton_die3_fold();
    void pushButton_die4_fold();
    void slot1();
    void main_clicked();
    void main_changed();
    void Red_Dialog_STEREO();
    void Red_Dialog2_STEREO();
    void Red_Dialog();
    void Red_Dialog2();
    void On_Button_Surround();
    void On_Button_Style();
    void Off_Button_MousePressEvent();
    void On_Button_MousePressEvent();
    void on_PushButton_DefaultClose_Clicked();
    void on_PushButton_Minimize_Clicked();
    void on_PushButton_Close_Clicked();
    void on_PushButton_PlayTest_Clicked();
    void on_PushButton_CustomReset_Clicked();
    void on_PushButton_CustomSave_Clicked();
    void on_PushButton_Stereo_CustomAdd_Clicked();
    void on_PushButton_Stereo_CustomClear_Clicked();
    void on_PushButton_Surround_CustomAdd_Clicked();
    void on_PushButton_Surround_CustomClear_Clicked();
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

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void build();
    void showSessionState();
    void letGoOfForm();
    // Minimised for want of a tray: into the task bar, and looking for a tray.
    void minimiseWithoutTray();
    void lookForTray();

    void addLogos();
    void setInitialWidgetState();
    void setFocusOrder();
    void setPagesReachable(bool reachable);
    void followSession();
    void showStartScreen();
    void showMainScreen();
    void showStartScreenPicture();
    void showHeadsetPicture();
    void forgetHeadsetPicture();
    void showOfferedTabs();
    void followPageShown(SoundPage page);
    void showTab(int index);
    void showSpectrumArea();
    void showSurroundSubView(bool testView);
    void comeForward();
    void switchLook(bool highContrast);
    void quit();

    HeadsetSession& m_session;
    const Build m_build;
    bool m_built = false;
    std::array<SoundPageView*, 2> m_pages{}; // by SoundPage
    VolumeControls* m_volume = nullptr;
    MicrophonePane* m_microphone = nullptr;
    SpeakerTest* m_speakerTest = nullptr;
    TrayMenu* m_tray = nullptr;
    FileActions* m_fileActions = nullptr;
    QStyle* m_tabStyle = nullptr;
    AutomaticModes* m_automatic = nullptr;
    AutomaticModesDialog* m_automaticDialog = nullptr;
    FocusRing* m_focusRing = nullptr;
    // Made once: each new icon would fill the pixmap cache again.
    std::array<QIcon, 6> m_tabIcons;
    bool m_mainScreenShown = false;
    // Set while the window waits minimised for a tray.
    TrayAppearance* m_trayAppearance = nullptr;
    LogoMark* m_headsetScreenLogo = nullptr;
    QPoint m_dragStartPos;
    bool m_dragging = false;
};

#pragma once
// The program's only window: a frameless main window with the start screen,
// the three pages (7.1 surround, stereo, microphone) and the headset picture
// screen. It builds the parts that show the session (a view for each sound
// page, the microphone pane, the speaker test, the tray menu, the file
// actions, the system volume) and routes between them; the slots the form
// connects to by name hand over to those parts.

#include "ui_Velumix.h"

#include "HeadsetSession.h"

#include <QIcon>
#include <QMainWindow>
#include <QSystemTrayIcon>

#include <array>

class FileActions;
class FocusRing;
class MicrophonePane;
class SoundPageView;
class SpeakerTest;
class TrayMenu;
class VolumeControls;

using VelumixClass = Ui::VelumixClass;

class Velumix : public QMainWindow
{
    Q_OBJECT

public:
    explicit Velumix(HeadsetSession& session, QWidget* parent = nullptr);
    ~Velumix() override;

    // Starts the session; from then on a headset that arrives while the
    // window sits in the tray brings the window out.
    void startSession();

    HeadsetSession& session() { return m_session; }
    SoundPageView& pageView(SoundPage page) { return *m_pages[int(page)]; }
    MicrophonePane& microphone() { return *m_microphone; }
    SpeakerTest& speakerTest() { return *m_speakerTest; }
    TrayMenu& tray() { return *m_tray; }
    FileActions& fileActions() { return *m_fileActions; }
    bool mainScreenShown() const { return m_mainScreenShown; }

    VelumixClass ui;
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
    std::array<SoundPageView*, 2> m_pages{}; // by SoundPage
    VolumeControls* m_volume;
    MicrophonePane* m_microphone;
    SpeakerTest* m_speakerTest;
    TrayMenu* m_tray;
    FileActions* m_fileActions;
    FocusRing* m_focusRing = nullptr;
    // Made once: each new icon would fill the pixmap cache again.
    std::array<QIcon, 6> m_tabIcons;
    bool m_mainScreenShown = false;
    QPoint m_dragStartPos;
    bool m_dragging = false;
};

#include "Velumix.h"

#include "AccessibleControls.h"
#include "AutomaticModesDialog.h"
#include "BuiltInPresets.h"
#include "CustomTabStyle.h"
#include "DesktopIntegration.h"
#include "FileActions.h"
#include "FirstShow.h"
#include "FocusRing.h"
#include "HeadsetPicture.h"
#include "LogoMark.h"
#include "Look.h"
#include "MessageBox.h"
#include "MicrophonePane.h"
#include "PlotPanels.h"
#include "SoundPageView.h"
#include "SpeakerTest.h"
#include "SwapInPlace.h"
#include "TraceLog.h"
#include "TrayAppearance.h"
#include "TrayMenu.h"
#include "VolumeControls.h"
#include "WidgetTables.h"

#include "TrayAppearance.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QLoggingCategory>
#include <QMouseEvent>
#include <QPixmapCache>
#include <QScrollArea>
#include <QShortcut>
#include <QWindow>

#include <malloc.h>

Q_LOGGING_CATEGORY(lcWindow, "velumix.window")

// The pictures live in this static library; Q_INIT_RESOURCE must be used
// outside any namespace.
static void initVelumixResources()
{
    Q_INIT_RESOURCE(velumix);
}

namespace {

// The pages' tabs in tabWidget.
constexpr int kSurroundTab = 0;
constexpr int kStereoTab = 1;
constexpr int kMicrophoneTab = 2;

int tabOf(SoundPage page)
{
    return page == SoundPage::Surround ? kSurroundTab : kStereoTab;
}

std::optional<SoundPage> pageOfTab(int tab)
{
    if (tab == kSurroundTab)
        return SoundPage::Surround;
    if (tab == kStereoTab)
        return SoundPage::Stereo;
    return std::nullopt;
}

// The tab icons; the lit one shows its tab.
enum TabIcon
{
    Game,
    GameGrey,
    Ear,
    EarLit,
    Microphone,
    MicrophoneLit,
};
const char* const kTabIconFiles[] = {
    ":/min/pic/min/game.png",    ":/min/pic/min/game-hui.png",  ":/min/pic/min/ear.png",
    ":/min/pic/min/ear-bai.png", ":/min/pic/min/maikefeng.png", ":/min/pic/min/maikefeng-bai.png",
};
// Each tab's icons while it is shown, in tab order.
const TabIcon kTabIcons[3][3] = {
    {Game, Ear, Microphone},
    {GameGrey, EarLit, Microphone},
    {GameGrey, Ear, MicrophoneLit},
};

// Where a press may start dragging the window, in window coordinates.
const QRect kMainScreenDragArea(1, 1, 1175, 79);  // 0 < x < 1176, 0 < y < 80
const QRect kStartScreenDragArea(1, 1, 999, 629); // 0 < x < 1000, 0 < y < 630

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

constexpr char kHeadsetScreenBackground[] =
    "QLabel{border-image: url(:/headset/pic/headset/Rasko_main_back.jpg);}";
constexpr char kMainScreenBackground[] =
    "QLabel{border-image: url(:/controls/pic/control/aaa.png);}";
// The headset picture button: in view on the picture screen, else beside the window.
constexpr QRect kHeadsetPictureShown(338, 67, 500, 598);
constexpr QRect kHeadsetPictureParked(1330, 190, 500, 598);

QMessageBox::Icon iconOf(Notice::Kind kind)
{
    switch (kind) {
    case Notice::Warning:
        return QMessageBox::Warning;
    case Notice::Critical:
        return QMessageBox::Critical;
    case Notice::Information:
        break;
    }
    return QMessageBox::Information;
}

// The form's style sheet, set on the application before the form is built
// (its widgets are styled once, as they are made); set again only if
// something else replaced it.
void useWindowStyleSheet()
{
    static const QString defaultSheet = [] {
        QFile file(QStringLiteral(":/style/velumix.qss"));
        file.open(QIODevice::ReadOnly);
        return QString::fromUtf8(file.readAll());
    }();
    const QString sheet = look::inLook(defaultSheet);
    if (qApp->styleSheet() != sheet)
        qApp->setStyleSheet(sheet);
}

void showAll(std::initializer_list<QWidget*> widgets, bool visible)
{
    for (QWidget* widget : widgets)
        widget->setVisible(visible);
}

} // namespace

Velumix::Velumix(HeadsetSession& session, QWidget* parent, Build build)
    : QMainWindow(parent), m_session(session), m_build(build)
{
    initVelumixResources();
    initTraceLog();
    // What the form gives the window itself, so that the tray and a hidden
    // window have it before the form is built.
    setObjectName(QStringLiteral("VelumixClass"));
    setWindowTitle(QStringLiteral("Velumix"));
    setMinimumSize(kVelumixWindowSize);
    resize(kVelumixWindowSize);
    setWindowIcon(QIcon(QStringLiteral(":/Velumix/pic/bb.ico")));
    installAccessibleInterfaces();
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint);
    setAttribute(Qt::WA_Hover);
    m_tray = new TrayMenu(session, this);
    connect(m_tray, &TrayMenu::showWindowRequested, this, &QWidget::show);
    connect(m_tray, &TrayMenu::quitRequested, this, &Velumix::quit);
    connect(m_tray, &TrayMenu::highContrastChosen, this, [this](bool on) {
        look::rememberHighContrast(on);
        switchLook(on);
    });
    // The desktop's setting decides the look until the person chooses one.
    connect(new look::DesktopContrast(this), &look::DesktopContrast::desktopAsksHighContrastChanged,
            this, [this](bool asks) { switchLook(look::highContrastWanted(asks)); });
    // Without a tray the menu's Quit is out of reach; the window offers it too.
    auto* quitKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), this);
    connect(quitKey, &QShortcut::activated, this, &Velumix::quit);
    followSession();
    if (build == Build::Now)
        this->build();
}

Velumix::~Velumix() = default;

void Velumix::setVisible(bool visible)
{
    if (visible)
        build();
    QMainWindow::setVisible(visible);
    // Let go once the hide is over: it may come from one of the form's own
    // buttons, still in its click. A dialog still open (an import's
    // preview) may belong to the parts; the next hide lets go then.
    if (!visible && m_build == Build::WhenShown && m_built)
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (isHidden() && !QApplication::activeModalWidget())
                    letGoOfForm();
            },
            Qt::QueuedConnection);
}

// The form and the parts that show the session, brought to the session's
// state: it may have a headset already.
void Velumix::build()
{
    if (m_built)
        return;
    m_built = true;
    useWindowStyleSheet();
    const QIcon windowIcon = this->windowIcon(); // the tray's: decoded once
    for (size_t icon = 0; icon < m_tabIcons.size(); ++icon)
        m_tabIcons[icon] = QIcon(kTabIconFiles[icon]);
    ui.setupUi(this);
    nameControls(ui);
    addLogos();
    setWindowIcon(windowIcon);
    setUpPlotPanels(ui);
    setInitialWidgetState();
    m_volume = new VolumeControls(ui, this);
    m_microphone = new MicrophonePane(ui, m_session, this);
    m_speakerTest = new SpeakerTest(ui, m_session, m_volume->systemVolume(), this);
    m_fileActions = new FileActions(m_session, this);
    for (SoundPage page : kSoundPages) {
        m_pages[int(page)] = new SoundPageView(page, ui, m_session, this);
        m_fileActions->attach(page, m_pages[int(page)]->widgets());
    }
    setFocusOrder();
    showSessionState();
    // Made last, so that it lies above every widget of the form.
    m_focusRing = new FocusRing(this);
}

void Velumix::showSessionState()
{
    const bool open = m_session.isOpen();
    if (open) {
        showMainScreen();
        showHeadsetPicture();
    } else {
        showStartScreen();
    }
    showOfferedTabs();
    if (open)
        followPageShown(m_session.pageShown());
    showTab(ui.tabWidget->currentIndex());
}

// A hidden window keeps the tray and itself; the form, its pictures and the
// parts that show the session (with the sound server's connection and the
// speaker test's thread) go, and the memory they held goes back to the
// system.
void Velumix::letGoOfForm()
{
    m_speakerTest->stop();
    for (QObject* part : std::initializer_list<QObject*>{m_fileActions, m_speakerTest, m_microphone,
                                                         m_volume, m_pages[0], m_pages[1]})
        delete part;
    m_pages = {};
    m_fileActions = nullptr;
    m_speakerTest = nullptr;
    m_microphone = nullptr;
    m_volume = nullptr;
    delete m_focusRing;
    m_focusRing = nullptr;
    delete ui.centralWidget;
    m_headsetScreenLogo = nullptr; // went with the form
    ui = VelumixClass{};
    delete m_tabStyle; // after the tab bar that used it
    m_tabStyle = nullptr;
    m_tabIcons = {};
    m_mainScreenShown = false;
    m_built = false;
    QPixmapCache::clear();
    malloc_trim(0);
}

void Velumix::startSession()
{
    m_session.start();
    connect(&m_session, &HeadsetSession::plugged, this, &Velumix::comeForward);
}

void Velumix::setAutomaticModes(AutomaticModes* automatic)
{
    m_automatic = automatic;
    auto* open = new QAction(tr("Automatic modes..."), this);
    open->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A));
    addAction(open);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(open, &QAction::triggered, this, &Velumix::showAutomaticModes);
    m_tray->followAutomaticModes(*automatic);
    connect(m_tray, &TrayMenu::automaticModesRequested, this, &Velumix::showAutomaticModes);
}

AutomaticModesDialog* Velumix::showAutomaticModes()
{
    if (!m_automatic)
        return nullptr;
    if (!m_automaticDialog)
        m_automaticDialog = new AutomaticModesDialog(*m_automatic, m_session, this);
    m_automaticDialog->show();
    m_automaticDialog->raise();
    m_automaticDialog->activateWindow();
    return m_automaticDialog;
}

void Velumix::followSession()
{
    connect(&m_session, &HeadsetSession::plugged, this, [this] {
        if (!m_built)
            return;
        showMainScreen();
        showHeadsetPicture();
        showOfferedTabs();
    });
    connect(&m_session, &HeadsetSession::unplugged, this, [this] {
        if (!m_built)
            return;
        showStartScreen();
        forgetHeadsetPicture();
        showOfferedTabs();
    });
    connect(&m_session, &HeadsetSession::capabilitiesChanged, this, [this] {
        if (m_built)
            showOfferedTabs();
    });
    connect(&m_session, &HeadsetSession::pageShownChanged, this, [this](SoundPage page) {
        if (m_built)
            followPageShown(page);
    });
    connect(&m_session, &HeadsetSession::notice, this, [](const Notice& notice) {
        showMessageBox(iconOf(notice.kind), notice.title, notice.text, notice.detail);
    });
}

void Velumix::setInitialWidgetState()
{
    for (QPushButton* button : widgets(ui, kCopyButtons))
        button->hide();
    // Long captions in narrow boxes show their beginning, not their end.
    for (QLineEdit* caption : findChildren<QLineEdit*>())
        caption->setCursorPosition(0);
    // setStyle does not take the style over. The window owns it: a child made
    // after the tab bar's widgets is deleted after them, so none outlives it.
    m_tabStyle = new CustomTabStyle;
    m_tabStyle->setParent(this);
    ui.tabWidget->tabBar()->setStyle(m_tabStyle);
    for (QPushButton* half : {ui.pushButton_4, ui.pushButton_5})
        half->setCheckable(true);
    ui.label_Spectrum->setStyleSheet("border-image: url(:/Velumix/pic/SW.png);");
    // The headset picture's button shows on its own screen only. The page
    // button and the noise cancellation box lie below the window's edge: the
    // tabs and the ON / OFF switch do their jobs on screen, so they stay
    // hidden and out of the focus chain.
    showAll({ui.groupBox_SurroundTest, ui.pushButton_SurroundTest, ui.groupBox_Stereo_Spectrum,
             ui.lineEdit_CustomName, ui.pushButton_9, ui.radioButton, ui.checkBox_MicENC},
            false);
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
        if (!m_mainScreenShown)
            showStartScreenPicture();
    });
}

// The logo of the main screen, the start screen and the headset screen,
// drawn at the screen's scale where the form's pictures left it out
// (resources/art/scenes.py).
void Velumix::addLogos()
{
    const QColor grey(150, 150, 150);
    const QColor orange(255, 171, 62);
    const QColor light(235, 235, 235);
    ui.label__Head_Two->setPixmap(QPixmap());
    new LogoMark({14, 14, grey, grey}, QPointF(1, 2.5), ui.label__Head_Two);
    const LogoMark::Look large{22, 25, orange, light};
    const QPointF largeOrigin(36, 30);
    new LogoMark(large, largeOrigin, ui.label_DefaultBackground);
    m_headsetScreenLogo = new LogoMark(large, largeOrigin, ui.label);
    m_headsetScreenLogo->hide();
}

// Tab follows the screen: the title bar's buttons left to right, then the
// tabs and the page; the band sliders low to high; the strip's Delete, then
// its Cancel. A list scrolls to the entry that gets the focus, so the list
// itself is no stop.
void Velumix::setFocusOrder()
{
    QWidget::setTabOrder(ui.pushButton_8, ui.pushButton_Minimize);
    QWidget::setTabOrder(ui.pushButton_Minimize, ui.pushButton_Close);
    for (const auto& table : {kSurroundBandSliders, kStereoBandSliders})
        for (size_t band = 0; band + 1 < table.size(); ++band)
            QWidget::setTabOrder(ui.*table[band], ui.*table[band + 1]);
    QWidget::setTabOrder(ui.pushButton_6, ui.pushButton_7);
    QWidget::setTabOrder(ui.pushButton_10, ui.pushButton_11);
    for (QScrollArea* list : {ui.scrollArea, ui.scrollArea_2})
        list->setFocusPolicy(Qt::NoFocus);
}

// What lies under another screen is out of reach of the keyboard too.
void Velumix::setPagesReachable(bool reachable)
{
    ui.tabWidget->setEnabled(reachable);
    ui.pushButton_8->setEnabled(reachable);
}

void Velumix::showStartScreen()
{
    m_mainScreenShown = false;
    setPagesReachable(false);
    for (QWidget* widget : std::initializer_list<QWidget*>{
             ui.label_DefaultHead, ui.label_DefaultBackground, ui.pushButton_DefaultClose}) {
        widget->raise();
        widget->show();
    }
    // One Close at a time, in the same place.
    swapInPlace(ui.pushButton_Close, ui.pushButton_DefaultClose);
    ui.pushButton_Minimize->show();
    ui.pushButton_Minimize->raise();
    ui.label_Head->hide();
    ui.label->hide();
    // Once the window has been on screen it may come back any time;
    // before that, its first showing brings the picture.
    if (testAttribute(Qt::WA_WState_Created))
        showStartScreenPicture();
}

void Velumix::showMainScreen()
{
    m_mainScreenShown = true;
    for (QWidget* widget : std::initializer_list<QWidget*>{
             ui.label_DefaultHead, ui.label_DefaultBackground, ui.pushButton_DefaultClose})
        widget->lower();
    swapInPlace(ui.pushButton_DefaultClose, ui.pushButton_Close);
    setPagesReachable(true);
    ui.label_Head->show();
    ui.label->show();
}

void Velumix::showStartScreenPicture()
{
    if (ui.label_DefaultBackground->pixmap(Qt::ReturnByValue).isNull())
        look::setPixmap(ui.label_DefaultBackground, QStringLiteral(":/sw/pic/sw/main_2.jpg"));
}

void Velumix::showHeadsetPicture()
{
    const quint16 productId = m_session.productId();
    ui.label_Spectrum->setStyleSheet(headsetPictureStyle(productId));
    if (headsetPictureShipped(productId)) {
        ui.label_Spectrum->show();
        ui.widget_Spectrum->hide();
    }
    ui.pushButton_9->setStyleSheet(headsetPictureButtonStyle(productId));
}

void Velumix::forgetHeadsetPicture()
{
    ui.label_Spectrum->setStyleSheet(QString());
    ui.widget_Spectrum->hide();
}

// A headset of another model shows its spectrum panel, the built-in models
// their picture.
void Velumix::showSpectrumArea()
{
    const bool opened = m_session.isOpen();
    if (headsetModelOf(m_session.productId()) == 0 || !opened) {
        ui.widget_Spectrum->setVisible(opened);
        ui.label_Spectrum->show();
        return;
    }
    ui.widget_Spectrum->hide();
    ui.label_Spectrum->show();
}

void Velumix::showOfferedTabs()
{
    for (SoundPage page : kSoundPages)
        ui.tabWidget->setTabEnabled(tabOf(page),
                                    !m_session.isOpen() || m_session.pageOffered(page));
}

// The session shows a page (a command, the headset's own report): its tab
// comes to the front unless it is there already.
void Velumix::followPageShown(SoundPage page)
{
    if (ui.tabWidget->currentIndex() == tabOf(page))
        return;
    {
        const QSignalBlocker quiet(ui.tabWidget);
        ui.tabWidget->setCurrentIndex(tabOf(page));
    }
    showTab(tabOf(page));
}

// A tab chosen by a person, with the mouse or the keyboard.
void Velumix::on_TabWidget_Clicked(int index)
{
    if (index < 0) // no tab at all
        return;
    showTab(index);
    if (const std::optional<SoundPage> page = pageOfTab(index))
        m_session.showPage(*page);
}

void Velumix::showTab(int index)
{
    // A page's edit controls show with their page only.
    for (SoundPageView* view : m_pages)
        view->show();
    for (int tab = 0; tab < 3; ++tab)
        ui.tabWidget->setTabIcon(tab, m_tabIcons[kTabIcons[index][tab]]);
    const bool surround = index == kSurroundTab;
    const bool stereo = index == kStereoTab;
    showAll({ui.lineEdit_15, ui.widget_Param_Stereo, ui.groupBox_Stereo_Spectrum}, stereo);
    ui.widget_Param_Surround->setVisible(surround);
    showAll({ui.label_dB, ui.label_Hz}, index != kMicrophoneTab);
    if (surround) {
        showAll({ui.label_Horn_Left, ui.label_Horn_Right, ui.label_Horn_Up, ui.label_Horn_LeftUp,
                 ui.label_Horn_LeftDown, ui.label_Horn_RightUp, ui.label_Horn_RightDown},
                true);
        showSurroundSubView(false);
        return;
    }
    ui.groupBox_SurroundTest->hide();
    ui.pushButton_SurroundTest->hide();
    ui.pushButton_SurroundTest->setText("Test");
    ui.lineEdit_CustomName->hide();
    m_speakerTest->stopPlaying();
    if (stereo) {
        traceLog("Stereo Clicked", "Open Spectrum", "Velumix", "on_TabWidget_Clicked", __LINE__);
        showSpectrumArea();
    }
}

// The surround page shows either its equaliser or its speaker test; the
// chosen half of the switch lies on top of the other.
void Velumix::showSurroundSubView(bool testView)
{
    for (QSlider* slider : widgets(ui, kSurroundBandSliders))
        slider->setVisible(!testView);
    showAll({ui.label_16, ui.label_Hz_2, ui.widget_Param_Surround, ui.lineEdit_23}, !testView);
    showAll({ui.groupBox_SurroundTest, ui.pushButton_SurroundTest}, testView);
    pageView(SoundPage::Surround).setEqualiserShown(!testView);
    QPushButton* chosen = testView ? ui.pushButton_5 : ui.pushButton_4;
    QPushButton* other = testView ? ui.pushButton_4 : ui.pushButton_5;
    // The halves are toggles, checked when theirs is the view shown.
    chosen->setChecked(true);
    other->setChecked(false);
    look::setStyleSheet(other, testView ? kEqualizerHalfIdle : kSurroundHalfIdle);
    look::setStyleSheet(chosen, kSwitchHalfChosen);
    chosen->raise();
}

// The desktop tells of changes that the person's choice overrides, and may
// tell of one change twice (GNOME's switch and the portal's contrast): a
// switch to the look in use redraws nothing.
void Velumix::switchLook(bool highContrast)
{
    if (highContrast == look::highContrast())
        return;
    look::switchTo(highContrast);
    useWindowStyleSheet();
    m_tray->showLook(highContrast);
}

// A headset arriving while the window sits in the tray brings it out.
void Velumix::comeForward()
{
    if (!isHidden())
        return;
    show();
    m_tray->showIcon();
}

void Velumix::quit()
{
    hide(); // not close(): without a tray that would only minimise
    m_tray->icon()->hide();
    if (m_speakerTest)
        m_speakerTest->stop();
    QApplication::quit();
}

void Velumix::startHidden()
{
    if (trayAvailable())
        hide();
    else
        minimiseWithoutTray();
}

// On Wayland the compositor keeps the minimised state to itself, and Qt
// 5.15 asks for a StatusNotifier tray only once: there is nothing to look for.
void Velumix::minimiseWithoutTray()
{
    showMinimized();
    if (onWayland() || m_trayAppearance)
        return;
    m_trayAppearance = new TrayAppearance(this);
    connect(m_trayAppearance, &TrayAppearance::mayHaveAppeared, this, &Velumix::lookForTray);
}

// A tray that appeared since takes the window that waits minimised in the
// task bar; a window the user brought back stops the looking.
void Velumix::lookForTray()
{
    const bool stillWaiting = !isHidden() && isMinimized();
    if (stillWaiting && !trayAvailable())
        return;
    delete m_trayAppearance;
    m_trayAppearance = nullptr;
    if (!stillWaiting)
        return;
    hide();
    m_tray->showIcon();
}

// The window never closes: it goes to the tray. Where the desktop shows no
// tray (GNOME's default, or no StatusNotifier host yet) a hidden window could
// never come back on X11, so it goes to the task bar instead; the question
// is asked at every close, so a tray that appears later is used. On Wayland
// a minimised window may have no way back at all (weston has no task bar),
// and a client cannot bring it back itself: there the window hides, and a
// later start shows it again (bringWindowForward).
void Velumix::closeEvent(QCloseEvent* event)
{
    event->ignore();
    if (trayAvailable() || onWayland())
        hide();
    else
        minimiseWithoutTray();
}

void Velumix::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QRect& dragArea = m_mainScreenShown ? kMainScreenDragArea : kStartScreenDragArea;
    if (!dragArea.contains(event->pos()))
        return;
    // The window manager moves the window where it can: on Wayland a window
    // cannot place itself. Elsewhere the window follows the mouse itself.
    if (windowHandle() && windowHandle()->startSystemMove())
        return;
    m_dragging = true;
    m_dragStartPos = event->pos();
}

void Velumix::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging)
        move(pos() + (event->pos() - m_dragStartPos));
}

void Velumix::mouseReleaseEvent(QMouseEvent*)
{
    m_dragging = false;
}

bool Velumix::event(QEvent* event)
{
    const auto type = event->type();
    if (m_built &&
        (type == QEvent::HoverEnter || type == QEvent::HoverLeave || type == QEvent::HoverMove)) {
        const QPoint cursor = mapFromGlobal(QCursor::pos());
        const bool overButton = ui.pushButton_DefaultClose->geometry().contains(cursor) ||
                                ui.pushButton_Close->geometry().contains(cursor) ||
                                ui.pushButton_Minimize->geometry().contains(cursor);
        setCursor(overButton ? Qt::PointingHandCursor : Qt::ArrowCursor);
    }
    return QMainWindow::event(event);
}

// --- The form's slots --------------------------------------------------------

void Velumix::pushButton_die1_fold()
{
    pageView(SoundPage::Surround).setListFolded(true);
}
void Velumix::pushButton_die2_fold()
{
    pageView(SoundPage::Surround).setListFolded(false);
}
void Velumix::pushButton_die3_fold()
{
    pageView(SoundPage::Stereo).setListFolded(true);
}
void Velumix::pushButton_die4_fold()
{
    pageView(SoundPage::Stereo).setListFolded(false);
}
void Velumix::slot1()
{
    ui.tabWidget->setCurrentIndex(kSurroundTab);
}

// The back arrow: the headset picture covers the pages.
void Velumix::main_changed()
{
    swapInPlace(ui.pushButton_8, ui.pushButton_9);
    setPagesReachable(false);
    ui.pushButton_9->setGeometry(kHeadsetPictureShown);
    ui.label->raise();
    ui.label->setStyleSheet(kHeadsetScreenBackground);
    m_headsetScreenLogo->show();
    ui.pushButton_9->raise();
    ui.pushButton_9->setStyleSheet(headsetPictureButtonStyle(m_session.productId()));
    ui.pushButton_Close->raise();
    ui.pushButton_Minimize->raise();
    m_speakerTest->stopPlaying();
}

// A click on the headset picture goes back to the page shown before.
void Velumix::main_clicked()
{
    setPagesReachable(true);
    swapInPlace(ui.pushButton_9, ui.pushButton_8);
    ui.pushButton_9->setGeometry(kHeadsetPictureParked);
    ui.label->setStyleSheet(kMainScreenBackground);
    m_headsetScreenLogo->hide();
    ui.label->lower();
    ui.label_DefaultBackground->lower();
    ui.pushButton_DefaultClose->lower();
}

void Velumix::Red_Dialog_STEREO()
{
    pageView(SoundPage::Stereo).confirmDelete();
}
void Velumix::Red_Dialog2_STEREO()
{
    pageView(SoundPage::Stereo).cancelDelete();
}
void Velumix::Red_Dialog()
{
    pageView(SoundPage::Surround).confirmDelete();
}
void Velumix::Red_Dialog2()
{
    pageView(SoundPage::Surround).cancelDelete();
}
void Velumix::On_Button_Surround()
{
    showSurroundSubView(true);
}
void Velumix::On_Button_Style()
{
    showSurroundSubView(false);
}
void Velumix::Off_Button_MousePressEvent()
{
    m_microphone->switchNoiseCancellation(false);
}
void Velumix::On_Button_MousePressEvent()
{
    m_microphone->switchNoiseCancellation(true);
}
void Velumix::on_PushButton_DefaultClose_Clicked()
{
    close();
}
void Velumix::on_PushButton_Minimize_Clicked()
{
    showMinimized();
}
void Velumix::on_PushButton_Close_Clicked()
{
    close();
}
void Velumix::on_PushButton_PlayTest_Clicked()
{
    m_speakerTest->pressTestButton();
}
// Both pages' Reset and Save buttons come here: the page on screen's.
void Velumix::on_PushButton_CustomReset_Clicked()
{
    if (const std::optional<SoundPage> page = pageOfTab(ui.tabWidget->currentIndex()))
        pageView(*page).reset();
}
void Velumix::on_PushButton_CustomSave_Clicked()
{
    if (const std::optional<SoundPage> page = pageOfTab(ui.tabWidget->currentIndex()))
        pageView(*page).save();
}
void Velumix::on_PushButton_Stereo_CustomAdd_Clicked()
{
    pageView(SoundPage::Stereo).addCustomMode();
}
void Velumix::on_PushButton_Stereo_CustomClear_Clicked()
{
    pageView(SoundPage::Stereo).requestDelete();
}
void Velumix::on_PushButton_Surround_CustomAdd_Clicked()
{
    pageView(SoundPage::Surround).addCustomMode();
}
void Velumix::on_PushButton_Surround_CustomClear_Clicked()
{
    pageView(SoundPage::Surround).requestDelete();
}
void Velumix::on_RadioButton_Surround_DeepBass_Clicked()
{
    pageView(SoundPage::Surround).choosePreset(0);
}
void Velumix::on_RadioButton_Surround_FPS_Clicked()
{
    pageView(SoundPage::Surround).choosePreset(1);
}
void Velumix::on_RadioButton_Surround_Moba_Clicked()
{
    pageView(SoundPage::Surround).choosePreset(2);
}
void Velumix::on_RadioButton_Surround_ZUVOStandard_Clicked()
{
    pageView(SoundPage::Surround).choosePreset(3);
}
void Velumix::on_RadioButton_Surround_Customize_Clicked()
{
    pageView(SoundPage::Surround).openCustomList();
}
void Velumix::on_RadioButton_Stereo_Pop_Clicked()
{
    pageView(SoundPage::Stereo).choosePreset(4);
}
void Velumix::on_RadioButton_Stereo_RockRoll_Clicked()
{
    pageView(SoundPage::Stereo).choosePreset(5);
}
void Velumix::on_RadioButton_Stereo_DeepBass_Clicked()
{
    pageView(SoundPage::Stereo).choosePreset(6);
}
void Velumix::on_RadioButton_Stereo_Jazz_Clicked()
{
    pageView(SoundPage::Stereo).choosePreset(7);
}
void Velumix::on_RadioButton_Stereo_Classic_Clicked()
{
    pageView(SoundPage::Stereo).choosePreset(8);
}
void Velumix::on_RadioButton_Stereo_ZUVOStandard_Clicked()
{
    pageView(SoundPage::Stereo).choosePreset(9);
}
void Velumix::on_RadioButton_Stereo_Customize_Clicked()
{
    pageView(SoundPage::Stereo).openCustomList();
}
void Velumix::on_RadioButton_Surround_CustomOne_Clicked()
{
    pageView(SoundPage::Surround).chooseCustomMode(0);
}
void Velumix::on_RadioButton_Surround_CustomTwo_Clicked()
{
    pageView(SoundPage::Surround).chooseCustomMode(1);
}
void Velumix::on_RadioButton_Surround_CustomThree_Clicked()
{
    pageView(SoundPage::Surround).chooseCustomMode(2);
}
void Velumix::on_RadioButton_Surround_CustomFour_Clicked()
{
    pageView(SoundPage::Surround).chooseCustomMode(3);
}
void Velumix::on_RadioButton_Surround_CustomFive_Clicked()
{
    pageView(SoundPage::Surround).chooseCustomMode(4);
}
void Velumix::on_RadioButton_Stereo_CustomOne_Clicked()
{
    pageView(SoundPage::Stereo).chooseCustomMode(0);
}
void Velumix::on_RadioButton_Stereo_CustomTwo_Clicked()
{
    pageView(SoundPage::Stereo).chooseCustomMode(1);
}
void Velumix::on_RadioButton_Stereo_CustomThree_Clicked()
{
    pageView(SoundPage::Stereo).chooseCustomMode(2);
}
void Velumix::on_RadioButton_Stereo_CustomFour_Clicked()
{
    pageView(SoundPage::Stereo).chooseCustomMode(3);
}
void Velumix::on_RadioButton_Stereo_CustomFive_Clicked()
{
    pageView(SoundPage::Stereo).chooseCustomMode(4);
}
void Velumix::on_CheckBox_MicENC_Clicked()
{
    m_microphone->followCheckBox();
}
// Each band slider's value, by the mouse or the keyboard.
void Velumix::on_VerticalSlider_Stereo_ValueChange()
{
    pageView(SoundPage::Stereo).bandMoved(qobject_cast<QSlider*>(sender()));
}
void Velumix::on_VerticalSlider_Surround_ValueChange()
{
    pageView(SoundPage::Surround).bandMoved(qobject_cast<QSlider*>(sender()));
}

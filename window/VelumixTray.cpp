// The tray icon and its menu of the page's modes and the microphone
// settings, hiding to the tray (or to the task bar where the desktop shows no
// tray), quitting with Ctrl+Q, the window buttons, dragging the frameless
// window and the hover cursor over the window buttons.

#include "Velumix.h"

#include "ModeLookup.h"
#include "UsbHidOperation.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLoggingCategory>
#include <QMenu>
#include <QMouseEvent>
#include <QShortcut>
#include <QWindow>

Q_DECLARE_LOGGING_CATEGORY(lcWindow)

namespace {
// Where a press may start dragging the window, in window coordinates.
const QRect kMainScreenDragArea(1, 1, 1175, 79);  // 0 < x < 1176, 0 < y < 80
const QRect kStartScreenDragArea(1, 1, 999, 629); // 0 < x < 1000, 0 < y < 630

constexpr int kTrayMicLevels[] = {0, 25, 50, 75, 100};
} // namespace

void Velumix::initSystemTray()
{
    qCDebug(lcWindow).noquote() << "***** Init System Tray! *****";
    m_trayIcon = new QSystemTrayIcon(this);
    m_trayIcon->setIcon(windowIcon()); // the same picture, decoded once
    m_trayIcon->setToolTip(tr("KAVRO 7.1 Surround Sound"));
    connect(m_trayIcon, &QSystemTrayIcon::activated, this, &Velumix::on_activatedSysTrayIcon);
    connect(this, &Velumix::remoteEvent, this, &Velumix::followChangeInTray);
    m_trayIcon->show();
    m_trayIcon->showMessage("Message Title", QStringLiteral("欢迎使用此程序"),
                            QSystemTrayIcon::Information, 1000);
    initTrayActions();
    initTrayMenu();
    // Without a tray the menu's Quit is out of reach; the window offers it too.
    auto* quit = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), this);
    connect(quit, &QShortcut::activated, this, &Velumix::on_ExitAppAction);
}

// Also called again when a headset arrives while the window sits in the tray.
void Velumix::initTrayActions()
{
    delete m_showMainAction;
    delete m_exitAppAction;
    m_showMainAction = new QAction(tr("Home Page"), this);
    m_exitAppAction = new QAction(tr("Quit"), this);
    connect(m_showMainAction, &QAction::triggered, this, &Velumix::on_ShowMainAction);
    connect(m_exitAppAction, &QAction::triggered, this, &Velumix::on_ExitAppAction);
}

// One menu for the program's life, its entries updated in place: a choice
// rebuilds the menu (each changes what it shows) while its entry is still
// being triggered, so no entry may be deleted then.
void Velumix::initTrayMenu()
{
    if (!m_trayMenu) {
        m_trayMenu = new QMenu(this);
        m_trayIcon->setContextMenu(m_trayMenu);
    }
    m_trayChoices = trayChoices();
    m_trayMenu->clear();
    m_trayMenu->addAction(m_showMainAction);
    m_trayMenu->addSeparator();
    for (int index = 0; index < int(m_trayChoices.size()); ++index)
        m_trayMenu->addAction(trayChoiceAction(index));
    m_trayMenu->addAction(m_exitAppAction);
    m_trayIcon->setToolTip(trayToolTip());
    m_trayMenuShown = trayMenuState(m_trayChoices);
}

// The entry showing choice `index`, a checkable entry or, for a choice that
// does nothing, a separator. The entries belong to the window and are made
// as more choices are shown first.
QAction* Velumix::trayChoiceAction(int index)
{
    while (m_trayChoiceActions.size() <= index) {
        auto* action = new QAction(this);
        const size_t number = size_t(m_trayChoiceActions.size());
        connect(action, &QAction::triggered, this, [this, number] {
            // A copy: the choice rebuilds the list it comes from.
            const std::function<void()> choose =
                number < m_trayChoices.size() ? m_trayChoices[number].choose : nullptr;
            if (choose)
                choose();
        });
        m_trayChoiceActions << action;
    }
    const TrayChoice& choice = m_trayChoices[size_t(index)];
    QAction* action = m_trayChoiceActions[index];
    action->setSeparator(!choice.choose);
    action->setText(choice.text);
    action->setCheckable(bool(choice.choose));
    action->setChecked(choice.checked);
    return action;
}

// The modes, then the microphone settings, each group ended by a separator
// (a choice that does nothing); none without a headset.
std::vector<Velumix::TrayChoice> Velumix::trayChoices()
{
    if (linkState.deviceOpened == 0)
        return {};
    std::vector<TrayChoice> choices = trayModeChoices();
    choices.push_back({});
    for (TrayChoice& choice : trayMicrophoneChoices())
        choices.push_back(std::move(choice));
    choices.push_back({});
    return choices;
}

// What the menu and the tooltip show, to tell whether a change shows at all.
QStringList Velumix::trayMenuState(const std::vector<TrayChoice>& choices)
{
    QStringList state = {trayToolTip()};
    for (const TrayChoice& choice : choices)
        state << QStringLiteral("%1 %2").arg(int(choice.checked)).arg(choice.text);
    return state;
}

// The presets and custom modes of the page shown, the active one checked.
std::vector<Velumix::TrayChoice> Velumix::trayModeChoices()
{
    const SoundPage page = m_soundPageShown;
    const ModeShown active = modeShown(page);
    std::vector<TrayChoice> choices;
    for (const BuiltInPreset& preset : presetsOffered(m_currentDeviceConfig, page)) {
        const QString caption = QString::fromUtf8(preset.caption);
        choices.push_back({caption, active.kind == "preset" && active.name == caption,
                           [this, preset] { choosePreset(preset); }});
    }
    for (const ShownMode& mode : shownModes(m_customModeList, page)) {
        const int slot = mode.slot;
        choices.push_back({mode.record->name,
                           active.kind == "custom" && this->page(page).selectedIndex() == slot,
                           [this, page, slot] { chooseCustomSlot(page, slot); }});
    }
    return choices;
}

std::vector<Velumix::TrayChoice> Velumix::trayMicrophoneChoices()
{
    const bool noiseCancellation = ui.checkBox_MicENC->isChecked();
    std::vector<TrayChoice> choices = {
        {tr("Noise cancellation"), noiseCancellation,
         [this, noiseCancellation] { chooseNoiseCancellation(!noiseCancellation); }}};
    for (int level : kTrayMicLevels)
        choices.push_back({tr("Microphone %1%").arg(level), ui.Slider_Voice1_3->value() == level,
                           [this, level] { chooseMicLevel(level); }});
    return choices;
}

// The unit's name comes with the events that name it, so that no change
// reads the model files again.
void Velumix::followChangeInTray(const QJsonObject& event)
{
    const QString name = event[QLatin1String("event")].toString();
    if (name == QLatin1String("plugged") || name == QLatin1String("unit")) {
        const QString identity = event[QLatin1String("identity")].toString();
        m_trayUnitName = event[QLatin1String("model")].toString();
        if (!identity.isEmpty())
            m_trayUnitName += QStringLiteral(" (%1)").arg(identity);
    }
    // A microphone slider being dragged changes nothing shown between its steps.
    if (trayMenuState(trayChoices()) != m_trayMenuShown)
        initTrayMenu();
}

// "Halden (0a1b2c3d)" and, on the next line, "stereo: Jazz"; the program's
// name while no headset is connected.
QString Velumix::trayToolTip()
{
    if (linkState.deviceOpened == 0)
        return tr("KAVRO 7.1 Surround Sound");
    const ModeShown mode = modeShown(m_soundPageShown);
    return QStringLiteral("%1\n%2: %3")
        .arg(m_trayUnitName.isEmpty() ? connectedModelName() : m_trayUnitName,
             soundPageName(m_soundPageShown), mode.name.isEmpty() ? mode.kind : mode.name);
}

void Velumix::on_activatedSysTrayIcon(QSystemTrayIcon::ActivationReason reason)
{
    qCDebug(lcWindow).noquote() << "systemTray acticated!";
    if (reason == QSystemTrayIcon::Trigger)
        show();
}

void Velumix::on_ShowMainAction()
{
    show();
}

void Velumix::on_ExitAppAction()
{
    hide(); // not close(): without a tray that would only minimise
    m_trayIcon->hide();
    shutDown();
    QApplication::quit();
}

// The window never closes: it goes to the tray. Where the desktop shows no
// tray (GNOME's default, or no StatusNotifier host yet) a hidden window could
// never come back, so it goes to the task bar instead; the question is asked
// at every close, so a tray that appears later is used.
void Velumix::closeEvent(QCloseEvent* event)
{
    qCDebug(lcWindow).noquote() << "Close Dlg!";
    event->ignore();
    if (m_trayAvailable())
        hide();
    else
        showMinimized();
}

void Velumix::on_PushButton_Close_Clicked()
{
    close();
}

void Velumix::on_PushButton_DefaultClose_Clicked()
{
    close();
}

void Velumix::on_PushButton_Minimize_Clicked()
{
    showMinimized();
}

void Velumix::on_PushButton_Max_Clicked() {}

void Velumix::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QRect& dragArea = m_panelMode == 1 ? kMainScreenDragArea : kStartScreenDragArea;
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
    if (ui.verticalSlider_30->geometry().contains(mapFromGlobal(QCursor::pos())))
        qCDebug(lcWindow).noquote() << "11111111111111";
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
    if (type == QEvent::HoverEnter || type == QEvent::HoverLeave || type == QEvent::HoverMove) {
        const QPoint cursor = mapFromGlobal(QCursor::pos());
        const bool overButton = ui.pushButton_DefaultClose->geometry().contains(cursor) ||
                                ui.pushButton_Close->geometry().contains(cursor) ||
                                ui.pushButton_Minimize->geometry().contains(cursor);
        setCursor(overButton ? Qt::PointingHandCursor : Qt::ArrowCursor);
    }
    return QMainWindow::event(event);
}

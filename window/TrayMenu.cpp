#include "TrayMenu.h"

#include "AutomaticModes.h"
#include "Look.h"

#include "BuiltInPresets.h"
#include "ConfigNames.h"
#include "HeadsetSession.h"
#include "ModeLookup.h"
#include "PageWidgets.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

namespace {

constexpr int kMicLevels[] = {0, 25, 50, 75, 100};

// A menu entry's text shows '&' as itself, not as a shortcut mark.
QString entryText(const QString& name)
{
    return QString(name).replace(QLatin1Char('&'), QLatin1String("&&"));
}

} // namespace

TrayMenu::TrayMenu(HeadsetSession& session, QWidget* window)
    : QObject(window), m_session(session), m_icon(new QSystemTrayIcon(window)),
      m_menu(new QMenu(window)), m_showWindow(new QAction(tr("Home Page"), this)),
      m_highContrast(new QAction(tr("High contrast"), this)), m_quit(new QAction(tr("Quit"), this))
{
    m_highContrast->setCheckable(true);
    m_highContrast->setChecked(look::highContrast());
    connect(m_highContrast, &QAction::triggered, this, &TrayMenu::highContrastChosen);
    m_icon->setIcon(window->windowIcon()); // the same picture, decoded once
    m_icon->setContextMenu(m_menu);
    connect(m_icon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger)
                    emit showWindowRequested();
            });
    connect(m_showWindow, &QAction::triggered, this, &TrayMenu::showWindowRequested);
    connect(m_quit, &QAction::triggered, this, &TrayMenu::quitRequested);
    for (auto change : {&HeadsetSession::plugged, &HeadsetSession::unplugged,
                        &HeadsetSession::unitChanged, &HeadsetSession::capabilitiesChanged})
        connect(&session, change, this, &TrayMenu::follow);
    connect(&session, &HeadsetSession::pageShownChanged, this, &TrayMenu::follow);
    connect(&session, &HeadsetSession::pageChanged, this, &TrayMenu::follow);
    connect(&session, &HeadsetSession::micLevelChanged, this, &TrayMenu::follow);
    connect(&session, &HeadsetSession::noiseCancellationChanged, this, &TrayMenu::follow);
    rebuild();
    m_icon->show();
    m_icon->showMessage("Message Title", QStringLiteral("欢迎使用此程序"),
                        QSystemTrayIcon::Information, 1000);
}

void TrayMenu::showIcon()
{
    m_icon->show();
}

void TrayMenu::showLook(bool highContrast)
{
    m_highContrast->setChecked(highContrast);
}

void TrayMenu::followAutomaticModes(AutomaticModes& automatic)
{
    m_automatic = &automatic;
    m_automaticModes = new QAction(tr("Automatic modes..."), this);
    connect(m_automaticModes, &QAction::triggered, this, &TrayMenu::automaticModesRequested);
    connect(&automatic, &AutomaticModes::inForceChanged, this, &TrayMenu::follow);
    rebuild();
}

// A change rebuilds the menu only when it shows; a microphone slider being
// dragged changes nothing shown between its steps.
void TrayMenu::follow()
{
    if (shownState(choices()) != m_shown)
        rebuild();
}

// One menu for the program's life, its entries updated in place: a choice
// rebuilds the menu while its entry is still being triggered, so no entry
// may be deleted then.
void TrayMenu::rebuild()
{
    m_choices = choices();
    m_menu->clear();
    m_menu->addAction(m_showWindow);
    m_menu->addSeparator();
    for (int index = 0; index < int(m_choices.size()); ++index)
        m_menu->addAction(choiceAction(index));
    if (m_automaticModes)
        m_menu->addAction(m_automaticModes);
    m_menu->addAction(m_highContrast);
    m_menu->addAction(m_quit);
    m_icon->setToolTip(toolTip());
    m_shown = shownState(m_choices);
}

QAction* TrayMenu::choiceAction(int index)
{
    while (m_choiceActions.size() <= index) {
        auto* action = new QAction(this);
        const size_t number = size_t(m_choiceActions.size());
        connect(action, &QAction::triggered, this, [this, number] {
            // A copy: the choice rebuilds the list it comes from.
            const std::function<void()> choose =
                number < m_choices.size() ? m_choices[number].choose : nullptr;
            if (choose)
                choose();
        });
        m_choiceActions << action;
    }
    const Choice& choice = m_choices[size_t(index)];
    QAction* action = m_choiceActions[index];
    action->setSeparator(!choice.choose);
    action->setText(entryText(choice.text));
    action->setCheckable(bool(choice.choose));
    action->setChecked(choice.checked);
    return action;
}

// The modes, then the microphone settings, each group ended by a separator;
// none without a headset.
std::vector<TrayMenu::Choice> TrayMenu::choices() const
{
    if (!m_session.isOpen())
        return {};
    std::vector<Choice> all = modeChoices();
    all.push_back({});
    for (Choice& choice : microphoneChoices())
        all.push_back(std::move(choice));
    all.push_back({});
    return all;
}

// The presets and custom modes of the page shown, in the window's order,
// the chosen one checked.
std::vector<TrayMenu::Choice> TrayMenu::modeChoices() const
{
    const SoundPage page = m_session.pageShown();
    const UnitSettings& unit = m_session.unit();
    const ModeChoice chosen = m_session.page(page).choice;
    const bool known = m_session.unitKnown();
    std::vector<Choice> modes;
    for (int preset : presetsInListOrder(page)) {
        if (!known || !unit.offersPreset(preset))
            continue;
        modes.push_back({QString::fromUtf8(builtInPresets()[size_t(preset)].caption),
                         chosen == ModeChoice::ofPreset(preset),
                         [this, preset] { m_session.choosePreset(preset); }});
    }
    for (int slot = 0; known && slot < unit.slotCount(page); ++slot)
        modes.push_back({unit.slotMode(page, slot)->name, chosen == ModeChoice::ofSlot(slot),
                         [this, page, slot] { m_session.chooseCustomMode(page, slot); }});
    return modes;
}

std::vector<TrayMenu::Choice> TrayMenu::microphoneChoices() const
{
    const bool on = m_session.noiseCancellation().value_or(false);
    std::vector<Choice> microphone = {
        {tr("Noise cancellation"), on, [this, on] { m_session.setNoiseCancellation(!on); }}};
    for (int level : kMicLevels)
        microphone.push_back({tr("Microphone %1%").arg(level), m_session.micLevel() == level,
                              [this, level] { m_session.setMicLevel(level); }});
    return microphone;
}

// "Halden (0a1b2c3d)" and, on the next line, "stereo: Jazz"; the program's
// name while no headset is connected.
QString TrayMenu::toolTip() const
{
    if (!m_session.isOpen())
        return tr("KAVRO 7.1 Surround Sound");
    QString unitName = m_session.modelName();
    if (m_session.unitKnown())
        unitName += QStringLiteral(" (%1)").arg(identityToHex(m_session.unit().identity));
    const SoundPage page = m_session.pageShown();
    const ModeName mode = m_session.modeName(page);
    const QString inForce = m_automatic ? m_automatic->inForceText() : QString();
    return QStringLiteral("%1\n%2: %3%4")
        .arg(unitName, soundPageName(page), mode.name.isEmpty() ? mode.kind : mode.name,
             inForce.isEmpty() ? QString() : QStringLiteral("\n") + inForce);
}

QStringList TrayMenu::shownState(const std::vector<Choice>& choices) const
{
    QStringList state = {toolTip()};
    for (const Choice& choice : choices)
        state << QStringLiteral("%1 %2").arg(int(choice.checked)).arg(choice.text);
    return state;
}

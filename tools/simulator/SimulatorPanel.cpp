#include "SimulatorPanel.h"
#include "CommandData.h"

#include "CommandTable.h"
#include "ConfigNames.h"
#include "Frames.h"
#include "HotplugSource.h"
#include "SimulatedHeadset.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace {

// The state bytes a unit reports for each page.
constexpr uint8_t kSurroundState = frame::kFirstSurroundState;
constexpr uint8_t kStereoState = frame::kFirstSurroundState - 1;

const char* const kPanelStyle =
    "QWidget{background-color: rgb(30,30,30); color: rgb(235,235,235);}"
    "QPushButton{background-color: rgb(50,50,50); border-radius: 5px; padding: 6px 12px;}"
    "QPushButton:hover{background-color: rgb(255,171,62); color: rgb(30,30,30);}"
    "QLineEdit, QComboBox{background-color: rgb(50,50,50); border: none; padding: 4px;}";

QString randomIdentity()
{
    DeviceIdentity identity;
    for (uint8_t& byte : identity)
        byte = static_cast<uint8_t>(QRandomGenerator::global()->bounded(256));
    return identityToHex(identity);
}

} // namespace

SimulatorPanel::SimulatorPanel(SimulatedHidBackend& backend, ManualHotplugSource& hotplug,
                               const QList<quint16>& productIds, int unit, QWidget* parent)
    : QWidget(parent, Qt::Window), m_backend(backend), m_hotplug(hotplug), m_unit(unit)
{
    setWindowTitle(tr("Velumix – simulated headset"));
    setStyleSheet(kPanelStyle);
    m_state = new QLabel(this);
    m_productId = new QComboBox(this);
    const uint16_t current = m_backend.firmware(m_unit).settings().productId;
    QList<quint16> choices = productIds;
    if (!choices.contains(current))
        choices.prepend(current);
    for (quint16 id : choices)
        m_productId->addItem(QStringLiteral("%1").arg(id, 4, 16, QChar('0')), id);
    m_productId->setCurrentIndex(choices.indexOf(current));
    m_identity = new QLineEdit(randomIdentity(), this);
    m_identity->setValidator(
        new QRegularExpressionValidator(QRegularExpression("[0-9a-fA-F]{8}"), m_identity));
    m_stereoState = new QCheckBox(tr("Headset reports the stereo page"), this);

    auto* plug = new QPushButton(tr("Plug in"), this);
    auto* pull = new QPushButton(tr("Pull out"), this);
    auto* swap = new QPushButton(tr("Plug in as new unit"), this);
    connect(plug, &QPushButton::clicked, this, &SimulatorPanel::plugIn);
    connect(pull, &QPushButton::clicked, this, &SimulatorPanel::pullOut);
    connect(swap, &QPushButton::clicked, this, &SimulatorPanel::plugInNewUnit);
    connect(m_stereoState, &QCheckBox::toggled, this, &SimulatorPanel::applyReportedPage);

    auto* newUnit = new QFormLayout;
    newUnit->addRow(tr("Product ID"), m_productId);
    newUnit->addRow(tr("Identity"), m_identity);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {plug, pull, swap})
        buttons->addWidget(button);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_state);
    layout->addWidget(m_stereoState);
    layout->addLayout(newUnit);
    layout->addLayout(buttons);
    showState();
}

void SimulatorPanel::plugIn()
{
    if (m_backend.isPlugged(m_unit))
        return;
    m_backend.plug(m_unit);
    // Like a real headset: one event per interface.
    for (const std::string& path : m_backend.interfacePaths(m_unit))
        m_hotplug.arrive(QString::fromStdString(path));
    showState();
}

void SimulatorPanel::pullOut()
{
    if (!m_backend.isPlugged(m_unit))
        return;
    m_backend.unplug(m_unit);
    for (const std::string& path : m_backend.interfacePaths(m_unit))
        m_hotplug.remove(QString::fromStdString(path));
    showState();
}

void SimulatorPanel::plugInNewUnit()
{
    pullOut();
    HeadsetSettings settings;
    settings.productId = static_cast<uint16_t>(m_productId->currentData().toUInt());
    settings.identity = identityFromHex(m_identity->text());
    m_unit = m_backend.addHeadset(settings);
    m_backend.unplug(m_unit); // plugged in below, with its events
    applyReportedPage();
    plugIn();
    m_identity->setText(randomIdentity());
}

void SimulatorPanel::applyReportedPage()
{
    m_backend.firmware(m_unit).settings().stateByte =
        m_stereoState->isChecked() ? kStereoState : kSurroundState;
}

void SimulatorPanel::showState()
{
    const HeadsetSettings& settings = m_backend.firmware(m_unit).settings();
    m_state->setText(tr("Unit %1, product %2: %3")
                         .arg(identityToHex(settings.identity))
                         .arg(settings.productId, 4, 16, QChar('0'))
                         .arg(m_backend.isPlugged(m_unit) ? tr("plugged in") : tr("pulled out")));
}

namespace {

using remote::ArgumentRule;

struct SimulateAction
{
    const char* name;
    std::vector<ArgumentRule> rules; // besides "action"
    void (SimulatorPanel::*run)(const QJsonObject& arguments);
};

} // namespace

remote::Result SimulatorPanel::runSimulateCommand(const remote::Request& request)
{
    static const std::vector<SimulateAction> actions = {
        {"plug", {}, &SimulatorPanel::plugInAction},
        {"unplug", {}, &SimulatorPanel::pullOutAction},
        {"new-unit",
         {{"productId", ArgumentRule::HexDigits, false, 0, 0, 4},
          {"identity", ArgumentRule::HexDigits, false, 0, 0, 8}},
         &SimulatorPanel::newUnitAction},
        {"report-page",
         {{"page", ArgumentRule::Text, true, 0, 0, 0, {"surround", "stereo"}}},
         &SimulatorPanel::reportPageAction},
    };
    if (request.command != QLatin1String("simulate"))
        return remote::Result::failure(remote::ExitUsage,
                                       QStringLiteral("unknown command '%1'").arg(request.command));
    ArgumentRule action{"action", ArgumentRule::Text, true};
    for (const SimulateAction& known : actions)
        action.choices << known.name;
    const QString actionError =
        remote::argumentError({"simulate", remote::CommandRow::Window, {action}},
                              {{"action", request.arguments.value("action")}});
    if (!actionError.isEmpty())
        return remote::Result::failure(remote::ExitUsage, actionError);
    const QString name = request.arguments.value("action").toString();
    const auto chosen =
        std::find_if(actions.begin(), actions.end(),
                     [&](const SimulateAction& known) { return name == known.name; });
    std::vector<ArgumentRule> rules = chosen->rules;
    rules.push_back(action);
    const QByteArray command = "simulate " + name.toUtf8();
    const QString error = remote::argumentError(
        {command.constData(), remote::CommandRow::Window, rules}, request.arguments);
    if (!error.isEmpty())
        return remote::Result::failure(remote::ExitUsage, error);
    (this->*chosen->run)(request.arguments);
    return remote::Result::success(QJsonObject{{"unit", unitState()}});
}

void SimulatorPanel::plugInAction(const QJsonObject&)
{
    plugIn();
}

void SimulatorPanel::pullOutAction(const QJsonObject&)
{
    pullOut();
}

// The product ID and identity go into the panel's fields, as a person
// would choose them, before the panel's own button does the rest.
void SimulatorPanel::newUnitAction(const QJsonObject& arguments)
{
    if (arguments["productId"].isString()) {
        const quint16 productId = arguments["productId"].toString().toUShort(nullptr, 16);
        if (m_productId->findData(productId) < 0)
            m_productId->addItem(remote::idDigits(productId), productId);
        m_productId->setCurrentIndex(m_productId->findData(productId));
    }
    if (arguments["identity"].isString())
        m_identity->setText(arguments["identity"].toString());
    plugInNewUnit();
}

void SimulatorPanel::reportPageAction(const QJsonObject& arguments)
{
    m_stereoState->setChecked(arguments["page"].toString() == QLatin1String("stereo"));
}

QJsonObject SimulatorPanel::unitState() const
{
    const HeadsetSettings& settings = m_backend.firmware(m_unit).settings();
    return {{"productId", remote::idDigits(settings.productId)},
            {"identity", identityToHex(settings.identity)},
            {"plugged", m_backend.isPlugged(m_unit)}};
}

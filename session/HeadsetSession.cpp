#include "HeadsetSession.h"

#include "ConfigNames.h"
#include "ConfigWriter.h"
#include "Diagnostics.h"
#include "GainText.h"
#include "HotplugSource.h"
#include "ModeImport.h"
#include "ModeLookup.h"
#include "ModeTransfer.h"
#include "SaveLeftovers.h"
#include "TraceLog.h"

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QThread>

Q_LOGGING_CATEGORY(lcSession, "velumix.session")

namespace {

constexpr int kThrottlePeriodMs = 500;
// Right after the kernel reports a headset, udev may not yet have given the
// user access to it: an open refused then is tried again a few times.
constexpr int kOpenRetryIntervalMs = 250;
constexpr int kOpenRetries = 8;
// The program's microphone level at start and whenever a headset arrives.
constexpr int kArrivalMicLevel = 100;

const QString kUnit = QStringLiteral("Velumix");

void trace(const QString& tag, const QString& step, const char* function)
{
    traceLog(tag, step, kUnit, function, 0);
}

void debugLine(const QString& text)
{
    ::debugLine(lcSession(), text);
}

// What choosing each built-in preset writes to the trace log, in the order
// of builtInPresets().
struct PresetTrace
{
    const char* function;
    const char* click;
    const char* mode;
};
const PresetTrace kPresetTraces[] = {
    {"on_RadioButton_Surround_DeepBass_Clicked", "Surround DeepBass", "Deep Bass"},
    {"on_RadioButton_Surround_FPS_Clicked", "Surround FPS", "FPS"},
    {"on_RadioButton_Surround_Moba_Clicked", "Surround Moba", "MOBA"},
    {"on_RadioButton_Surround_ZUVOStandard_Clicked", "Surround KAVRO Standard",
     "Plindar  Standard"},
    {"on_RadioButton_Stereo_Pop_Clicked", "Stereo Pop", "Pop"},
    {"on_RadioButton_Stereo_RockRoll_Clicked", "Stereo RockRoll", "Rack&Roll"},
    {"on_RadioButton_Stereo_DeepBass_Clicked", "Stereo DeepBass", "Deep Bass"},
    {"on_RadioButton_Stereo_Jazz_Clicked", "Stereo Jazz", "Jazz"},
    {"on_RadioButton_Stereo_Classic_Clicked", "Stereo Classic", "Classic"},
    {"on_RadioButton_Stereo_ZUVOStandard_Clicked", "Stereo Plindar Standard", "Plindar  Standard"},
};

// The trace log names a page's mode changes and saves after the other page;
// by SoundPage.
const char* const kModeTraceTag[] = {"Surround Mode", "Stereo Mode"};
const char* const kSaveTraceStep[] = {"Save Surround Custom Mode", "Save Stereo Custom Mode"};
const char* const kCustomizeTrace[][2] = {
    {"on_RadioButton_Stereo_Customize_Clicked", "Stereo Customize"},
    {"on_RadioButton_Surround_Customize_Clicked", "Surround Customize"},
};
const char* const kSlotNumberNames[] = {"One", "Two", "Three", "Four", "Five"};

Outcome noHeadset()
{
    return Outcome::failure(Outcome::NoHeadset, QStringLiteral("no headset found"));
}

} // namespace

class HeadsetSession::HeldChanges
{
public:
    explicit HeldChanges(HeadsetSession& session) : m_session(session)
    {
        ++m_session.m_changesHeld;
    }
    ~HeldChanges()
    {
        if (--m_session.m_changesHeld > 0)
            return;
        for (SoundPage page : kSoundPages)
            if (std::exchange(m_session.m_heldChanges[int(page)], false))
                emit m_session.pageChanged(page);
        m_session.announceModes();
    }
    HeldChanges(const HeldChanges&) = delete;
    HeldChanges& operator=(const HeldChanges&) = delete;

private:
    HeadsetSession& m_session;
};

HeadsetSession::HeadsetSession(HidBackend& backend, HotplugSource* hotplug, Options options,
                               QObject* parent)
    : QObject(parent), m_link(backend), m_hotplug(hotplug), m_options(std::move(options))
{
    if (m_options.keepHeadsetInStep)
        m_micLevel = kArrivalMicLevel;
    m_throttle.setSingleShot(true);
    m_throttle.setInterval(kThrottlePeriodMs);
    // A coarse timer may end up to 5 % (25 ms) late; this one runs only
    // during a drag, and its end is when the drag's last change goes out.
    m_throttle.setTimerType(Qt::PreciseTimer);
    connect(&m_throttle, &QTimer::timeout, this, &HeadsetSession::sendEdits);
    m_openRetry.setSingleShot(true);
    m_openRetry.setInterval(kOpenRetryIntervalMs);
    connect(&m_openRetry, &QTimer::timeout, this, &HeadsetSession::takeOverHeadset);

    connect(&m_link, &HeadsetLink::versionReported, this,
            [this](const QString& version) { m_firmwareVersion = version; });
    connect(&m_link, &HeadsetLink::capabilitiesReported, this, &HeadsetSession::followCapabilities);
    connect(&m_link, &HeadsetLink::statusReported, this, &HeadsetSession::followStatus);
    connect(&m_link, &HeadsetLink::peqAcknowledged, this, &HeadsetSession::finishEqualiserUpload);
    connect(&m_link, &HeadsetLink::lost, this, [this](const QString& reason) {
        debugLine(QStringLiteral("The headset's link failed: %1").arg(reason));
        closeLink();
    });
    if (m_hotplug) {
        connect(m_hotplug, &HotplugSource::deviceArrived, this, &HeadsetSession::deviceArrived);
        connect(m_hotplug, &HotplugSource::deviceRemoved, this, &HeadsetSession::deviceRemoved);
    }
}

HeadsetSession::~HeadsetSession() = default;

LinkOpened HeadsetSession::start()
{
    readDefaultFiles();
    if (m_hotplug) {
        const bool registered = m_hotplug->start();
        debugLine(registered ? "Register SuccessFul!" : "Register Fail!");
        trace("Register Device", registered ? "true" : "false", "registerDevice");
    }
    const LinkOpened opened = openLink("InitMyDialog");
    if (opened.ok())
        m_link.readAudioAndStatus();
    reportUnknownHeadset();
    return opened;
}

// Without any default file no headset is recognised; the person is told
// where the files were looked for.
void HeadsetSession::readDefaultFiles()
{
    m_defaultFiles = readConfigFolder(m_options.defaultFileFolder);
    std::vector<uint16_t> accepted = m_options.acceptedProductIds;
    if (accepted.empty()) {
        for (quint16 id : productIdsOf(m_defaultFiles))
            accepted.push_back(id);
    }
    m_link.setAcceptedProductIds(accepted);
    if (m_defaultFiles.isEmpty())
        raise(Notice::Information, "prompt", "There is no default JSON file!",
              QStringLiteral("%1: no *.json file")
                  .arg(QDir::toNativeSeparators(m_options.defaultFileFolder)));
    for (const ConfigFileRead& file : m_defaultFiles) {
        if (!file.content.ok())
            raise(Notice::Critical, "Error", "Json File Is Error!", file.content.errorText);
    }
}

const ConfigReadResult* HeadsetSession::defaultFileOf(quint16 productId) const
{
    for (const ConfigFileRead& file : m_defaultFiles)
        if (file.content.productId() == productId)
            return &file.content;
    return nullptr;
}

QString HeadsetSession::unknownHeadsetProblem() const
{
    const std::vector<HidDeviceInfo> unknown = m_link.unacceptedHeadsets();
    if (unknown.empty())
        return {};
    const HidDeviceInfo& headset = unknown.front();
    const QString defaultFile = m_options.defaultFileFolder + QLatin1Char('/') +
                                defaultFileName(headset.vendorId, headset.productId);
    QString why = QStringLiteral("there is no default file %1").arg(defaultFile);
    for (const ConfigFileRead& file : m_defaultFiles)
        if (QFileInfo(file.path) == QFileInfo(defaultFile))
            why = file.content.ok()
                      ? QStringLiteral("its default file %1 names no product").arg(defaultFile)
                      : QStringLiteral("its default file cannot be used: %1")
                            .arg(file.content.errorText);
    return QStringLiteral("the headset at %1 (product %2) is not known: %3")
        .arg(QString::fromStdString(headset.path))
        .arg(headset.productId, 4, 16, QChar('0'))
        .arg(why);
}

// A headset without a default file would otherwise go unnoticed.
void HeadsetSession::reportUnknownHeadset()
{
    const QString problem = isOpen() ? QString() : unknownHeadsetProblem();
    if (problem.isEmpty() || problem == m_unknownHeadsetReported)
        return;
    m_unknownHeadsetReported = problem;
    raise(Notice::Warning, "warning", problem);
}

QString HeadsetSession::modelNameOf(quint16 productId) const
{
    return ::modelNameOf(productId, m_defaultFiles);
}

QString HeadsetSession::modelName() const
{
    return modelNameOf(m_link.productId());
}

bool HeadsetSession::pageOffered(SoundPage page) const
{
    if (!m_capabilities)
        return true;
    if (page == SoundPage::Stereo)
        return m_capabilities->stereo;
    // Model 1 reports no surround page and has one all the same.
    return m_capabilities->surround || headsetModelOf(m_link.productId()) == 1;
}

HeadsetBands HeadsetSession::bands(SoundPage page) const
{
    const quint16 productId = m_link.productId();
    const int sampleRate = m_capabilities ? m_capabilities->sampleRateHz : 0;
    if (const auto table = frame::peqQTable(m_unit.page(page).sentModeIndex, productId))
        return headsetBands(*table, sampleRate);
    // A standard mode whose table the headset keeps to itself.
    return headsetBands(customModeQTable(page, productId).value_or(frame::QTable{}), sampleRate);
}

ModeName HeadsetSession::modeName(SoundPage page) const
{
    if (!unitKnown())
        return {QStringLiteral("unknown"), {}};
    return m_unit.modeName(page);
}

// --- Opening and closing ---------------------------------------------------

void HeadsetSession::deviceArrived(const QString& interfacePath)
{
    debugLine(QStringLiteral("A device arrived: %1").arg(interfacePath));
    trace("DeviceInsert", "true", "nativeEvent");
    m_openRetriesLeft = kOpenRetries;
    takeOverHeadset();
}

void HeadsetSession::takeOverHeadset()
{
    const LinkOpened opened = openLink("InitDeviceInput");
    if (opened.ok()) {
        if (m_options.keepHeadsetInStep) {
            m_link.setMicVolume(kArrivalMicLevel);
            if (m_micLevel != kArrivalMicLevel) {
                m_micLevel = kArrivalMicLevel;
                emit micLevelChanged(kArrivalMicLevel);
            }
        }
        m_link.readAudioAndStatus();
        return;
    }
    if (opened.outcome != LinkOpened::Refused) {
        reportUnknownHeadset();
        return;
    }
    if (m_openRetriesLeft-- > 0) {
        m_openRetry.start();
        return;
    }
    const QString reason = QString::fromStdString(opened.reason);
    raise(Notice::Warning, "warning",
          tr("The headset at %1 cannot be opened.\n\n%2If your user may not use it, install "
             "the udev rule that comes with Velumix (70-velumix.rules) into "
             "/etc/udev/rules.d, then plug the headset in again.")
              .arg(QString::fromStdString(opened.path),
                   reason.isEmpty() ? QString() : reason + ".\n\n"));
}

LinkOpened HeadsetSession::openLink(const char* function)
{
    const LinkOpened opened = m_link.open();
    if (!opened.ok()) {
        trace("OpenDevice", opened.outcome == LinkOpened::Refused ? "false" : "noDevice", function);
        return opened;
    }
    trace("OpenDevice", "true", function);
    m_openRetry.stop();
    m_unknownHeadsetReported.clear();
    m_unitKnown = false;
    emit plugged();
    return opened;
}

void HeadsetSession::deviceRemoved(const QString& interfacePath)
{
    debugLine(QStringLiteral("A device went: %1").arg(interfacePath));
    trace("DeviceRemove", "true", "nativeEvent");
    // Any interface of the vendor going away closes the link, once; another
    // headset still plugged in then takes its place.
    if (isOpen() &&
        vendorDigitsOfInterfacePath(interfacePath).toUShort(nullptr, 16) == kHeadsetVendorId)
        closeLink();
    if (openLink("InitDeviceInput").ok())
        m_link.readAudioAndStatus();
}

void HeadsetSession::closeLink()
{
    m_openRetry.stop();
    m_link.close();
    dropUnsavedEdits();
    forgetRuleModes();
    m_unitKnown = false;
    m_capabilities.reset();
    m_firmwareVersion.clear();
    m_reportedPage.reset();
    m_noiseCancellation.reset();
    m_announcedModes = {};
    for (PageSettings& page : m_unit.pages)
        page.inForce = false;
    emit unplugged();
    emit capabilitiesChanged();
    for (SoundPage page : kSoundPages)
        emit pageChanged(page);
}

// A removal stores nothing: unsaved slider moves and renames are dropped, so
// that the unit gets its saved modes back when it returns, and its file stays
// as the person last saved it.
void HeadsetSession::dropUnsavedEdits()
{
    m_throttle.stop();
    m_editPending = {};
    for (SoundPage each : kSoundPages) {
        PageSettings& page = m_unit.page(each);
        if (!page.edited)
            continue;
        page.edited = false;
        page.editedName.clear();
        if (const std::optional<EqGains> saved = m_unit.savedGains(each, page.choice))
            page.gains = *saved;
    }
}

// --- Replies ---------------------------------------------------------------

void HeadsetSession::followCapabilities(const HeadsetCapabilities& capabilities)
{
    m_capabilities = capabilities;
    emit capabilitiesChanged();
    if (!pageOffered(m_pageShown) && pageOffered(otherPage(m_pageShown)))
        showPage(otherPage(m_pageShown));
}

void HeadsetSession::followStatus(const HeadsetStatus& status)
{
    m_reportedPage = status.page;
    // The first unit of a run always counts as a change, whatever identity
    // it reports, so that its file is read.
    const bool newUnit = !m_unitSeen || status.identity != m_unit.identity;
    const bool unitBefore = m_unitSeen;
    const bool knownBefore = m_unitKnown;
    if (newUnit)
        loadUnit(status.identity);
    m_unitKnown = true;
    const SoundPage shown = pageOffered(status.page) ? status.page : otherPage(status.page);
    // The page reported is applied last, so that it is the one in force.
    if (m_options.keepHeadsetInStep) {
        setPageShown(shown);
        reapply(otherPage(shown));
        QThread::msleep(kCommandGapMs);
        reapply(shown);
    } else {
        setPageShown(shown);
    }
    announceModes();
    if (!knownBefore)
        emit unitReady();
    if (newUnit && unitBefore && m_options.keepHeadsetInStep)
        raise(Notice::Information, "prompt", "Device Change!");
}

// Once the high bands are acknowledged, the headset is told which processing
// the page's equaliser belongs to.
void HeadsetSession::finishEqualiserUpload(int firstBand, int lastBand)
{
    if (firstBand != 5 || lastBand != kBandCount - 1)
        return;
    if (m_pageShown == SoundPage::Surround)
        m_link.setAlgorithmSwitch(1, 1, 0, m_unit.headsetModel == 1 ? 1 : 0);
    else
        m_link.setAlgorithmSwitch(1, 0, 0, 1);
}

// Everything kept of the previous unit is replaced from the new unit's own
// file; each page comes back to its own saved choice, else its standard
// preset.
void HeadsetSession::loadUnit(const DeviceIdentity& identity)
{
    UnitSettings unit;
    unit.vendorId = m_link.vendorId();
    unit.productId = m_link.productId();
    unit.identity = identity;
    unit.headsetModel = headsetModelOf(unit.productId);
    const ConfigReadResult* defaults = defaultFileOf(unit.productId);
    const QString defaultPath = m_options.defaultFileFolder + QLatin1Char('/') +
                                defaultFileName(unit.vendorId, unit.productId);
    unit.userFile = prepareUserFile(defaultPath, unit);
    const ConfigReadResult read = readConfigFile(unit.userFile);
    if (!read.ok()) {
        unit.fileProblem = read.errorText;
        // A file that could not be made from the default one was named
        // already; without a default file the reader names the missing one.
        const bool creationFailureNamed =
            read.error == ConfigError::NotFound && QFileInfo::exists(defaultPath);
        if (!creationFailureNamed)
            raise(Notice::Critical, "Error", "Json File Is Error!", read.errorText);
    } else {
        trace("Read Json File", "true", "readJsonFile");
        // What the file holds in a shape the program cannot use is named;
        // the file itself is left as it is.
        if (!read.shapeProblems.isEmpty()) {
            unit.fileProblem =
                QStringLiteral("%1: %2; those parts are not used")
                    .arg(unit.userFile, read.shapeProblems.join(QStringLiteral("; ")));
            raise(Notice::Critical, "Error", "Json File Is Error!", unit.fileProblem);
        }
        unit.customModes = read.customModes;
        unit.saved = read.record;
    }
    unit.presetEntries = {read.record.stereoPresets, read.record.surroundPresets};
    // The model's own presets stand in for a user file that lost them.
    for (SoundPage page : kSoundPages)
        if (unit.presetEntries[int(page)].isEmpty() && defaults)
            unit.presetEntries[int(page)] = page == SoundPage::Surround
                                                ? defaults->record.surroundPresets
                                                : defaults->record.stereoPresets;
    for (SoundPage each : kSoundPages) {
        PageSettings& page = unit.page(each);
        page.choice =
            unit.savedChoice(each).value_or(ModeChoice::ofPreset(standardPresetIndex(each)));
        page.gains = unit.savedGains(each, page.choice).value_or(EqGains{});
    }
    m_throttle.stop();
    m_editPending = {};
    m_personalChoices = {};
    m_personalPage.reset();
    m_unit = std::move(unit);
    m_unitSeen = true;
    m_announcedModes = {};
    emit unitChanged();
    for (SoundPage page : kSoundPages)
        emit pageChanged(page);
}

// The unit's file, created from the model's default file the first time
// the unit is seen.
QString HeadsetSession::prepareUserFile(const QString& defaultPath, const UnitSettings& unit)
{
    const QString folder = m_options.userFileFolder;
    QDir().mkpath(folder);
    // Saves cut short by a crash or a kill leave their temporary copies behind.
    for (const QString& leftover : removeStaleSaveLeftovers(folder))
        debugLine(QStringLiteral("Removed the leftover of an interrupted save: %1").arg(leftover));
    const QString path =
        folder + QLatin1Char('/') + userFileName(unit.vendorId, unit.productId, unit.identity);
    if (QFileInfo::exists(path))
        return path;
    if (!QFileInfo::exists(defaultPath)) {
        raise(Notice::Information, "prompt", "There is no default JSON file!",
              QStringLiteral("%1: no such file").arg(defaultPath));
        return path;
    }
    const ConfigWriteResult created = createUserFile(defaultPath, path, unit.identity);
    if (!created.ok())
        raise(Notice::Information, "warning", "JSON file generation failed!", created.errorText);
    return path;
}

// --- Choosing and sending --------------------------------------------------

Outcome HeadsetSession::needUnit() const
{
    if (!isOpen())
        return noHeadset();
    if (!m_unitKnown)
        return Outcome::failure(Outcome::NoUnit,
                                QStringLiteral("the headset has not said which unit it is yet"));
    return {};
}

void HeadsetSession::setPageShown(SoundPage page)
{
    if (page == m_pageShown)
        return;
    m_pageShown = page;
    emit pageShownChanged(page);
}

Outcome HeadsetSession::showPage(SoundPage page)
{
    if (!pageOffered(page))
        return Outcome::failure(
            Outcome::PageMissing,
            QStringLiteral("the headset has no %1 page").arg(soundPageName(page)));
    if (page == SoundPage::Stereo)
        trace("Stereo Clicked", "Open Spectrum", "on_TabWidget_Clicked");
    // Showing a page chooses nothing new: both pages' modes go to the
    // headset again, the page shown last. The headset first, then the
    // screen: a page shown for the first time takes the window a while to
    // build.
    const HeldChanges held(*this);
    if (unitKnown() && m_options.keepHeadsetInStep) {
        reapply(otherPage(page));
        QThread::msleep(kCommandGapMs);
        reapply(page);
    }
    setPageShown(page);
    announceModes();
    return {};
}

// Sends the page's choice once more. A custom mode comes back as saved: its
// unsaved edits go.
void HeadsetSession::reapply(SoundPage page)
{
    const ModeChoice choice = m_unit.page(page).choice;
    if (choice.kind != ModeChoice::CustomList)
        choose(page, choice, false);
}

Outcome HeadsetSession::choosePreset(int preset)
{
    if (preset < 0 || preset >= int(builtInPresets().size()))
        return Outcome::failure(Outcome::NotOffered, QStringLiteral("no such preset"));
    const SoundPage page = builtInPresets()[size_t(preset)].page;
    trace("mode Clicked", kPresetTraces[preset].click, kPresetTraces[preset].function);
    if (!isOpen()) {
        raise(Notice::Warning, "warning", "Please Insert Device!");
        return noHeadset();
    }
    if (const Outcome unit = needUnit(); !unit.ok())
        return unit;
    if (!m_unit.offersPreset(preset))
        return Outcome::failure(Outcome::NotOffered,
                                QStringLiteral("%1 has no preset %2")
                                    .arg(modelName(), builtInPresets()[size_t(preset)].caption));
    if (m_pageShown != page)
        if (const Outcome shown = showPage(page); !shown.ok())
            return shown;
    trace(kModeTraceTag[int(page)], kPresetTraces[preset].mode, kPresetTraces[preset].function);
    return choose(page, ModeChoice::ofPreset(preset), true);
}

Outcome HeadsetSession::openCustomList(SoundPage page)
{
    trace("mode Clicked", kCustomizeTrace[int(page)][1], kCustomizeTrace[int(page)][0]);
    if (const Outcome unit = needUnit(); !unit.ok())
        return unit;
    PageSettings& settings = m_unit.page(page);
    // The list is open already while a custom mode is chosen.
    if (settings.choice.kind != ModeChoice::Preset)
        return {};
    trace(kModeTraceTag[int(page)], "Custom Mode", kCustomizeTrace[int(page)][0]);
    settings.choice = ModeChoice::customList();
    takePersonalChoice(page);
    changed(page);
    return {};
}

Outcome HeadsetSession::chooseCustomMode(SoundPage page, int slot)
{
    if (const Outcome unit = needUnit(); !unit.ok())
        return unit;
    if (!m_unit.slotMode(page, slot))
        return Outcome::failure(Outcome::NotOffered,
                                QStringLiteral("the %1 page has no custom slot %2")
                                    .arg(soundPageName(page))
                                    .arg(slot + 1));
    if (m_pageShown != page)
        if (const Outcome shown = showPage(page); !shown.ok())
            return shown;
    traceLog("mode Clicked",
             QStringLiteral("%1 Custom%2")
                 .arg(page == SoundPage::Surround && slot == 0 ? QStringLiteral("Surround")
                                                               : QStringLiteral("Stereo"),
                      kSlotNumberNames[slot]),
             kUnit,
             QStringLiteral("on_RadioButton_%1_Custom%2_Clicked")
                 .arg(page == SoundPage::Surround ? "Surround" : "Stereo", kSlotNumberNames[slot]),
             0);
    return choose(page, ModeChoice::ofSlot(slot), true);
}

// The page takes the choice's saved gains and sends them; a person's choice
// is remembered in the unit's file.
Outcome HeadsetSession::choose(SoundPage page, const ModeChoice& choice, bool byPerson)
{
    PageSettings& settings = m_unit.page(page);
    settings.choice = choice;
    settings.edited = false;
    settings.editedName.clear();
    m_editPending[int(page)] = false;
    settings.gains = m_unit.savedGains(page, choice).value_or(settings.gains);
    if (choice.kind == ModeChoice::Preset)
        send(page, m_unit.presetModeIndex(choice.preset));
    else if (choice.kind == ModeChoice::Custom)
        send(page, m_unit.customModeIndex(page, choice.slot));
    const Outcome recorded = byPerson ? recordChoice(page) : Outcome{};
    if (byPerson)
        takePersonalChoice(page);
    changed(page);
    return recorded;
}

void HeadsetSession::send(SoundPage page, int modeIndex)
{
    trace("send PEQ Param", "start", "sendPEQParameter");
    PageSettings& settings = m_unit.page(page);
    settings.sentModeIndex = modeIndex;
    settings.inForce = m_link.sendPeqPair(1, modeIndex, settings.gains).ok();
}

Outcome HeadsetSession::editGain(SoundPage page, int band, int gain)
{
    if (const Outcome unit = needUnit(); !unit.ok())
        return unit;
    PageSettings& settings = m_unit.page(page);
    if (settings.choice.kind != ModeChoice::Custom)
        return Outcome::failure(Outcome::NotEditable,
                                QStringLiteral("copy the preset into a custom mode to change it"));
    if (band < 0 || band >= kBandCount)
        return Outcome::failure(Outcome::NotEditable, QStringLiteral("no such band"));
    gain = std::clamp(gain, kMinGain, kMaxGain);
    if (settings.gains[band] == gain)
        return {};
    settings.gains[band] = gain;
    if (!settings.edited) {
        settings.edited = true;
        settings.editedName = m_unit.slotMode(page, settings.choice.slot)->name;
    }
    // The first change goes at once; later ones wait for the throttle
    // period's end and then go with the latest gains.
    if (m_throttle.isActive()) {
        m_editPending[int(page)] = true;
    } else {
        send(page, m_unit.customModeIndex(page, settings.choice.slot, CustomSlotUse::Edited));
        m_throttle.start();
    }
    changed(page);
    return {};
}

void HeadsetSession::sendEdits()
{
    bool sent = false;
    for (SoundPage page : {SoundPage::Stereo, SoundPage::Surround}) {
        if (!std::exchange(m_editPending[int(page)], false))
            continue;
        const PageSettings& settings = m_unit.page(page);
        if (settings.choice.kind != ModeChoice::Custom || !isOpen())
            continue;
        send(page, m_unit.customModeIndex(page, settings.choice.slot, CustomSlotUse::Edited));
        sent = true;
    }
    if (sent)
        m_throttle.start();
}

Outcome HeadsetSession::renameCustomMode(SoundPage page, const QString& name)
{
    if (const Outcome unit = needUnit(); !unit.ok())
        return unit;
    PageSettings& settings = m_unit.page(page);
    if (settings.choice.kind != ModeChoice::Custom)
        return Outcome::failure(Outcome::NotEditable, QStringLiteral("no custom mode is chosen"));
    settings.edited = true;
    settings.editedName = name;
    changed(page);
    return {};
}

Outcome HeadsetSession::saveCustomMode(SoundPage page)
{
    if (const Outcome unit = needUnit(); !unit.ok())
        return unit;
    PageSettings& settings = m_unit.page(page);
    if (settings.choice.kind != ModeChoice::Custom)
        return {};
    const int slot = settings.choice.slot;
    const CustomRecord saved = *m_unit.slotMode(page, slot);
    const QString name = settings.edited ? settings.editedName : saved.name;
    if (const QString problem = modeNameProblem(name); name != saved.name && !problem.isEmpty()) {
        settings.editedName = saved.name;
        changed(page);
        raise(Notice::Warning, "warning", problem);
        return Outcome::failure(Outcome::BadName, problem);
    }
    // A mode may not be saved under a name another mode of the page has;
    // names that were alike before (an older file) stay.
    if (name != saved.name && m_unit.nameTaken(page, name, slot)) {
        settings.editedName = saved.name;
        changed(page);
        const QString refusal = tr("Another custom mode of this page is already called \"%1\". "
                                   "Please choose another name.")
                                    .arg(name);
        raise(Notice::Warning, "warning", refusal);
        return Outcome::failure(Outcome::NameTaken, refusal);
    }
    const CustomRecord mode{algorithmOfPage(page), name, gainsToText(settings.gains)};
    trace("Save Mode", kSaveTraceStep[int(page)], "on_PushButton_CustomSave_Clicked");
    if (const Outcome written = saveCustomModes(m_unit.withSlotReplaced(page, slot, mode));
        !written.ok())
        return written;
    // The page's slots keep their order, so the mode keeps its slot.
    settings.edited = false;
    settings.editedName.clear();
    const Outcome recorded = recordChoice(page);
    changed(page);
    return recorded;
}

Outcome HeadsetSession::resetCustomMode(SoundPage page)
{
    if (const Outcome unit = needUnit(); !unit.ok())
        return unit;
    PageSettings& settings = m_unit.page(page);
    if (settings.choice.kind != ModeChoice::Custom)
        return {};
    m_editPending[int(page)] = false;
    settings.edited = false;
    settings.editedName.clear();
    settings.gains = *m_unit.savedGains(page, settings.choice);
    send(page, m_unit.customModeIndex(page, settings.choice.slot, CustomSlotUse::Edited));
    changed(page);
    return {};
}

Outcome HeadsetSession::addCustomMode(SoundPage page, const EqGains& gains, const QString& name)
{
    if (const Outcome unit = needUnit(); !unit.ok())
        return unit;
    if (!pageOffered(page))
        return Outcome::failure(Outcome::PageMissing,
                                QStringLiteral("the %1 page is not available on this headset")
                                    .arg(soundPageName(page)));
    const QString modeName = name.isEmpty() ? m_unit.unusedNewModeName(page) : name;
    if (const QString problem = modeNameProblem(modeName); !problem.isEmpty())
        return Outcome::failure(Outcome::BadName, problem);
    if (const QString problem = customModeRoomProblem(m_unit.customModes, page, modeName);
        !problem.isEmpty())
        return Outcome::failure(
            m_unit.nameTaken(page, modeName) ? Outcome::NameTaken : Outcome::NoRoom, problem);
    if (m_pageShown != page)
        if (const Outcome shown = showPage(page); !shown.ok())
            return shown;
    const int slot = m_unit.slotCount(page);
    const CustomRecord mode{algorithmOfPage(page), modeName, gainsToText(headsetGains(gains))};
    if (const Outcome written = saveCustomModes(m_unit.withModeAdded(page, mode)); !written.ok())
        return written;
    trace("Save Mode", kSaveTraceStep[int(page)], "on_PushButton_CustomSave_Clicked");
    return choose(page, ModeChoice::ofSlot(slot), true);
}

Outcome HeadsetSession::copyToNewMode(SoundPage page)
{
    return addCustomMode(page, m_unit.page(page).gains);
}

Outcome HeadsetSession::deleteCustomMode(SoundPage page)
{
    if (const Outcome unit = needUnit(); !unit.ok())
        return unit;
    const PageSettings& settings = m_unit.page(page);
    if (settings.choice.kind != ModeChoice::Custom)
        return Outcome::failure(Outcome::NotEditable, QStringLiteral("no custom mode is chosen"));
    if (const Outcome written = saveCustomModes(m_unit.withSlotRemoved(page, settings.choice.slot));
        !written.ok())
        return written;
    keepSavedChoiceExisting(page);
    if (m_unit.slotCount(page) > 0) {
        choose(page, ModeChoice::ofSlot(0), false);
    } else {
        m_unit.page(page).choice = ModeChoice::customList();
        m_unit.page(page).edited = false;
        changed(page);
    }
    return {};
}

// After a delete the saved choice must still name a mode that exists: when
// the page's saved custom mode went, the page's first mode or, with none
// left, its standard preset takes its place.
void HeadsetSession::keepSavedChoiceExisting(SoundPage page)
{
    const ConfigRecord& saved = m_unit.saved;
    const std::optional<PageModeRecord>& own = saved.pageModes[int(page)];
    const bool ownGone =
        own && own->mode == QLatin1String(kModeCustom) && !m_unit.savedChoice(page);
    const auto shown = [&](const QString& name) {
        for (int slot = 0; slot < m_unit.slotCount(page); ++slot)
            if (m_unit.slotMode(page, slot)->name == name)
                return true;
        return false;
    };
    const bool lastGone = saved.algorithm == QLatin1String(algorithmOfPage(page)) &&
                          saved.mode == QLatin1String(kModeCustom) && !shown(saved.name);
    if (!ownGone && !lastGone)
        return;
    const ModeChoice replacement = m_unit.slotCount(page) > 0
                                       ? ModeChoice::ofSlot(0)
                                       : ModeChoice::ofPreset(standardPresetIndex(page));
    writeChoice(page, m_unit.recordOf(page, replacement));
}

// The mode a person chose and the headset received becomes the page's saved
// choice and the last choice overall, so that a replug or a restart shows
// and sends it again. The file is written only when that changes.
Outcome HeadsetSession::recordChoice(SoundPage page)
{
    if (!isOpen())
        return {};
    const PageModeRecord record = m_unit.recordOf(page, m_unit.page(page).choice);
    const ConfigRecord& saved = m_unit.saved;
    const bool sameLast = saved.algorithm == QLatin1String(algorithmOfPage(page)) &&
                          saved.mode == record.mode && saved.name == record.name;
    if (sameLast && saved.pageModes[int(page)] == record)
        return {};
    return writeChoice(page, record);
}

// A choice that could not be stored is in force all the same; the person is
// told that a restart will not bring it back, and which file failed and why.
Outcome HeadsetSession::writeChoice(SoundPage page, const PageModeRecord& record)
{
    trace("Write Json File", "currentMode", "writeJsonFile");
    const ConfigWriteResult written = updateConfigFile(m_unit.userFile, [&](QJsonObject& root) {
        setCurrentMode(root, algorithmOfPage(page), record.mode, record.name);
        setPageMode(root, page, record.mode, record.name);
    });
    if (!written.ok()) {
        trace("Write Json File", "fail", "writeJsonFile");
        // A file found broken when the unit came was named then; each choice
        // does not say it again.
        if (m_unit.fileProblem.isEmpty())
            raise(Notice::Critical, "Error", "Json File Save Error!", written.errorText);
        return Outcome::failure(Outcome::SaveFailed, written.errorText);
    }
    trace("Write Json File", "Success", "writeJsonFile");
    m_unit.saved.algorithm = algorithmOfPage(page);
    m_unit.saved.mode = record.mode;
    m_unit.saved.name = record.name;
    m_unit.saved.pageModes[int(page)] = record;
    return {};
}

// Stores the list of custom modes. When that fails, the person is told which
// file and why, and the list stays what the file holds, so that no mode
// looks saved that a restart would not bring back.
Outcome HeadsetSession::saveCustomModes(const QList<CustomRecord>& modes)
{
    trace("Write Json File", "customMode", "writeJsonFile");
    const ConfigWriteResult written =
        updateConfigFile(m_unit.userFile, [&](QJsonObject& root) { setCustomModes(root, modes); });
    if (!written.ok()) {
        trace("Write Json File", "fail", "writeJsonFile");
        raise(Notice::Critical, "Error", "Json File Save Error!", written.errorText);
        return Outcome::failure(Outcome::SaveFailed, written.errorText);
    }
    trace("Write Json File", "Success", "writeJsonFile");
    m_unit.customModes = modes;
    return {};
}

void HeadsetSession::changed(SoundPage page)
{
    if (m_changesHeld > 0) {
        m_heldChanges[int(page)] = true;
        return;
    }
    emit pageChanged(page);
    announceModes();
}

void HeadsetSession::announceModes()
{
    if (!unitKnown() || m_changesHeld > 0)
        return;
    for (SoundPage page : kSoundPages) {
        const ModeName mode = m_unit.modeName(page);
        if (m_announcedModes[int(page)] == mode)
            continue;
        m_announcedModes[int(page)] = mode;
        emit modeChanged(page, mode);
    }
}

// --- Automatic modes -------------------------------------------------------

Outcome HeadsetSession::applyRuleMode(SoundPage page, const ModeChoice& choice)
{
    if (const Outcome unit = needUnit(); !unit.ok())
        return unit;
    if (!pageOffered(page))
        return Outcome::failure(
            Outcome::PageMissing,
            QStringLiteral("the headset has no %1 page").arg(soundPageName(page)));
    if (!m_personalPage)
        m_personalPage = m_pageShown;
    std::optional<ModeChoice>& own = m_personalChoices[int(page)];
    if (!own)
        own = m_unit.page(page).choice;
    // The rule's mode is chosen before its page is shown, so that showing
    // the page sends it in its place in the page's order.
    const HeldChanges held(*this);
    const Outcome chosen = choose(page, choice, false);
    if (m_pageShown != page)
        if (const Outcome shown = showPage(page); !shown.ok())
            return shown;
    return chosen;
}

bool HeadsetSession::ruleModeInForce() const
{
    return m_personalPage.has_value();
}

void HeadsetSession::endRuleModes()
{
    if (!m_personalPage)
        return;
    const SoundPage ownPage = *std::exchange(m_personalPage, std::nullopt);
    const auto own = std::exchange(m_personalChoices, {});
    if (!unitKnown())
        return;
    const HeldChanges held(*this);
    for (SoundPage page : {otherPage(ownPage), ownPage}) {
        if (!own[int(page)])
            continue;
        // A page the person left on the custom list gets the mode its file names.
        ModeChoice choice = *own[int(page)];
        // A custom mode deleted meanwhile gives way to what the file names.
        const bool gone =
            (choice.kind == ModeChoice::Custom && !m_unit.slotMode(page, choice.slot)) ||
            (choice.kind == ModeChoice::Preset && !m_unit.offersPreset(choice.preset));
        if (choice.kind == ModeChoice::CustomList || gone)
            choice =
                m_unit.savedChoice(page).value_or(ModeChoice::ofPreset(standardPresetIndex(page)));
        choose(page, choice, false);
        QThread::msleep(kCommandGapMs);
    }
    if (m_pageShown != ownPage)
        showPage(ownPage);
}

// The headset went: what it comes back to is the person's own.
void HeadsetSession::forgetRuleModes()
{
    m_personalPage.reset();
    for (SoundPage page : kSoundPages) {
        const std::optional<ModeChoice> own = std::exchange(m_personalChoices[int(page)], {});
        if (!own)
            continue;
        PageSettings& settings = m_unit.page(page);
        settings.choice = *own;
        settings.gains = m_unit.savedGains(page, *own).value_or(settings.gains);
    }
}

// The person's choice on the page replaces what a rule put there: it is
// theirs now, and stays when the rule ends; the page is the one they show.
void HeadsetSession::takePersonalChoice(SoundPage page)
{
    if (!m_personalPage)
        return;
    m_personalChoices[int(page)].reset();
    m_personalPage = page;
    emit personChose(page);
}

// --- The microphone --------------------------------------------------------

Outcome HeadsetSession::setMicLevel(int level)
{
    level = std::clamp(level, 0, 100);
    const LinkWritten written = m_link.setMicVolume(level);
    if (m_micLevel != level) {
        m_micLevel = level;
        emit micLevelChanged(level);
    }
    if (isOpen() && !written.ok())
        return Outcome::failure(Outcome::WriteFailed, QString::fromStdString(written.reason));
    return {};
}

Outcome HeadsetSession::setNoiseCancellation(bool on)
{
    const LinkWritten written = m_link.setAlgorithmSwitch(1, 0, on ? 1 : 2, 0);
    trace("MicENC Switch", on ? "Open ENC" : "CLose ENC", "On_Button_MousePressEvent");
    if (m_noiseCancellation != on) {
        m_noiseCancellation = on;
        emit noiseCancellationChanged(on);
    }
    if (isOpen() && !written.ok())
        return Outcome::failure(Outcome::WriteFailed, QString::fromStdString(written.reason));
    return {};
}

void HeadsetSession::raise(Notice::Kind kind, const QString& title, const QString& text,
                           const QString& detail)
{
    debugLine(detail.isEmpty() ? text : text + QLatin1Char(' ') + detail);
    emit notice(Notice{kind, title, text, detail});
}

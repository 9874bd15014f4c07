#include "HeadsetRig.h"

#include "ConfigRecord.h"
#include "DataFolder.h"
#include "UsbHidOperation.h"
#include "WidgetTables.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QStandardPaths>
#include <QTabBar>

#include <algorithm>

namespace {

constexpr int kDeadlineMs = 10000;
// The window prints this first whenever it handles a reply.
const QString kReplyHandledLine = QStringLiteral("SLOT::Read Cmd!");

// Requests the headset answers with a reply the window handles.
bool answeredWithSignal(const Frame& frame)
{
    if (frame.size() <= size_t(frame::kCodeOffset))
        return false;
    const uint8_t code = frame[frame::kCodeOffset];
    return code == frame::ReadAudio || code == frame::SetPeq || code == frame::ReadStatus;
}

bool usable(QWidget* widget)
{
    if (widget->isVisibleTo(widget->window()) && widget->isEnabled())
        return true;
    qWarning("%s is %s", qPrintable(widget->objectName()),
             widget->isEnabled() ? "hidden" : "disabled");
    return false;
}

} // namespace

QString algorithmOf(SoundPage page)
{
    return page == SoundPage::Surround ? "Surround" : "Stereo";
}

PageControls pageControls(Velumix& window, SoundPage page)
{
    VelumixClass& ui = window.ui;
    if (page == SoundPage::Surround)
        return {page,
                "Surround",
                0,
                ui.radioButton_Surround_Customize,
                ui.pushButton_Surround_CustomAdd,
                ui.lineEdit_23,
                ui.pushButton_CustomReset,
                ui.pushButton_CustomSave,
                widgets(ui, kSurroundCustomRadios),
                widgets(ui, kSurroundCustomDeleteButtons),
                ui.pushButton_Surround_CustomClear,
                {ui.label_33, ui.pushButton_6, ui.pushButton_7},
                ui.pushButton_6,
                widgets(ui, kSurroundBandSliders)};
    return {page,
            "Stereo",
            1,
            ui.radioButton_Stereo_Customize,
            ui.pushButton_Stereo_CustomAdd,
            ui.lineEdit_15,
            ui.pushButton_CustomReset2,
            ui.pushButton_CustomSave2,
            widgets(ui, kStereoCustomRadios),
            widgets(ui, kStereoCustomDeleteButtons),
            ui.pushButton_Stereo_CustomClear,
            {ui.label_34, ui.pushButton_10, ui.pushButton_11},
            ui.pushButton_10,
            widgets(ui, kStereoBandSliders)};
}

EqGains sliderGains(const PageControls& controls)
{
    EqGains gains{};
    for (int band = 0; band < kBandCount; ++band)
        gains[band] = controls.sliders[band]->value();
    return gains;
}

QStringList visibleSlotTexts(const PageControls& controls)
{
    QStringList texts;
    for (QRadioButton* slot : controls.customSlots)
        if (slot->isVisibleTo(slot->window()))
            texts << slot->text();
    return texts;
}

int checkedSlot(const PageControls& controls)
{
    for (size_t slot = 0; slot < controls.customSlots.size(); ++slot)
        if (controls.customSlots[slot]->isChecked())
            return int(slot) + 1;
    return 0;
}

HeadsetRig::HeadsetRig()
{
    // Handled replies are counted from the window's debug lines.
    QLoggingCategory::setFilterRules(QStringLiteral("velumix.*.debug=true"));
    link.context.hotplugSource = &hotplug;
}

HeadsetRig::~HeadsetRig()
{
    m_window.reset();
}

// Each reply the window handles writes this debug line once.
int HeadsetRig::repliesHandled() const
{
    return m_log.debugLineCount(kReplyHandledLine);
}

int HeadsetRig::addUnit(quint16 productId, DeviceIdentity identity, bool plugged)
{
    const int unit = link.addHeadset(productId, identity);
    if (!plugged)
        link.backend.unplug(unit);
    return unit;
}

bool HeadsetRig::start()
{
    m_window = std::make_unique<Velumix>();
    m_window->show();
    if (!QTest::qWaitForWindowExposed(m_window.get()))
        return false;
    Velumix& window = *m_window;
    if (!QTest::qWaitFor([&window] { return window.m_identitySeen == 1; }, kDeadlineMs)) {
        qWarning("the window took no status reply as the arrival of a unit");
        return false;
    }
    return settle();
}

bool HeadsetRig::startWith(quint16 productId, DeviceIdentity identity)
{
    addUnit(productId, identity);
    return start();
}

void HeadsetRig::stop()
{
    settle();
    m_window.reset();
}

void HeadsetRig::plugIn(int unit)
{
    link.backend.plug(unit);
    for (const std::string& path : link.backend.interfacePaths(unit))
        hotplug.arrive(QString::fromStdString(path));
}

void HeadsetRig::pullOut(int unit)
{
    // Replies still on their way would be lost with the link.
    settle();
    link.backend.unplug(unit);
    for (const std::string& path : link.backend.interfacePaths(unit))
        hotplug.remove(QString::fromStdString(path));
}

int HeadsetRig::answeredRequestsWritten() const
{
    const Frames written = frames();
    return m_answeredRequestsCleared +
           int(std::count_if(written.begin(), written.end(), answeredWithSignal));
}

bool HeadsetRig::settle()
{
    const bool settled = QTest::qWaitFor(
        [this] { return repliesHandled() == answeredRequestsWritten(); }, kDeadlineMs);
    if (!settled)
        qWarning("%d replies handled for %d requests", repliesHandled(), answeredRequestsWritten());
    return settled;
}

bool HeadsetRig::press(QAbstractButton* button)
{
    if (!usable(button))
        return false;
    button->click();
    return true;
}

bool HeadsetRig::clickTab(int index)
{
    QTabBar* bar = m_window->ui.tabWidget->tabBar();
    if (!bar->isTabEnabled(index)) {
        qWarning("tab %d is disabled", index);
        return false;
    }
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
    return true;
}

bool HeadsetRig::typeName(QLineEdit* nameBox, const QString& text)
{
    if (!usable(nameBox))
        return false;
    QTest::mouseClick(nameBox, Qt::LeftButton);
    QTest::keyClick(nameBox, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(nameBox, text);
    return true;
}

// The signals of a mouse drag of the handle: pressed, moved, released.
bool HeadsetRig::drag(QSlider* slider, int value)
{
    if (!usable(slider))
        return false;
    slider->setSliderDown(true);
    slider->setSliderPosition(value);
    slider->setSliderDown(false);
    return true;
}

bool HeadsetRig::dragTo(const PageControls& controls, const EqGains& gains)
{
    for (int band = 0; band < kBandCount; ++band)
        if (!drag(controls.sliders[band], gains[band]))
            return false;
    return true;
}

Frames HeadsetRig::frames() const
{
    return link.frames();
}

Frames HeadsetRig::framesWithCode(uint8_t code) const
{
    Frames result;
    for (const Frame& frame : frames())
        if (frame.size() > size_t(frame::kCodeOffset) && frame[frame::kCodeOffset] == code)
            result.push_back(frame);
    return result;
}

void HeadsetRig::clearFrames()
{
    m_answeredRequestsCleared = answeredRequestsWritten();
    link.backend.clearReceivedFrames();
}

Frame algorithmSwitch(const std::array<uint8_t, 6>& payload)
{
    return bytesOf(frame::buildCommand(frame::kLongCommand, frame::SetAlgorithmSwitch,
                                       payload.data(), int(payload.size())));
}

bool containsRun(const Frames& frames, const Frames& run)
{
    return std::search(frames.begin(), frames.end(), run.begin(), run.end()) != frames.end();
}

Frames lastPeqPair(const HeadsetRig& rig)
{
    const Frames peq = rig.framesWithCode(frame::SetPeq);
    if (peq.size() < 2)
        return peq;
    return Frames(peq.end() - 2, peq.end());
}

QString userFilePath(quint16 productId, const DeviceIdentity& identity)
{
    const QString identityDigits =
        QString::asprintf("%02x%02x%02x%02x", identity[0], identity[1], identity[2], identity[3]);
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + "/" +
           QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() + "/UserFile/" +
           QString::asprintf("VID-3206&PID-%04x&UUID-", productId) + identityDigits + ".json";
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QJsonObject readJsonFile(const QString& path)
{
    return QJsonDocument::fromJson(fileBytes(path)).object();
}

QJsonObject shippedDefault(quint16 productId)
{
    const QString path =
        dataFolder() + QString::asprintf("/DefaultFile/VID-3206&PID-%04x.json", productId);
    const QJsonObject root = readJsonFile(path);
    if (root.isEmpty())
        qFatal("no shipped default file %s", qPrintable(path));
    return root;
}

EqGains shippedPresetGains(quint16 productId, const QString& algorithm, const QString& name)
{
    const QJsonObject presets = shippedDefault(productId).value("defaultMode").toObject();
    for (const QJsonValue& value : presets) {
        const QJsonObject preset = value.toObject();
        if (preset.value("algorithm").toString() != algorithm ||
            preset.value("name").toString() != name)
            continue;
        return gainsOf(preset.value("parameter").toString());
    }
    qFatal("the default file of %04x has no %s preset %s", productId, qPrintable(algorithm),
           qPrintable(name));
}

QString gainText(const EqGains& gains)
{
    QStringList fields;
    for (int gain : gains)
        fields << QString::number(gain);
    return fields.join(',');
}

EqGains gainsOf(const QString& parameter)
{
    const QStringList fields = parameter.split(',');
    EqGains gains{};
    for (int band = 0; band < kBandCount && band < fields.size(); ++band)
        gains[band] = fields[band].toInt();
    return gains;
}

CustomRecord customMode(const QString& algorithm, const QString& name, const EqGains& gains)
{
    return {algorithm, name, gainText(gains)};
}

QJsonObject currentMode(const QString& algorithm, const QString& mode, const QString& name)
{
    return {{"algorithm", algorithm}, {"mode", mode}, {"name", name}};
}

void prepareUserFile(quint16 productId, const DeviceIdentity& identity,
                     const QList<CustomRecord>& modes, const std::optional<QJsonObject>& mode)
{
    QJsonObject root = shippedDefault(productId);
    root.insert("uuid", QString::asprintf("%02x%02x%02x%02x", identity[0], identity[1], identity[2],
                                          identity[3]));
    QJsonArray array;
    for (const CustomRecord& record : modes)
        array.append(QJsonObject{{"algorithm", record.algorithm},
                                 {"name", record.name},
                                 {"parameter", record.parameter}});
    root.insert("customMode", array);
    if (mode)
        root.insert("mode", *mode);
    const QString path = userFilePath(productId, identity);
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(root).toJson()) < 0)
        qFatal("cannot write %s", qPrintable(path));
}

QStringList described(const QList<CustomRecord>& modes)
{
    QStringList lines;
    for (const CustomRecord& record : modes)
        lines << record.algorithm + " | " + record.name + " | " + record.parameter;
    return lines;
}

QList<CustomRecord> customRecordsInFile(const QString& path)
{
    QList<CustomRecord> modes;
    for (const QJsonValue& value : readJsonFile(path).value("customMode").toArray()) {
        const QJsonObject object = value.toObject();
        modes << CustomRecord{object.value("algorithm").toString(), object.value("name").toString(),
                              object.value("parameter").toString()};
    }
    return modes;
}

QStringList customModesInFile(const QString& path)
{
    return described(customRecordsInFile(path));
}

QString described(const QJsonObject& object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

QString savedModeInFile(const QString& path)
{
    return described(readJsonFile(path).value("mode").toObject());
}

namespace QTest {
template <> char* toString(const EqGains& gains)
{
    return qstrdup(gainText(gains).toUtf8().constData());
}
} // namespace QTest

#include "PresenceRig.h"

#include "ConfigNames.h"
#include "ConfigReader.h"
#include "DataFolder.h"
#include "TraceLog.h"
#include "UsbHidOperation.h"
#include "WidgetTables.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>

#include <algorithm>

int WatchedBackend::readTimeout(HidDevice* device, uint8_t* data, size_t length, int milliseconds)
{
    {
        const std::lock_guard lock(m_readersMutex);
        QThread* current = QThread::currentThread();
        const bool known = std::any_of(
            m_readers.begin(), m_readers.end(),
            [current](const QPointer<QThread>& reader) { return reader.data() == current; });
        if (!known)
            m_readers.emplace_back(current);
    }
    return SimulatedHidBackend::readTimeout(device, data, length, milliseconds);
}

void WatchedBackend::close(HidDevice* device)
{
    {
        const std::lock_guard lock(m_readersMutex);
        for (const QPointer<QThread>& reader : m_readers)
            if (reader && reader->isRunning())
                ++m_closesWhileReaderRuns;
    }
    SimulatedHidBackend::close(device);
}

PresenceRig::PresenceRig()
{
    link.hotplugSource = &hotplug;
    usbHidCloseDevice();
}

PresenceRig::~PresenceRig()
{
    m_window.reset();
    usbHidCloseDevice();
}

int PresenceRig::addHeadset(quint16 productId, bool plugged, DeviceIdentity identity)
{
    HeadsetSettings settings;
    settings.productId = productId;
    settings.identity = identity;
    const int unit = backend.addHeadset(settings);
    // Replies would start the window's reply handling; these tests look only
    // at what the window sends on its own.
    backend.firmware(unit).faults().silent = true;
    if (!plugged)
        backend.unplug(unit);
    return unit;
}

int PresenceRig::addForeignDevice(quint16 vendorId, quint16 productId)
{
    HeadsetSettings settings;
    settings.productId = productId;
    const int unit =
        backend.addHeadset(settings, SimulatedHidBackend::headsetInterfaces(), vendorId);
    backend.firmware(unit).faults().silent = true;
    backend.unplug(unit);
    return unit;
}

Velumix& PresenceRig::buildWindow()
{
    m_window = std::make_unique<Velumix>();
    return *m_window;
}

void PresenceRig::plugIn(int unit)
{
    backend.plug(unit);
    for (const std::string& path : backend.interfacePaths(unit))
        hotplug.arrive(QString::fromStdString(path));
}

void PresenceRig::pullOut(int unit)
{
    backend.unplug(unit);
    for (const std::string& path : backend.interfacePaths(unit))
        hotplug.remove(QString::fromStdString(path));
}

Frames PresenceRig::frames() const
{
    Frames result;
    for (const auto& received : backend.receivedFrames())
        result.push_back(received.bytes);
    return result;
}

Frames PresenceRig::framesWithCode(uint8_t code) const
{
    Frames result;
    for (const Frame& frame : frames())
        if (frame.size() > frame::kCodeOffset && frame[frame::kCodeOffset] == code)
            result.push_back(frame);
    return result;
}

QStringList PresenceRig::boxes() const
{
    return m_boxes.boxes();
}

int PresenceRig::debugLineCount(const QString& text) const
{
    return m_log.debugLineCount(text);
}

QStringList PresenceRig::traceSteps(const QString& tag) const
{
    QFile log(traceLogFilePath());
    if (!log.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    // A record reads "tag : step\t\t(unit - function ... line);".
    const QString prefix = tag + " : ";
    QStringList steps;
    for (const QString& line : QString::fromLatin1(log.readAll()).split('\n'))
        if (line.startsWith(prefix))
            steps.append(line.mid(prefix.size()).section('\t', 0, 0));
    return steps;
}

QString shippedDefaultFile(quint16 productId)
{
    return dataFolder() + "/" + kDefaultFileFolder + "/" +
           defaultFileName(kHeadsetVendorId, productId);
}

EqGains shippedPresetGains(quint16 productId, const QString& algorithm, const QString& name)
{
    QFile file(shippedDefaultFile(productId));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("no shipped default file %s", qPrintable(file.fileName()));
    const QJsonObject presets =
        QJsonDocument::fromJson(file.readAll()).object().value("defaultMode").toObject();
    for (const QJsonValue& value : presets) {
        const QJsonObject preset = value.toObject();
        if (preset.value("algorithm").toString() != algorithm ||
            preset.value("name").toString() != name)
            continue;
        const QStringList fields = preset.value("parameter").toString().split(',');
        EqGains gains{};
        for (int band = 0; band < kBandCount && band < fields.size(); ++band)
            gains[band] = fields[band].toInt();
        return gains;
    }
    qFatal("%s has no %s preset named %s", qPrintable(file.fileName()), qPrintable(algorithm),
           qPrintable(name));
}

ConfigRecord shippedConfig(quint16 productId)
{
    const ConfigReadResult read = readConfigFile(shippedDefaultFile(productId));
    if (!read.ok())
        qFatal("%s", qPrintable(read.errorText));
    return read.record;
}

EqGains sliderGains(Velumix& window, SoundPage page)
{
    const auto& table = page == SoundPage::Surround ? kSurroundBandSliders : kStereoBandSliders;
    EqGains gains{};
    const auto sliders = widgets(window.ui, table);
    for (int band = 0; band < kBandCount; ++band)
        gains[band] = sliders[band]->value();
    return gains;
}

namespace {

// Siblings only: raise() and lower() reorder the parent's children.
bool isAbove(const QWidget* upper, const QWidget* lower)
{
    const QObjectList& siblings = upper->parentWidget()->children();
    return siblings.indexOf(const_cast<QWidget*>(upper)) >
           siblings.indexOf(const_cast<QWidget*>(lower));
}

bool startWidgetsAboveMain(Velumix& window, bool above)
{
    const VelumixClass& ui = window.ui;
    for (const QWidget* startWidget : std::initializer_list<const QWidget*>{
             ui.label_DefaultBackground, ui.label_DefaultHead, ui.pushButton_DefaultClose})
        if (isAbove(startWidget, ui.tabWidget) != above)
            return false;
    return true;
}

} // namespace

bool mainScreenInFront(Velumix& window)
{
    return window.m_panelMode == 1 && startWidgetsAboveMain(window, false) &&
           window.ui.label_Head->isVisibleTo(&window);
}

bool startScreenInFront(Velumix& window)
{
    return window.m_panelMode == 0 && startWidgetsAboveMain(window, true) &&
           !window.ui.label_Head->isVisibleTo(&window);
}

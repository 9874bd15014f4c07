#include "UnitFiles.h"

#include "ConfigNames.h"
#include "ConfigReader.h"
#include "DataFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QStandardPaths>

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

QString shippedDefaultFile(quint16 productId)
{
    return dataFolder() + "/" + kDefaultFileFolder + "/" +
           defaultFileName(kHeadsetVendorId, productId);
}

QJsonObject shippedDefault(quint16 productId)
{
    const QString path = shippedDefaultFile(productId);
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

ConfigRecord shippedConfig(quint16 productId)
{
    const ConfigReadResult read = readConfigFile(shippedDefaultFile(productId));
    if (!read.ok())
        qFatal("%s", qPrintable(read.errorText));
    return read.record;
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

#pragma once
// The configuration files of headset units: the shipped default file of each
// model and a unit's user file, read and prepared the way the program keeps
// them.

#include "ConfigRecord.h"
#include "Vocabulary.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

QString userFilePath(quint16 productId, const DeviceIdentity& identity);
QJsonObject readJsonFile(const QString& path);
QByteArray fileBytes(const QString& path);
// The shipped default file of a model, as the program reads it beside itself.
QString shippedDefaultFile(quint16 productId);
QJsonObject shippedDefault(quint16 productId);
ConfigRecord shippedConfig(quint16 productId);
// Reads the gains of the preset of that page and stored name straight from the
// shipped file's JSON, independent of the order the program lists them in.
EqGains shippedPresetGains(quint16 productId, const QString& algorithm, const QString& name);
QString gainText(const EqGains& gains);
EqGains gainsOf(const QString& parameter);
CustomRecord customMode(const QString& algorithm, const QString& name, const EqGains& gains);
QJsonObject currentMode(const QString& algorithm, const QString& mode, const QString& name);
// A unit's user file as the program would have left it: the shipped default
// file with the unit's identity, these custom modes and this saved mode.
void prepareUserFile(quint16 productId, const DeviceIdentity& identity,
                     const QList<CustomRecord>& modes,
                     const std::optional<QJsonObject>& mode = std::nullopt);
// "Surround | name | parameter" for each record, so that failures read well.
QStringList described(const QList<CustomRecord>& modes);
QList<CustomRecord> customRecordsInFile(const QString& path);
QStringList customModesInFile(const QString& path);
QString savedModeInFile(const QString& path);
QString described(const QJsonObject& object);

#pragma once

#include "ConfigDocument.h"
#include "ConfigRecord.h"

#include <QFlags>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The scalar fields of a ConfigRecord that a file set (lists have no flag:
// they are simply empty when the file has nothing for them).
enum ConfigField
{
    VendorIdField = 0x01,
    ProductIdField = 0x02,
    IdentityField = 0x04,
    ModeField = 0x08,
    AlgorithmField = 0x10,
    NameField = 0x20,
};
Q_DECLARE_FLAGS(ConfigFields, ConfigField)
Q_DECLARE_OPERATORS_FOR_FLAGS(ConfigFields)

// What one configuration file says.
struct ConfigReadResult
{
    // None: the file is valid JSON. Otherwise NotFound, Unreadable, TooLarge or
    // InvalidJson, with a one-line errorText, and nothing else is filled in.
    ConfigError error = ConfigError::None;
    QString errorText;
    // False for valid JSON whose root is an array: such a file says nothing.
    bool rootIsObject = false;
    // What of a valid document has a shape the program cannot use, one line
    // each ("the document is not a JSON object", "\"pid\" is not a string");
    // those parts are skipped.
    QStringList shapeProblems;
    // A default file's "model" member: the model's name as people know it.
    QString modelName;
    // Fields the file does not set keep their cleared values; see fields.
    ConfigRecord record;
    ConfigFields fields;
    // The "customMode" array in file order, every element (a non-object
    // element gives a record of three empty strings).
    QList<CustomRecord> customModes;

    bool ok() const { return error == ConfigError::None; }
    // The "pid" of the file, when it names one.
    std::optional<quint16> productId() const;
};

ConfigReadResult readConfigFile(const QString& path);

// The custom mode an entry of "customMode" holds: its three members as
// strings ("" for one that is missing or not a string; three "" for an
// entry that is not an object), the entry itself kept with it.
CustomRecord customModeOf(const QJsonValue& entry);

// The members of a document's root whose type the program cannot use, one
// line each, in a fixed order ("\"pid\" is not a string").
QStringList shapeProblemsOf(const QJsonObject& root);

// The same reading applied to data already in memory; origin names the data in errorText.
ConfigReadResult readConfigData(const QByteArray& data, const QString& origin);

// Adds what a file said to a record that collects several reads: scalar
// fields are replaced only when the file set them, preset entries are appended.
void mergeConfigRecord(ConfigRecord& target, const ConfigReadResult& read);

struct ConfigFileRead
{
    QString path;
    ConfigReadResult content;
};

// Reads every "*.json" file of folder, in name order.
QList<ConfigFileRead> readConfigFolder(const QString& folder);

// The product IDs that the files name, each once, in file order.
QList<quint16> productIdsOf(const QList<ConfigFileRead>& files);

#include "ConfigReader.h"

#include "ConfigNames.h"
#include "GainText.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>

namespace {

struct PresetObject
{
    bool hasName = false;
    bool hasParameter = false;
    QString name;
    QString parameter;
    QString algorithm;
};

PresetObject presetObject(const QJsonObject& object)
{
    PresetObject preset;
    preset.hasName = object.contains(QLatin1String("name"));
    preset.hasParameter = object.contains(QLatin1String("parameter"));
    // Values that are not strings read as "".
    preset.name = object.value(QLatin1String("name")).toString();
    preset.parameter = object.value(QLatin1String("parameter")).toString();
    preset.algorithm = object.value(QLatin1String("algorithm")).toString();
    return preset;
}

// QJsonObject iterates its members sorted by key, which is what orders the
// presets of each page.
void readDefaultModes(const QJsonObject& defaultMode, ConfigRecord& record)
{
    for (auto it = defaultMode.begin(); it != defaultMode.end(); ++it) {
        if (!it.value().isObject())
            continue;
        const PresetObject preset = presetObject(it.value().toObject());
        if (!preset.hasName || !preset.hasParameter)
            continue;
        const QString entry = presetEntry(preset.name, preset.parameter);
        if (preset.algorithm == QLatin1String(kAlgorithmSurround))
            record.surroundPresets << entry;
        else if (preset.algorithm == QLatin1String(kAlgorithmStereo))
            record.stereoPresets << entry;
    }
}

void readCurrentMode(const QJsonObject& mode, ConfigReadResult& result)
{
    const struct
    {
        const char* key;
        QString ConfigRecord::*field;
        ConfigField flag;
    } members[] = {
        {"algorithm", &ConfigRecord::algorithm, AlgorithmField},
        {"mode", &ConfigRecord::mode, ModeField},
        {"name", &ConfigRecord::name, NameField},
    };
    for (const auto& member : members) {
        const QLatin1String key(member.key);
        if (!mode.contains(key))
            continue;
        result.record.*member.field = mode.value(key).toString();
        result.fields |= member.flag;
    }
}

// "pageMode": {"Surround": {"mode": ..., "name": ...}, "Stereo": {...}}.
void readPageModes(const QJsonObject& pageModes, ConfigRecord& record)
{
    for (SoundPage page : kSoundPages) {
        const QJsonValue value = pageModes.value(QLatin1String(algorithmOfPage(page)));
        if (!value.isObject())
            continue;
        const QJsonObject choice = value.toObject();
        record.pageModes[int(page)] =
            PageModeRecord{choice.value(QLatin1String("mode")).toString(),
                           choice.value(QLatin1String("name")).toString()};
    }
}

QList<CustomRecord> readCustomModes(const QJsonArray& array)
{
    QList<CustomRecord> records;
    for (const QJsonValue& element : array)
        records << customModeOf(element);
    return records;
}

// Reads a string member through convert; members of other types are skipped.
template <typename Convert>
void readStringMember(const QJsonObject& root, const char* key, ConfigField flag,
                      ConfigReadResult& result, Convert convert)
{
    const QJsonValue value = root.value(QLatin1String(key));
    if (!value.isString())
        return;
    convert(value.toString());
    result.fields |= flag;
}

void readRoot(const QJsonObject& root, ConfigReadResult& result)
{
    ConfigRecord& record = result.record;
    readStringMember(root, "vid", VendorIdField, result,
                     [&](const QString& text) { record.vendorId = hexTextToId(text); });
    readStringMember(root, "pid", ProductIdField, result,
                     [&](const QString& text) { record.productId = hexTextToId(text); });
    readStringMember(root, "uuid", IdentityField, result,
                     [&](const QString& text) { record.identity = identityFromHex(text); });
    result.modelName = root.value(QLatin1String("model")).toString();

    const QJsonValue defaultMode = root.value(QLatin1String("defaultMode"));
    if (defaultMode.isObject())
        readDefaultModes(defaultMode.toObject(), record);
    const QJsonValue mode = root.value(QLatin1String("mode"));
    if (mode.isObject())
        readCurrentMode(mode.toObject(), result);
    const QJsonValue pageModes = root.value(QLatin1String("pageMode"));
    if (pageModes.isObject())
        readPageModes(pageModes.toObject(), record);
    const QJsonValue customMode = root.value(QLatin1String("customMode"));
    if (customMode.isArray())
        result.customModes = readCustomModes(customMode.toArray());
}

ConfigReadResult readLoaded(const LoadedDocument& loaded)
{
    ConfigReadResult result;
    result.error = loaded.error;
    result.errorText = loaded.errorText;
    if (!result.ok())
        return result;
    if (!loaded.document.isObject()) {
        result.shapeProblems << QStringLiteral("the document is not a JSON object");
        return result;
    }
    result.rootIsObject = true;
    result.shapeProblems = shapeProblemsOf(loaded.document.object());
    readRoot(loaded.document.object(), result);
    return result;
}

} // namespace

QStringList shapeProblemsOf(const QJsonObject& root)
{
    static const struct
    {
        const char* key;
        QJsonValue::Type type;
        const char* typeName;
    } kMembers[] = {
        {"vid", QJsonValue::String, "a string"},
        {"pid", QJsonValue::String, "a string"},
        {"uuid", QJsonValue::String, "a string"},
        {"defaultMode", QJsonValue::Object, "an object"},
        {"mode", QJsonValue::Object, "an object"},
        {"customMode", QJsonValue::Array, "an array"},
        {"pageMode", QJsonValue::Object, "an object"},
    };
    QStringList problems;
    for (const auto& member : kMembers) {
        const QJsonValue value = root.value(QLatin1String(member.key));
        if (!value.isUndefined() && value.type() != member.type)
            problems << QStringLiteral("\"%1\" is not %2").arg(member.key, member.typeName);
    }
    return problems;
}

std::optional<quint16> ConfigReadResult::productId() const
{
    if (fields & ProductIdField)
        return record.productId;
    return std::nullopt;
}

CustomRecord customModeOf(const QJsonValue& entry)
{
    const QJsonObject object = entry.toObject();
    return {object.value(QLatin1String("algorithm")).toString(),
            object.value(QLatin1String("name")).toString(),
            object.value(QLatin1String("parameter")).toString(), entry};
}

ConfigReadResult readConfigFile(const QString& path)
{
    return readLoaded(loadConfigDocument(path));
}

ConfigReadResult readConfigData(const QByteArray& data, const QString& origin)
{
    return readLoaded(parseConfigDocument(data, origin));
}

void mergeConfigRecord(ConfigRecord& target, const ConfigReadResult& read)
{
    const ConfigRecord& source = read.record;
    const ConfigFields fields = read.fields;
    if (fields & VendorIdField)
        target.vendorId = source.vendorId;
    if (fields & ProductIdField)
        target.productId = source.productId;
    if (fields & IdentityField)
        target.identity = source.identity;
    if (fields & ModeField)
        target.mode = source.mode;
    if (fields & AlgorithmField)
        target.algorithm = source.algorithm;
    if (fields & NameField)
        target.name = source.name;
    for (SoundPage page : kSoundPages)
        if (source.pageModes[int(page)])
            target.pageModes[int(page)] = source.pageModes[int(page)];
    target.surroundPresets += source.surroundPresets;
    target.stereoPresets += source.stereoPresets;
}

QList<ConfigFileRead> readConfigFolder(const QString& folder)
{
    QList<ConfigFileRead> files;
    for (const QString& name : listConfigFileNames(folder)) {
        const QString path = folder + QLatin1Char('/') + name;
        files << ConfigFileRead{path, readConfigFile(path)};
    }
    return files;
}

QList<quint16> productIdsOf(const QList<ConfigFileRead>& files)
{
    QList<quint16> ids;
    for (const ConfigFileRead& file : files) {
        const std::optional<quint16> id = file.content.productId();
        if (id && !ids.contains(*id))
            ids << *id;
    }
    return ids;
}

#include "CtlOutput.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <map>
#include <vector>

namespace {

// A member of the data and what people call it.
struct Field
{
    const char* key;
    const char* label;
};
using Fields = std::vector<Field>;

const std::map<QString, Fields>& objectFields()
{
    static const Fields applied = {{"page", "page"}, {"name", "name"}};
    static const std::map<QString, Fields> fields = {
        {"info",
         {{"model", "model"},
          {"productId", "product"},
          {"firmware", "firmware"},
          {"sampleRate", "sample rate"},
          {"stereo", "stereo tab"},
          {"surround", "surround tab"},
          {"identity", "identity"},
          {"page", "page"}}},
        {"status",
         {{"page", "page"},
          {"stereoTab", "stereo tab"},
          {"surroundTab", "surround tab"},
          {"identity", "identity"}}},
        {"get",
         {{"model", "model"},
          {"productId", "product"},
          {"identity", "identity"},
          {"page", "page"},
          {"mode", "mode"},
          {"gains", "gains"},
          {"micLevel", "mic level"},
          {"noiseCancellation", "noise cancellation"}}},
        {"preset", applied},
        {"custom-apply", applied},
        {"auto-add", {{"application", "application"}, {"page", "page"}, {"mode", "mode"}}},
        {"auto-remove", {{"application", "application"}, {"page", "page"}, {"mode", "mode"}}},
        {"custom-import",
         {{"page", "page"},
          {"name", "name"},
          {"gains", "gains"},
          {"maxErrorDb", "largest error dB"}}},
    };
    return fields;
}

// The columns of a list's table, the last one unpadded.
const std::map<QString, Fields>& listColumns()
{
    static const std::map<QString, Fields> columns = {
        {"list",
         {{"model", "MODEL"},
          {"productId", "PRODUCT"},
          {"interface", "INTERFACE"},
          {"usagePage", "USAGE PAGE"},
          {"identity", "IDENTITY"},
          {"path", "PATH"}}},
        {"preset-list", {{"page", "PAGE"}, {"name", "NAME"}}},
        {"custom-list", {{"page", "PAGE"}, {"name", "NAME"}, {"gains", "GAINS"}}},
        {"auto-list", {{"application", "APPLICATION"}, {"page", "PAGE"}, {"mode", "MODE"}}},
    };
    return columns;
}

// The members of each event, in the order a line names them.
const std::map<QString, std::vector<const char*>>& eventMembers()
{
    static const std::map<QString, std::vector<const char*>> members = {
        {"plugged", {"model", "productId"}},
        {"unplugged", {}},
        {"unit", {"model", "productId", "identity"}},
        {"page", {"page"}},
        {"mode", {"page", "kind", "name"}},
        {"mic-level", {"level"}},
        {"noise-cancellation", {"on"}},
        {"auto", {"state", "application", "page", "mode", "reason"}},
    };
    return members;
}

QString valueText(const QJsonValue& value);

QString joined(const QStringList& parts, const QString& separator)
{
    return parts.isEmpty() ? QStringLiteral("unknown") : parts.join(separator);
}

// An object's known members, in key order: {"kind":"preset","name":"Jazz"}
// reads "preset Jazz".
QString objectText(const QJsonObject& object)
{
    QStringList parts;
    for (const QJsonValue& member : object) {
        if (!member.isNull() && !member.isUndefined())
            parts << valueText(member);
    }
    return joined(parts, QStringLiteral(" "));
}

QString valueText(const QJsonValue& value)
{
    switch (value.type()) {
    case QJsonValue::Bool:
        return value.toBool() ? QStringLiteral("on") : QStringLiteral("off");
    case QJsonValue::Double:
        return QString::number(value.toDouble(), 'g', 16);
    case QJsonValue::String:
        return value.toString();
    case QJsonValue::Array: {
        QStringList parts;
        for (const QJsonValue& element : value.toArray())
            parts << valueText(element);
        return joined(parts, QStringLiteral(","));
    }
    case QJsonValue::Object:
        return objectText(value.toObject());
    default:
        return QStringLiteral("unknown");
    }
}

QString fieldLines(const QJsonObject& object, const Fields& fields)
{
    int width = 0;
    for (const Field& field : fields)
        width = std::max(width, int(qstrlen(field.label)) + 1);
    QString text;
    for (const Field& field : fields)
        text += QStringLiteral("%1 %2\n")
                    .arg(QString::fromUtf8(field.label) + ':', -width)
                    .arg(valueText(object[QLatin1String(field.key)]));
    return text;
}

QString table(const QJsonArray& rows, const Fields& columns)
{
    std::vector<QStringList> cells(1);
    for (const Field& column : columns)
        cells[0] << QString::fromUtf8(column.label);
    for (const QJsonValue& row : rows) {
        QStringList line;
        for (const Field& column : columns)
            line << valueText(row.toObject()[QLatin1String(column.key)]);
        cells.push_back(line);
    }
    std::vector<int> widths(columns.size(), 0);
    for (const QStringList& line : cells) {
        for (size_t i = 0; i < widths.size(); ++i)
            widths[i] = std::max(widths[i], int(line[int(i)].size()));
    }
    QString text;
    for (const QStringList& line : cells) {
        QStringList padded;
        for (size_t i = 0; i < widths.size(); ++i)
            padded << (i + 1 == widths.size() ? line[int(i)]
                                              : line[int(i)].leftJustified(widths[i]));
        text += padded.join(QStringLiteral("  ")) + '\n';
    }
    return text;
}

} // namespace

QString humanText(const QString& command, const QJsonValue& data)
{
    if (data.isNull() || data.isUndefined())
        return QString();
    // An exported mode prints as its file, ready to redirect into one.
    if (command == QLatin1String("custom-export"))
        return data[QLatin1String("text")].toString();
    // The simulated unit after a simulate command, as the other answers read.
    if (command == QLatin1String("simulate") && data[QLatin1String("unit")].isObject()) {
        QJsonObject unit = data[QLatin1String("unit")].toObject();
        unit[QStringLiteral("plugged")] =
            unit[QLatin1String("plugged")].toBool() ? QStringLiteral("yes") : QStringLiteral("no");
        return fieldLines(
            unit, {{"productId", "product"}, {"identity", "identity"}, {"plugged", "plugged in"}});
    }
    const auto columns = listColumns().find(command);
    if (columns != listColumns().end() && data.isArray())
        return table(data.toArray(), columns->second);
    const auto fields = objectFields().find(command);
    if (fields != objectFields().end() && data.isObject())
        return fieldLines(data.toObject(), fields->second);
    return QString::fromUtf8(jsonText(data));
}

QString humanEventText(const QJsonObject& event)
{
    const QString name = event[QLatin1String("event")].toString();
    QJsonObject rest = event;
    rest.remove(QStringLiteral("event"));
    QStringList parts;
    const auto members = eventMembers().find(name);
    if (members == eventMembers().end()) {
        for (const QJsonValue& member : rest)
            parts << valueText(member);
    } else {
        for (const char* member : members->second)
            // A member an event may leave out (a skip's reason) is not shown.
            if (rest.contains(QLatin1String(member)))
                parts << valueText(rest.value(QLatin1String(member)));
    }
    return parts.isEmpty() ? name + '\n' : name + QStringLiteral(": ") + parts.join(' ') + '\n';
}

QByteArray jsonText(const QJsonValue& data)
{
    QJsonDocument document;
    if (data.isArray())
        document.setArray(data.toArray());
    else
        document.setObject(data.toObject());
    return document.toJson(QJsonDocument::Compact) + '\n';
}

QByteArray errorText(const remote::Result& failure, bool json)
{
    if (json)
        return jsonText(QJsonObject{{"exit", failure.exit}, {"error", failure.error}});
    return "velumixctl: " + failure.error.toUtf8() + '\n';
}

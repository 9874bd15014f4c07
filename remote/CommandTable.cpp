#include "CommandTable.h"

#include "ModeLookup.h"

#include <QJsonArray>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace remote {

namespace {

bool isWholeIn(const QJsonValue& value, int min, int max)
{
    if (!value.isDouble())
        return false;
    const double number = value.toDouble();
    return std::isfinite(number) && number == std::floor(number) && number >= min && number <= max;
}

bool follows(const QJsonValue& value, const ArgumentRule& rule)
{
    switch (rule.kind) {
    case ArgumentRule::Text:
        return value.isString() && !value.toString().isEmpty() &&
               (rule.choices.isEmpty() || rule.choices.contains(value.toString()));
    case ArgumentRule::Whole:
        return isWholeIn(value, rule.min, rule.max);
    case ArgumentRule::Wholes: {
        const QJsonArray items = value.toArray();
        return value.isArray() && items.size() == rule.count &&
               std::all_of(items.begin(), items.end(), [&rule](const QJsonValue& item) {
                   return isWholeIn(item, rule.min, rule.max);
               });
    }
    case ArgumentRule::Flag:
        return value.isBool();
    case ArgumentRule::HexDigits:
        return value.isString() &&
               QRegularExpression(QStringLiteral("^[0-9a-fA-F]{%1}$").arg(rule.count))
                   .match(value.toString())
                   .hasMatch();
    }
    return false;
}

QString quotedChoices(const QStringList& choices)
{
    QStringList quoted;
    for (const QString& choice : choices)
        quoted << QStringLiteral("'%1'").arg(choice);
    return quoted.join(QStringLiteral(", "));
}

// What the argument must be, to complete "'name' must be ...".
QString expectation(const ArgumentRule& rule)
{
    switch (rule.kind) {
    case ArgumentRule::Text:
        return rule.choices.isEmpty()
                   ? QStringLiteral("a non-empty string")
                   : QStringLiteral("one of %1").arg(quotedChoices(rule.choices));
    case ArgumentRule::Whole:
        return QStringLiteral("a whole number from %1 to %2").arg(rule.min).arg(rule.max);
    case ArgumentRule::Wholes:
        return QStringLiteral("an array of %1 whole numbers from %2 to %3")
            .arg(rule.count)
            .arg(rule.min)
            .arg(rule.max);
    case ArgumentRule::Flag:
        return QStringLiteral("true or false");
    case ArgumentRule::HexDigits:
        return QStringLiteral("%1 hexadecimal digits").arg(rule.count);
    }
    return {};
}

ArgumentRule pageArgument()
{
    return {"page", ArgumentRule::Text, false, 0, 0, 0, {"surround", "stereo"}};
}

ArgumentRule nameArgument()
{
    return {"name", ArgumentRule::Text, true};
}

} // namespace

const QStringList& modeExportFormats()
{
    static const QStringList formats = {QStringLiteral("parametric"), QStringLiteral("json")};
    return formats;
}

const std::vector<CommandSpec>& commandTable()
{
    static const std::vector<CommandSpec> table = {
        {"list", CommandSpec::Nothing, {}},
        {"info", CommandSpec::Headset, {}},
        {"status", CommandSpec::Headset, {}},
        {"get", CommandSpec::Headset, {}},
        {"eq",
         CommandSpec::Headset,
         {{"mode", ArgumentRule::Whole, true, 0, 255},
          {"gains", ArgumentRule::Wholes, true, -12, 12, 10},
          {"channel", ArgumentRule::Whole, false, 0, 255}}},
        {"mic-volume", CommandSpec::Headset, {{"level", ArgumentRule::Whole, true, 0, 100}}},
        {"enc", CommandSpec::Headset, {{"on", ArgumentRule::Flag, true}}},
        {"switch", CommandSpec::Headset, {{"bytes", ArgumentRule::Wholes, true, 0, 255, 4}}},
        {"preset", CommandSpec::Headset, {nameArgument(), pageArgument()}},
        {"preset-list",
         CommandSpec::Nothing,
         {pageArgument(), {"productId", ArgumentRule::HexDigits, false, 0, 0, 4}}},
        {"custom-list", CommandSpec::Headset, {}},
        {"custom-apply", CommandSpec::Headset, {nameArgument(), pageArgument()}},
        {"custom-import",
         CommandSpec::Headset,
         {{"path", ArgumentRule::Text, true}, nameArgument(), pageArgument()}},
        {"custom-export",
         CommandSpec::Headset,
         {nameArgument(),
          pageArgument(),
          {"format", ArgumentRule::Text, true, 0, 0, 0, modeExportFormats()}}},
        {"simulate",
         CommandSpec::Window,
         {{"action",
           ArgumentRule::Text,
           true,
           0,
           0,
           0,
           {"plug", "unplug", "new-unit", "report-page"}},
          {"productId", ArgumentRule::HexDigits, false, 0, 0, 4},
          {"identity", ArgumentRule::HexDigits, false, 0, 0, 8},
          pageArgument()}},
        {"watch", CommandSpec::Window, {}},
        {"raise", CommandSpec::Window, {}},
    };
    return table;
}

const CommandSpec* findCommand(const QString& name)
{
    for (const CommandSpec& command : commandTable())
        if (name == QLatin1String(command.name))
            return &command;
    return nullptr;
}

std::optional<Result> requestError(const Request& request)
{
    const CommandSpec* command = findCommand(request.command);
    if (!command)
        return Result::failure(
            ExitUsage, QStringLiteral("unknown command '%1'").arg(nameInMessage(request.command)));
    const QString error = argumentError(*command, request.arguments);
    if (!error.isEmpty())
        return Result::failure(ExitUsage, error);
    return std::nullopt;
}

QString argumentError(const CommandSpec& spec, const QJsonObject& arguments)
{
    const QString command = QString::fromLatin1(spec.name);
    const std::vector<ArgumentRule>& rules = spec.arguments;
    for (auto member = arguments.begin(); member != arguments.end(); ++member) {
        const bool known = std::any_of(rules.begin(), rules.end(), [&](const ArgumentRule& rule) {
            return member.key() == QLatin1String(rule.name);
        });
        if (!known)
            return QStringLiteral("%1: unexpected argument '%2'")
                .arg(command, nameInMessage(member.key()));
    }
    for (const ArgumentRule& rule : rules) {
        const QJsonValue value = arguments.value(QLatin1String(rule.name));
        const bool absent = value.isUndefined() || value.isNull();
        if (absent && rule.required)
            return QStringLiteral("%1 needs '%2'").arg(command, rule.name);
        if (!absent && !follows(value, rule))
            return QStringLiteral("%1: '%2' must be %3").arg(command, rule.name, expectation(rule));
    }
    return {};
}

} // namespace remote

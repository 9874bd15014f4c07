#include "CommandTable.h"

#include "BuiltInPresets.h"
#include "ModeLookup.h"
#include "Vocabulary.h"

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
               (rule.max == 0 || value.toString().size() <= rule.max) &&
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
        if (!rule.choices.isEmpty())
            return QStringLiteral("one of %1").arg(quotedChoices(rule.choices));
        return rule.max == 0
                   ? QStringLiteral("a non-empty string")
                   : QStringLiteral("a non-empty string of at most %1 characters").arg(rule.max);
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
    return {"name", ArgumentRule::Text, true, 0, kMaxModeNameLength};
}

ArgumentRule productIdArgument()
{
    return {"productId", ArgumentRule::HexDigits, false, 0, 0, 4};
}

TypedOption pageOption()
{
    return {"page", {"page", ValueSyntax::Choice, "page"}};
}

TypedValue nameValue()
{
    return {"name", ValueSyntax::Text, "name", "NAME"};
}

TypedValue productIdValue()
{
    return {"productId", ValueSyntax::ProductId, "product ID", "PID"};
}

// The built-in presets' captions, each once, as the window shows them.
QStringList presetCaptions()
{
    QStringList captions;
    for (const BuiltInPreset& preset : builtInPresets())
        if (!captions.contains(QLatin1String(preset.caption)))
            captions << QString::fromUtf8(preset.caption);
    return captions;
}

// `simulate ACTION`: the action is the form's second word.
CommandForm simulateForm(const char* words, const char* action,
                         std::vector<TypedValue> parameters = {})
{
    return {words, std::move(parameters), {}, {{"action", action}}};
}

// A rule's application: a process binary or an application name.
ArgumentRule applicationArgument()
{
    return {"application", ArgumentRule::Text, true, 0, 256};
}

TypedValue applicationValue()
{
    return {"application", ValueSyntax::Text, "application", "APP"};
}

} // namespace

const QStringList& modeExportFormats()
{
    static const QStringList formats = {QStringLiteral("parametric"), QStringLiteral("json")};
    return formats;
}

const std::vector<CommandRow>& commandTable()
{
    using Syntax = ValueSyntax;
    static const std::vector<CommandRow> table = {
        {"list",
         CommandRow::Nothing,
         {},
         {{"list"}},
         "the headsets: model, product, interface, usage page, identity, path"},
        {"info",
         CommandRow::Unit,
         {},
         {{"info"}},
         "model, firmware version, sample rate, stereo and surround tabs, identity and "
         "page of the headset"},
        {"status", CommandRow::Unit, {}, {{"status"}}, "page, tabs and identity"},
        {"get",
         CommandRow::Unit,
         {},
         {{"get"}},
         "model, identity, page, mode, gains, microphone level and noise cancellation "
         "(unknown where only the window knows them)"},
        {"eq",
         CommandRow::Headset,
         {{"mode", ArgumentRule::Whole, true, 0, 255},
          {"gains", ArgumentRule::Wholes, true, kMinGain, kMaxGain, kBandCount},
          {"channel", ArgumentRule::Whole, false, 0, 255}},
         {{"eq",
           {},
           {{"mode", {"mode", Syntax::Decimal, "mode", "N"}, true},
            {"gains", {"gains", Syntax::DecimalList, "gain", "G0,...,G9"}, true},
            {"channel", {"channel", Syntax::Decimal, "channel", "C"}, false, 1}}}},
         "send ten band gains (-12..12 dB, 30 Hz first) as a PEQ pair"},
        {"mic-volume",
         CommandRow::Headset,
         {{"level", ArgumentRule::Whole, true, 0, 100}},
         {{"mic-volume", {{"level", Syntax::Decimal, "level", "N"}}}},
         "set the microphone volume (0..100)"},
        {"enc",
         CommandRow::Headset,
         {{"on", ArgumentRule::Flag, true}},
         {{"enc", {{"on", Syntax::OnOff, "state"}}}},
         "switch microphone noise cancellation"},
        {"switch",
         CommandRow::Headset,
         {{"bytes", ArgumentRule::Wholes, true, 0, 255, 4}},
         {{"switch", {{"bytes", Syntax::DecimalWords, "byte", "A S N M"}}}},
         "send a raw algorithm switch (bytes 0..255)"},
        {"preset",
         CommandRow::Unit,
         {nameArgument(), pageArgument()},
         {{"preset",
           {{"name", Syntax::Text, "preset name", "NAME", presetCaptions}},
           {pageOption()}}},
         "apply a built-in preset of the connected model"},
        {"preset-list",
         CommandRow::Unit,
         {pageArgument(), productIdArgument()},
         {{"preset list", {}, {pageOption(), {"model", productIdValue()}}}},
         "the presets of the connected model (or of PID)",
         "productId"},
        {"custom-list",
         CommandRow::Unit,
         {},
         {{"custom list"}},
         "the custom modes saved for the connected unit"},
        {"custom-apply",
         CommandRow::Unit,
         {nameArgument(), pageArgument()},
         {{"custom apply", {nameValue()}, {pageOption()}}},
         "apply a saved custom mode of the connected unit"},
        {"custom-import",
         CommandRow::Unit,
         {{"path", ArgumentRule::Text, true}, nameArgument(), pageArgument()},
         {{"custom import",
           {{"path", Syntax::File, "file", "FILE"}},
           {{"name", nameValue(), true}, pageOption()}}},
         "save a correction (GraphicEQ or parametric text, fitted to the ten bands) or an "
         "exported JSON mode as a new custom mode of the page and apply it"},
        {"custom-export",
         CommandRow::Unit,
         {nameArgument(),
          pageArgument(),
          {"format", ArgumentRule::Text, true, 0, 0, 0, modeExportFormats()}},
         {{"custom export",
           {nameValue()},
           {{"format", {"format", Syntax::Choice, "format"}, false, modeExportFormats().first()},
            pageOption()}}},
         "print a custom mode as parametric text (default) or as a JSON mode that imports "
         "back unchanged"},
        {"auto-list",
         CommandRow::Nothing,
         {},
         {{"auto list"}},
         "the automatic modes: each application's page and mode"},
        {"auto-add",
         CommandRow::Nothing,
         {applicationArgument(),
          {"page", ArgumentRule::Text, true, 0, 0, 0, {"surround", "stereo"}},
          {"mode", ArgumentRule::Text, true, 0, kMaxModeNameLength}},
         {{"auto add",
           {applicationValue()},
           {{"page", {"page", Syntax::Choice, "page"}, true},
            {"mode", {"mode", Syntax::Text, "mode name", "NAME", presetCaptions}, true}}}},
         "while APP plays on the headset, switch to the page's preset or custom mode NAME "
         "(replaces APP's rule)"},
        {"auto-remove",
         CommandRow::Nothing,
         {applicationArgument()},
         {{"auto remove", {applicationValue()}}},
         "remove APP's automatic mode"},
        {"simulate",
         CommandRow::Window,
         {{"action",
           ArgumentRule::Text,
           true,
           0,
           0,
           0,
           {"plug", "unplug", "new-unit", "report-page"}},
          productIdArgument(),
          {"identity", ArgumentRule::HexDigits, false, 0, 0, 8},
          pageArgument()},
         {simulateForm("simulate plug", "plug"), simulateForm("simulate unplug", "unplug"),
          simulateForm("simulate new-unit", "new-unit",
                       {productIdValue(), {"identity", Syntax::Identity, "identity", "IDENTITY"}}),
          simulateForm("simulate report-page", "report-page", {{"page", Syntax::Choice, "page"}})},
         "drive the headset of 'velumix --simulate'"},
        {"watch",
         CommandRow::Window,
         {},
         {{"watch"}},
         "print what changes in the window, one line each"},
        {"raise", CommandRow::Window, {}, {}, "show the window"},
    };
    return table;
}

const CommandRow* findCommand(const QString& name)
{
    for (const CommandRow& command : commandTable())
        if (name == QLatin1String(command.name))
            return &command;
    return nullptr;
}

const ArgumentRule* findArgument(const CommandRow& command, const QString& name)
{
    for (const ArgumentRule& rule : command.arguments)
        if (name == QLatin1String(rule.name))
            return &rule;
    return nullptr;
}

bool needsHeadset(const CommandRow& command, const QJsonObject& arguments)
{
    if (command.needs != CommandRow::Headset && command.needs != CommandRow::Unit)
        return false;
    if (!command.insteadOfHeadset)
        return true;
    const QJsonValue instead = arguments.value(QLatin1String(command.insteadOfHeadset));
    return instead.isUndefined() || instead.isNull();
}

QString placeholderOf(const TypedValue& value, const ArgumentRule& rule)
{
    if (value.placeholder)
        return QString::fromUtf8(value.placeholder);
    if (value.syntax == ValueSyntax::OnOff)
        return QStringLiteral("on|off");
    return rule.choices.join(QLatin1Char('|'));
}

QString usageLine(const CommandRow& command, const CommandForm& form)
{
    const auto shown = [&command](const TypedValue& value) {
        return placeholderOf(value, *findArgument(command, value.argument));
    };
    QStringList parts{QString::fromUtf8(form.words)};
    for (const TypedValue& parameter : form.parameters)
        parts << shown(parameter);
    for (const TypedOption& option : form.options) {
        const QString typed = QStringLiteral("--%1 %2").arg(option.name, shown(option.value));
        parts << (option.required ? typed : QStringLiteral("[%1]").arg(typed));
    }
    return parts.join(QLatin1Char(' '));
}

std::optional<Result> requestError(const Request& request)
{
    const CommandRow* command = findCommand(request.command);
    if (!command)
        return Result::failure(
            ExitUsage, QStringLiteral("unknown command '%1'").arg(nameInMessage(request.command)));
    const QString error = argumentError(*command, request.arguments);
    if (!error.isEmpty())
        return Result::failure(ExitUsage, error);
    return std::nullopt;
}

QString argumentError(const CommandRow& row, const QJsonObject& arguments)
{
    const QString command = QString::fromLatin1(row.name);
    const std::vector<ArgumentRule>& rules = row.arguments;
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

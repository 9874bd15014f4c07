#include "CtlCommandLine.h"

#include "CommandData.h"
#include "NumberText.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QRegularExpression>

using remote::ArgumentRule;
using remote::CommandForm;
using remote::CommandRow;
using remote::TypedOption;
using remote::TypedValue;
using remote::ValueSyntax;

namespace {

constexpr int kUsageWidth = 80;
constexpr int kSummaryColumn = 32;

using Failure = std::optional<QString>;

// "a, b or c"
QString listed(const QStringList& items, const QString& last)
{
    if (items.size() < 2)
        return items.join(QString());
    return items.mid(0, items.size() - 1).join(QStringLiteral(", ")) + last + items.last();
}

QString withArticle(const QString& noun)
{
    return (QStringLiteral("aeiou").contains(noun.at(0)) ? QStringLiteral("an ")
                                                         : QStringLiteral("a ")) +
           noun;
}

QString plural(const QString& noun)
{
    return noun + QLatin1Char('s');
}

QString countWord(int count)
{
    static const char* const kWords[] = {"no",  "one",   "two",   "three", "four", "five",
                                         "six", "seven", "eight", "nine",  "ten"};
    return count >= 0 && count <= 10 ? QString::fromLatin1(kWords[count]) : QString::number(count);
}

// What a value is called where it is missing: "a level", "four bytes".
QString neededValue(const TypedValue& value, const ArgumentRule& rule)
{
    const QString noun = QString::fromUtf8(value.noun);
    switch (value.syntax) {
    case ValueSyntax::DecimalList:
    case ValueSyntax::DecimalWords:
        return countWord(rule.count) + QLatin1Char(' ') + plural(noun);
    case ValueSyntax::OnOff:
        return QStringLiteral("'on' or 'off'");
    default:
        return withArticle(noun);
    }
}

// What a wrong word is not, to complete "'x' is not ...".
QString expectedValue(const TypedValue& value, const ArgumentRule& rule)
{
    const QString noun = QString::fromUtf8(value.noun);
    switch (value.syntax) {
    case ValueSyntax::Decimal:
    case ValueSyntax::DecimalWords:
        return QStringLiteral("%1 from %2 to %3")
            .arg(withArticle(noun))
            .arg(rule.min)
            .arg(rule.max);
    case ValueSyntax::DecimalList:
        return QStringLiteral("%1 comma-separated %2 from %3 to %4")
            .arg(countWord(rule.count), plural(noun))
            .arg(rule.min)
            .arg(rule.max);
    case ValueSyntax::OnOff:
        return QStringLiteral("'on' or 'off'");
    case ValueSyntax::Choice:
        return QStringLiteral("%1; the %2 are %3")
            .arg(withArticle(noun), plural(noun), rule.choices.join(QStringLiteral(", ")));
    case ValueSyntax::ProductId:
        return QStringLiteral("a hexadecimal product ID");
    case ValueSyntax::Identity:
        return QStringLiteral("an identity (8 hexadecimal digits)");
    case ValueSyntax::File:
    case ValueSyntax::Text:
        return withArticle(noun);
    }
    return {};
}

// The argument typed words stand for, or the word that is wrong.
struct Reading
{
    bool ok = false;
    QJsonValue value;
    QString wrongWord;
};

Reading accepted(const QJsonValue& value)
{
    return {true, value, {}};
}

Reading refused(const QString& word)
{
    return {false, {}, word};
}

// Each field a decimal of the rule; `whole` is the word named when one is
// not, else the field itself.
Reading decimals(const QStringList& fields, const ArgumentRule& rule,
                 const std::optional<QString>& whole = std::nullopt)
{
    if (fields.size() != rule.count)
        return refused(whole.value_or(QString()));
    QJsonArray numbers;
    for (const QString& field : fields) {
        const std::optional<int> number = decimalInRange(field, rule.min, rule.max);
        if (!number)
            return refused(whole.value_or(field));
        numbers.append(*number);
    }
    return accepted(numbers);
}

Reading read(const TypedValue& value, const ArgumentRule& rule, const QStringList& words)
{
    const QString& word = words.first();
    switch (value.syntax) {
    case ValueSyntax::Decimal:
        if (const std::optional<int> number = decimalInRange(word, rule.min, rule.max))
            return accepted(*number);
        return refused(word);
    case ValueSyntax::DecimalList:
        return decimals(word.split(QLatin1Char(',')), rule, word);
    case ValueSyntax::DecimalWords:
        return decimals(words, rule);
    case ValueSyntax::OnOff:
        if (word == QLatin1String("on") || word == QLatin1String("off"))
            return accepted(word == QLatin1String("on"));
        return refused(word);
    case ValueSyntax::Choice:
        return rule.choices.contains(word) ? accepted(word) : refused(word);
    case ValueSyntax::ProductId:
        if (const std::optional<quint16> productId = productIdFromText(word))
            return accepted(remote::idDigits(*productId));
        return refused(word);
    case ValueSyntax::Identity:
        if (QRegularExpression(QStringLiteral("^[0-9a-fA-F]{8}$")).match(word).hasMatch())
            return accepted(word.toLower());
        return refused(word);
    case ValueSyntax::File:
        return word.isEmpty() ? refused(word) : accepted(QFileInfo(word).absoluteFilePath());
    case ValueSyntax::Text:
        return word.isEmpty() ? refused(word) : accepted(word);
    }
    return refused(word);
}

QStringList optionNamesOf(const CommandForm& form)
{
    QStringList names;
    for (const TypedOption& option : form.options)
        names << QStringLiteral("--") + QString::fromUtf8(option.name);
    names.sort();
    return names;
}

QString optionsSentence(const CommandForm& form)
{
    const QStringList names = optionNamesOf(form);
    return names.isEmpty() ? QStringLiteral("it takes no options")
                           : QStringLiteral("its options are %1").arg(names.join(", "));
}

// A command option given that the form does not take.
Failure misplacedOption(const CommandForm& form, const CommandOptionValues& options)
{
    for (const auto& given : options) {
        const bool taken =
            std::any_of(form.options.begin(), form.options.end(), [&](const TypedOption& option) {
                return given.first == QLatin1String(option.name);
            });
        if (!taken)
            return QStringLiteral("--%1 does not go with %2; %3")
                .arg(given.first, QString::fromUtf8(form.words), optionsSentence(form));
    }
    return std::nullopt;
}

// Too few or too many words, or a required option missing.
Failure missingOrExtra(const TypedCommand& typed, const QStringList& values,
                       const CommandOptionValues& options)
{
    const CommandForm& form = *typed.form;
    const QString words = QString::fromUtf8(form.words);
    int wordCount = 0;
    QStringList needed;
    for (const TypedValue& parameter : form.parameters) {
        wordCount += wordCountOf(parameter, ruleOf(typed, parameter));
        needed << neededValue(parameter, ruleOf(typed, parameter));
    }
    bool optionMissing = false;
    for (const TypedOption& option : form.options) {
        if (!option.required)
            continue;
        needed << neededValue(option.value, ruleOf(typed, option.value));
        optionMissing = optionMissing || !options.count(QString::fromUtf8(option.name));
    }
    if (values.size() == wordCount && !optionMissing)
        return std::nullopt;
    if (form.parameters.empty() && !values.isEmpty())
        return form.options.empty()
                   ? QStringLiteral("%1 takes no arguments").arg(words)
                   : QStringLiteral("%1 takes no arguments; %2").arg(words, optionsSentence(form));
    return QStringLiteral("%1 needs %2: '%3'")
        .arg(words, listed(needed, QStringLiteral(" and ")),
             remote::usageLine(*typed.command, form));
}

// "use 'simulate plug', ... or ...": the forms that begin with the word;
// when each of them stands for one value of the same argument, those values.
QString formsOfWord(const QString& word)
{
    QStringList usages;
    QStringList fixedNames;
    QStringList fixedValues;
    for (const CommandRow& command : remote::commandTable()) {
        for (const CommandForm& form : command.forms) {
            if (wordsOf(form).first() != word)
                continue;
            usages << QStringLiteral("'%1'").arg(remote::usageLine(command, form));
            if (form.fixed.size() == 1) {
                fixedNames << form.fixed.begin().key();
                fixedValues << form.fixed.begin().value().toString();
            }
        }
    }
    const QString use = QStringLiteral("use ") + listed(usages, QStringLiteral(" or "));
    fixedNames.removeDuplicates();
    if (fixedValues.size() != usages.size() || fixedNames.size() != 1)
        return use;
    return QStringLiteral("%1; the %2 are %3")
        .arg(use, plural(fixedNames.first()), fixedValues.join(QStringLiteral(", ")));
}

Failure unknownCommand(const QStringList& words)
{
    const QString commands = commandWords().join(QStringLiteral(", "));
    if (words.isEmpty())
        return QStringLiteral("no command given; the commands are %1").arg(commands);
    if (!commandWords().contains(words.first()))
        return QStringLiteral("unknown command '%1'; the commands are %2")
            .arg(words.first(), commands);
    return formsOfWord(words.first());
}

// The arguments of the form's values and options, after its fixed ones.
Failure readArguments(const TypedCommand& typed, const QStringList& values,
                      const CommandOptionValues& options, QJsonObject& arguments)
{
    const CommandForm& form = *typed.form;
    arguments = form.fixed;
    int next = 0;
    for (const TypedValue& parameter : form.parameters) {
        const ArgumentRule& rule = ruleOf(typed, parameter);
        const int count = wordCountOf(parameter, rule);
        const Reading reading = read(parameter, rule, values.mid(next, count));
        next += count;
        if (!reading.ok)
            return QStringLiteral("%1: '%2' is not %3")
                .arg(QString::fromUtf8(form.words), reading.wrongWord,
                     expectedValue(parameter, rule));
        arguments[QLatin1String(parameter.argument)] = reading.value;
    }
    for (const TypedOption& option : form.options) {
        const auto given = options.find(QString::fromUtf8(option.name));
        if (given == options.end()) {
            if (!option.fallback.isUndefined())
                arguments[QLatin1String(option.value.argument)] = option.fallback;
            continue;
        }
        const ArgumentRule& rule = ruleOf(typed, option.value);
        const Reading reading = read(option.value, rule, {given->second});
        if (!reading.ok)
            return QStringLiteral("--%1: '%2' is not %3")
                .arg(given->first, reading.wrongWord, expectedValue(option.value, rule));
        arguments[QLatin1String(option.value.argument)] = reading.value;
    }
    return std::nullopt;
}

// Breaks text into lines of at most `width` characters at blanks.
QStringList wrapped(const QString& text, int width)
{
    QStringList lines;
    QString line;
    for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (!line.isEmpty() && line.size() + 1 + word.size() > width) {
            lines << line;
            line.clear();
        }
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
    }
    if (!line.isEmpty())
        lines << line;
    return lines;
}

} // namespace

QStringList wordsOf(const CommandForm& form)
{
    return QString::fromUtf8(form.words).split(QLatin1Char(' '));
}

std::optional<TypedCommand> typedCommandOf(const QStringList& words)
{
    std::optional<TypedCommand> found;
    int foundWords = 0;
    for (const CommandRow& command : remote::commandTable()) {
        for (const CommandForm& form : command.forms) {
            const QStringList own = wordsOf(form);
            if (own.size() > foundWords && words.mid(0, own.size()) == own) {
                found = TypedCommand{&command, &form};
                foundWords = own.size();
            }
        }
    }
    return found;
}

int wordCountOf(const TypedValue& value, const ArgumentRule& rule)
{
    return value.syntax == ValueSyntax::DecimalWords ? rule.count : 1;
}

const ArgumentRule& ruleOf(const TypedCommand& typed, const TypedValue& value)
{
    return *remote::findArgument(*typed.command, QString::fromUtf8(value.argument));
}

QStringList commandWords()
{
    QStringList words;
    for (const CommandRow& command : remote::commandTable())
        for (const CommandForm& form : command.forms)
            if (!words.contains(wordsOf(form).first()))
                words << wordsOf(form).first();
    return words;
}

QStringList commandOptionNames()
{
    QStringList names;
    for (const CommandRow& command : remote::commandTable())
        for (const CommandForm& form : command.forms)
            for (const TypedOption& option : form.options)
                names << QString::fromUtf8(option.name);
    names.removeDuplicates();
    names.sort();
    return names;
}

std::optional<QString> readCommand(const QStringList& words, const CommandOptionValues& options,
                                   remote::Request& request)
{
    const std::optional<TypedCommand> typed = typedCommandOf(words);
    if (!typed)
        return unknownCommand(words);
    request.command = QString::fromUtf8(typed->command->name);
    const QStringList values = words.mid(wordsOf(*typed->form).size());
    if (const Failure failure = misplacedOption(*typed->form, options))
        return failure;
    if (const Failure failure = missingOrExtra(*typed, values, options))
        return failure;
    if (const Failure failure = readArguments(*typed, values, options, request.arguments))
        return failure;
    // The rules the window checks: the command line cannot make a request
    // that the window would refuse.
    const QString refusal = remote::argumentError(*typed->command, request.arguments);
    if (!refusal.isEmpty())
        return refusal;
    // Nor one longer than the window reads.
    if (remote::encodeRequest(request).size() > remote::kMaxMessageBytes)
        return QStringLiteral("%1: the request is longer than the %2 bytes the window takes")
            .arg(words.mid(0, wordsOf(*typed->form).size()).join(QLatin1Char(' ')))
            .arg(remote::kMaxMessageBytes);
    return std::nullopt;
}

QString usageEntry(const QStringList& lines, const QString& summary)
{
    QString text;
    for (int i = 0; i + 1 < lines.size(); ++i)
        text += QStringLiteral("  %1\n").arg(lines[i]);
    const QString last = QStringLiteral("  ") + lines.last();
    const QString indent(kSummaryColumn, QLatin1Char(' '));
    const bool beside = last.size() < kSummaryColumn - 1;
    text += beside ? last.leftJustified(kSummaryColumn) : last + QLatin1Char('\n') + indent;
    text += wrapped(summary, kUsageWidth - kSummaryColumn).join(QLatin1Char('\n') + indent);
    return text + QLatin1Char('\n');
}

QString commandsUsage()
{
    QString text;
    for (const CommandRow& command : remote::commandTable()) {
        QStringList lines;
        for (const CommandForm& form : command.forms)
            lines << remote::usageLine(command, form);
        if (!lines.isEmpty())
            text += usageEntry(lines, QString::fromUtf8(command.summary));
    }
    return text;
}

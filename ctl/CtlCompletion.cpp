#include "CtlCompletion.h"

#include "CtlCommandLine.h"
#include "CtlOptions.h"

#include <QRegularExpression>

using remote::ArgumentRule;
using remote::CommandForm;
using remote::CommandRow;
using remote::TypedOption;
using remote::TypedValue;
using remote::ValueSyntax;

namespace {

// The words typed before the one completed: the command's words and values,
// and the option still waiting for its value, if any.
struct Typed
{
    QStringList words;
    QString pendingOption;
};

bool isNumber(const QString& word)
{
    return QRegularExpression(QStringLiteral("^-[0-9]")).match(word).hasMatch();
}

bool takesValue(const QString& option)
{
    for (const GlobalOption& global : globalOptions())
        if (global.names.contains(option))
            return global.valueName && !global.valueAfterEquals;
    return commandOptionNames().contains(option);
}

Typed typedBefore(const QStringList& words)
{
    Typed typed;
    for (const QString& word : words) {
        if (!typed.pendingOption.isEmpty()) {
            typed.pendingOption.clear();
        } else if (isNumber(word) || !word.startsWith(QLatin1Char('-'))) {
            typed.words << word;
        } else {
            const QString name = word.mid(word.startsWith(QLatin1String("--")) ? 2 : 1);
            if (takesValue(name))
                typed.pendingOption = name;
        }
    }
    return typed;
}

Completion suggestionsFor(const TypedValue& value, const ArgumentRule& rule)
{
    switch (value.syntax) {
    case ValueSyntax::Choice:
        return {rule.choices};
    case ValueSyntax::OnOff:
        return {{QStringLiteral("on"), QStringLiteral("off")}};
    case ValueSyntax::File:
        return {{}, true};
    default:
        return {value.suggestions ? value.suggestions() : QStringList()};
    }
}

// The value of a command option of the command typed; nothing for a global
// option's (a product ID, a device).
Completion optionValue(const QStringList& words, const QString& option)
{
    const std::optional<TypedCommand> typed = typedCommandOf(words);
    if (!typed)
        return {};
    for (const TypedOption& own : typed->form->options)
        if (option == QLatin1String(own.name))
            return suggestionsFor(own.value, ruleOf(*typed, own.value));
    return {};
}

QStringList optionNames(const QStringList& words)
{
    QStringList names;
    if (const std::optional<TypedCommand> typed = typedCommandOf(words)) {
        for (const TypedOption& own : typed->form->options)
            names << QStringLiteral("--") + QString::fromUtf8(own.name);
    }
    for (const GlobalOption& global : globalOptions()) {
        if (!words.isEmpty() && !global.offeredAfterCommand)
            continue;
        for (const QString& name : global.names)
            names << (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
    }
    return names;
}

// What comes at word `index` of the form: its next word or a value's.
Completion atWord(const remote::CommandRow& command, const CommandForm& form, int index)
{
    const QStringList own = wordsOf(form);
    if (index < own.size())
        return {{own[index]}};
    int first = own.size();
    for (const TypedValue& parameter : form.parameters) {
        const ArgumentRule& rule = ruleOf({&command, &form}, parameter);
        first += wordCountOf(parameter, rule);
        if (index < first)
            return suggestionsFor(parameter, rule);
    }
    return {};
}

// The next word after `words`, by every form they fit.
Completion nextWord(const QStringList& words)
{
    Completion next;
    for (const CommandRow& command : remote::commandTable()) {
        for (const CommandForm& form : command.forms) {
            const QStringList own = wordsOf(form);
            const int shared = std::min(int(own.size()), int(words.size()));
            if (words.mid(0, shared) != own.mid(0, shared))
                continue;
            const Completion here = atWord(command, form, words.size());
            next.words << here.words;
            next.files = next.files || here.files;
        }
    }
    return next;
}

Completion beginningWith(Completion completion, const QString& prefix)
{
    QStringList kept;
    for (const QString& word : completion.words)
        if (word.startsWith(prefix) && !kept.contains(word))
            kept << word;
    completion.words = kept;
    return completion;
}

} // namespace

Completion completionOf(const QStringList& words)
{
    const QString current = words.isEmpty() ? QString() : words.last();
    const Typed typed = typedBefore(words.mid(0, words.size() - 1));
    static const QRegularExpression optionWithValue(QStringLiteral("^--([^=]+)=(.*)$"));
    if (const QRegularExpressionMatch match = optionWithValue.match(current); match.hasMatch())
        return beginningWith(optionValue(typed.words, match.captured(1)), match.captured(2));
    if (!typed.pendingOption.isEmpty())
        return beginningWith(optionValue(typed.words, typed.pendingOption), current);
    if (current.startsWith(QLatin1Char('-')) && !isNumber(current))
        return beginningWith({optionNames(typed.words)}, current);
    return beginningWith(nextWord(typed.words), current);
}

QString completionText(const Completion& completion)
{
    if (completion.files)
        return QStringLiteral("<file>\n");
    QString text;
    for (const QString& word : completion.words)
        text += word + QLatin1Char('\n');
    return text;
}

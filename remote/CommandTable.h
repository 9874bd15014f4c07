#pragma once
// The commands of velumixctl and of the window's socket, one row each: the
// name the protocol gives it, its arguments and their rules, what it needs to
// run, and how velumixctl's command line writes it. Any local client may send
// anything, so every argument a command reads is checked against its rule
// first, and anything else is refused. velumixctl reads its command line,
// prints its usage and completes words from the same rows, so a command
// line and a request always agree.

#include "RemoteProtocol.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <vector>

namespace remote {

struct ArgumentRule
{
    enum Kind
    {
        Text,      // a non-empty string of at most `max` characters (0: any);
                   // one of `choices` when there are any
        Whole,     // a whole number from min to max
        Wholes,    // an array of `count` whole numbers from min to max
        Flag,      // true or false
        HexDigits, // a string of `count` hexadecimal digits
    };

    const char* name;
    Kind kind;
    bool required = false;
    int min = 0;
    int max = 0;
    int count = 0;
    QStringList choices = {};
};

// How a value typed on velumixctl's command line becomes its argument. The
// bounds, the count and the choices are those of the argument's rule.
enum class ValueSyntax
{
    Decimal,      // plain decimal digits, '-' only where the rule allows negatives
    DecimalList,  // the rule's count of decimals, separated by commas
    DecimalWords, // the rule's count of decimals, one word each
    OnOff,        // "on" or "off": true or false
    Choice,       // one of the rule's choices
    ProductId,    // one to four hexadecimal digits, sent as four lower-case ones
    Identity,     // eight hexadecimal digits, sent lower-case
    File,         // a file, sent by its absolute path (the window runs elsewhere)
    Text,         // any text
};

// A value typed on velumixctl's command line: words after the command's own
// words, or an option's value.
struct TypedValue
{
    const char* argument; // the request argument it sets
    ValueSyntax syntax;
    // What it is called in messages: "level" ("a level", "'x' is not a level
    // from 0 to 100"), "byte" ("four bytes").
    const char* noun;
    // Shown in the usage: "N", "FILE"; null for a choice, which shows its
    // choices ("surround|stereo").
    const char* placeholder = nullptr;
    // Words offered to complete it besides its choices (preset names).
    QStringList (*suggestions)() = nullptr;
};

struct TypedOption
{
    const char* name; // "page" for --page
    TypedValue value;
    bool required = false;
    // The argument sent when the option is not given; undefined: none.
    QJsonValue fallback = QJsonValue::Undefined;
};

// One way of writing the command: its words ("custom import"), the values
// typed after them, its options, and the arguments the words stand for
// ("simulate new-unit" sends {"action": "new-unit"}).
struct CommandForm
{
    const char* words;
    std::vector<TypedValue> parameters = {};
    std::vector<TypedOption> options = {};
    QJsonObject fixed = {};
};

struct CommandRow
{
    enum Needs
    {
        Nothing,
        Headset, // an open headset: "no headset found" (exit 3) without one
        Unit,    // an open headset that has said which unit it is
        Window,  // the running window (exit 9 without one)
    };

    const char* name; // as the protocol names it: "custom-import"
    Needs needs;
    std::vector<ArgumentRule> arguments;
    // velumixctl's ways of writing it; none for the window's own commands.
    std::vector<CommandForm> forms = {};
    const char* summary = nullptr; // one line, for velumixctl's usage
    // With this argument given, the command needs no headset: the argument
    // names what the headset would have told (a model by its product ID).
    const char* insteadOfHeadset = nullptr;
};

// The formats `custom-export` writes, the first by default.
const QStringList& modeExportFormats();

// Every command, in the order velumixctl's usage lists them.
const std::vector<CommandRow>& commandTable();
// The row of a command; null for an unknown one.
const CommandRow* findCommand(const QString& name);
// The rule of one of the command's arguments; null for an unknown one.
const ArgumentRule* findArgument(const CommandRow& command, const QString& name);

// Whether the command needs an open headset, given its arguments.
bool needsHeadset(const CommandRow& command, const QJsonObject& arguments);

// The form as velumixctl's usage writes it:
// "custom import FILE --name NAME [--page surround|stereo]".
QString usageLine(const CommandRow& command, const CommandForm& form);
// What a value shows in the usage: its placeholder or its choices.
QString placeholderOf(const TypedValue& value, const ArgumentRule& rule);

// What is wrong with the arguments of the command, as one line; empty when
// each member has a rule, follows it, and every required one is there. A
// null member counts as absent.
QString argumentError(const CommandRow& command, const QJsonObject& arguments);

// The usage error of a request (exit 2): an unknown command or a wrong
// argument; nothing when the request may run.
std::optional<Result> requestError(const Request& request);

} // namespace remote

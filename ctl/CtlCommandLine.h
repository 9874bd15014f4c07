#pragma once
// velumixctl's commands as the command table writes them: reading the words
// and options of one into its request, and the usage of them all. Nothing
// here knows a command by name; every word, option, value and message comes
// from the table's rows.

#include "CommandTable.h"

#include <QString>
#include <QStringList>

#include <map>
#include <optional>

// One way of writing a command, with the row it belongs to.
struct TypedCommand
{
    const remote::CommandRow* command;
    const remote::CommandForm* form;
};

// The words of a form: "custom import" is {"custom", "import"}.
QStringList wordsOf(const remote::CommandForm& form);
// The form whose words begin `words`, the one with most words when several
// do ("preset list" before "preset NAME"); none when no form's do.
std::optional<TypedCommand> typedCommandOf(const QStringList& words);
// How many words a value takes: four for "switch A S N M", else one.
int wordCountOf(const remote::TypedValue& value, const remote::ArgumentRule& rule);
// The rule of the argument a typed value sets.
const remote::ArgumentRule& ruleOf(const TypedCommand& typed, const remote::TypedValue& value);

// The first words of the commands, each once, in the table's order.
QStringList commandWords();
// Every command option's name ("page" for --page), each once, sorted.
QStringList commandOptionNames();

// Makes the request of a command line: `words` are the command's words and
// values ("custom", "import", "eq.txt"), `options` the command options
// given, by name, with their values. Returns why they make no request, as
// one line that names what would do.
using CommandOptionValues = std::map<QString, QString>;
std::optional<QString> readCommand(const QStringList& words, const CommandOptionValues& options,
                                   remote::Request& request);

// One entry of a usage: the lines, and the summary beside the last one when
// there is room, else below; wrapped to 80 columns.
QString usageEntry(const QStringList& lines, const QString& summary);
// The commands' part of velumixctl's usage: each row's usage lines and
// summary, in the table's order.
QString commandsUsage();

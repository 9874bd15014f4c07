#pragma once
// The commands of velumixctl and of the window's socket, one row each: the
// name the protocol gives it, its arguments and their rules, and what it
// needs to run. Any local client may send anything, so every argument a
// command reads is checked against its rule first, and anything else is
// refused; velumixctl checks the same rules before it sends.

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
        Text,      // a non-empty string; one of `choices` when there are any
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

struct CommandSpec
{
    enum Needs
    {
        Nothing,
        Headset, // an open headset: "no headset found" (exit 3) without one
        Window,  // the running window (exit 9 without one)
    };

    const char* name; // as the protocol names it: "custom-import"
    Needs needs;
    std::vector<ArgumentRule> arguments;
};

// The formats `custom-export` writes, the first by default.
const QStringList& modeExportFormats();

// Every command, in the order velumixctl's usage lists them.
const std::vector<CommandSpec>& commandTable();
// The row of a command; null for an unknown one.
const CommandSpec* findCommand(const QString& name);

// What is wrong with the arguments of the command, as one line; empty when
// each member has a rule, follows it, and every required one is there. A
// null member counts as absent.
QString argumentError(const CommandSpec& command, const QJsonObject& arguments);

// The usage error of a request (exit 2): an unknown command or a wrong
// argument; nothing when the request may run.
std::optional<Result> requestError(const Request& request);

} // namespace remote

#pragma once
// Checking the arguments of a command of the window's local channel. Any
// local client may send anything, so every argument a command reads is
// checked against its rule first, and anything else is refused.

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <vector>

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

// Rules of the common arguments.
ArgumentRule pageArgument();
ArgumentRule nameArgument();

// What is wrong with the arguments of `command`, as one line; empty when
// each member has a rule, follows it, and every required one is there. A
// null member counts as absent.
QString argumentError(const QString& command, const QJsonObject& arguments,
                      const std::vector<ArgumentRule>& rules);

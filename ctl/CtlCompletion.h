#pragma once
// The words that complete a velumixctl command line, from the command table
// and the global options. The shell's completion script asks velumixctl for
// them (`velumixctl --complete WORDS...`), so it never lists a command,
// option or preset of its own.

#include <QStringList>

struct Completion
{
    QStringList words;  // in the table's order, each once
    bool files = false; // a file name goes there
};

// What may stand in place of the last of `words` (velumixctl's arguments up
// to the cursor, the program's name left out) and begins with it. An
// option's value after '=' ("--page=st") is completed on its own: the words
// offered are values.
Completion completionOf(const QStringList& words);

// The lines `velumixctl --complete` prints: the words, or "<file>".
QString completionText(const Completion& completion);

#pragma once
// Starting with the desktop session: the per-user XDG autostart entry.

#include <QString>
#include <QStringList>

// Writes $XDG_CONFIG_HOME/autostart/<program base name>.desktop so that the
// session starts the program hidden ("-autorun"). A disable the user set in
// the entry (Hidden=true, X-GNOME-Autostart-enabled=false) is kept. Returns
// false when the entry could not be written; callers treat that as harmless.
bool setAutoRun(const QString& programPath);
// The autostart entry's path for a program.
QString autostartEntryPath(const QString& programPath);
// A program path as one argument of a desktop entry's Exec key.
QString desktopExecArgument(const QString& path);
// True when "-autorun" is one of the arguments (program name included),
// compared case-sensitively.
bool isAutorunStart(const QStringList& arguments);

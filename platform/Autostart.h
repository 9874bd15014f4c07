#pragma once
// Starting with the desktop session: the per-user XDG autostart entry.

#include <QString>
#include <QStringList>

// Writes $XDG_CONFIG_HOME/autostart/<program base name>.desktop so that the
// session starts the program hidden ("-autorun"). The entry names the
// program in TryExec too, so that a desktop passes over it once the program
// is gone (removed or purged), and carries the menu entry's name and icon. A
// disable the user set in the entry (Hidden=true,
// X-GNOME-Autostart-enabled=false) is kept. Returns false when the entry
// could not be written; callers treat that as harmless.
bool setAutoRun(const QString& programPath);
// True when the program runs from a CMake build folder (its folder's parent
// holds CMakeCache.txt) rather than from where it was installed.
bool isBuildTreeProgram(const QString& programPath);
// Whether a start writes the autostart entry: only an installed program does,
// and not when it runs a simulated headset (--simulate).
bool autostartWanted(const QString& programPath, bool simulate);
// The autostart entry's path for a program.
QString autostartEntryPath(const QString& programPath);
// A program path as one argument of a desktop entry's Exec key.
QString desktopExecArgument(const QString& path);
// True when "-autorun" is one of the arguments (program name included),
// compared case-sensitively.
bool isAutorunStart(const QStringList& arguments);

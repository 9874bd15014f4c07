#pragma once
// The trace log: one line per step of an operation, in debug.log inside the
// program's folder of the user's documents folder.

#include <QLoggingCategory>
#include <QString>

Q_DECLARE_LOGGING_CATEGORY(lcTrace)

// The complete base name of the program file; the program's folder in the
// documents folder has this name.
QString programBaseName();
// Starts a fresh log for this run of the program.
void initTraceLog();
// Appends one record; records written before initTraceLog() are dropped.
void traceLog(const QString& tag, const QString& step, const QString& unit, const QString& function,
              int line);
// The log file in use; empty before initTraceLog().
QString traceLogFilePath();

// The log starts over once it reaches this size.
constexpr qint64 kTraceLogLimit = 10 * 1024 * 1024;

#pragma once
// The debug lines every source unit writes: one unquoted line of text in the
// unit's logging category. Trace records go through traceLog (TraceLog.h).

#include <QLoggingCategory>
#include <QString>

void debugLine(const QLoggingCategory& category, const QString& text);

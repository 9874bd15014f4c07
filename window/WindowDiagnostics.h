#pragma once
// The window's debug lines (category velumix.window) and trace records
// (source unit "Velumix").

#include "Diagnostics.h"
#include "TraceLog.h"

Q_DECLARE_LOGGING_CATEGORY(lcWindow)

inline void debugLine(const QString& text)
{
    debugLine(lcWindow(), text);
}

inline void trace(const QString& tag, const QString& step, const char* function, int line)
{
    traceLog(tag, step, "Velumix", function, line);
}

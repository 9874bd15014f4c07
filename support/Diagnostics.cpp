#include "Diagnostics.h"

void debugLine(const QLoggingCategory& category, const QString& text)
{
    qCDebug(category).noquote() << text;
}

#pragma once
// The window's debug lines: category velumix.window.

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcWindow)

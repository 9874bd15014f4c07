#include "Autostart.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>

namespace {
const QString kAutorunArgument = QStringLiteral("-autorun");
// Characters that oblige an Exec argument to be quoted.
const QString kReservedCharacters = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
} // namespace

QString desktopExecArgument(const QString& path)
{
    QString argument = path;
    argument.replace('%', "%%"); // field codes
    const bool needsQuotes = std::any_of(argument.begin(), argument.end(),
                                         [](QChar c) { return kReservedCharacters.contains(c); });
    if (!needsQuotes)
        return argument;
    QString quoted;
    for (const QChar c : argument) {
        // Escaped once for the quoting, then the backslash once more for the
        // key file's own string escaping.
        if (c == '"' || c == '`' || c == '$')
            quoted += QStringLiteral("\\\\") + c;
        else if (c == '\\')
            quoted += QStringLiteral("\\\\\\\\");
        else
            quoted += c;
    }
    return '"' + quoted + '"';
}

QString autostartEntryPath(const QString& programPath)
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/autostart/" +
           QFileInfo(programPath).completeBaseName() + ".desktop";
}

bool setAutoRun(const QString& programPath)
{
    const QString entryPath = autostartEntryPath(programPath);
    QDir().mkpath(QFileInfo(entryPath).path());
    QSaveFile entry(entryPath);
    if (!entry.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    const QString name = QFileInfo(programPath).completeBaseName();
    const QString text =
        QStringLiteral("[Desktop Entry]\n"
                       "Type=Application\n"
                       "Name=%1\n"
                       "Comment=Headset companion, started hidden in the tray\n"
                       "Exec=%2 %3\n"
                       "Terminal=false\n"
                       "X-GNOME-Autostart-enabled=true\n")
            .arg(name, desktopExecArgument(QFileInfo(programPath).absoluteFilePath()),
                 kAutorunArgument);
    entry.write(text.toUtf8());
    return entry.commit();
}

bool isAutorunStart(const QStringList& arguments)
{
    return arguments.contains(kAutorunArgument, Qt::CaseSensitive);
}

#include "Autostart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>

namespace {
const QString kAutorunArgument = QStringLiteral("-autorun");
// The menu entry's name and icon (resources/velumix.desktop).
const QString kEntryName = QStringLiteral("Velumix");
const QString kEntryIcon = QStringLiteral("velumix");
// Characters that oblige an Exec argument to be quoted.
const QString kReservedCharacters = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");

// How the user turned the entry off, if they did: desktops offer either key.
struct UserDisable
{
    bool hidden = false;
    bool gnomeDisabled = false;
};

// The disabling keys of an entry's [Desktop Entry] group; nothing for an
// entry that is missing or unreadable.
UserDisable userDisableIn(const QString& entryPath)
{
    UserDisable disable;
    QFile entry(entryPath);
    if (!entry.open(QIODevice::ReadOnly | QIODevice::Text))
        return disable;
    bool inMainGroup = false;
    while (!entry.atEnd()) {
        const QString line = QString::fromUtf8(entry.readLine()).trimmed();
        if (line.startsWith('[')) {
            inMainGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        const int equals = line.indexOf('=');
        if (!inMainGroup || equals < 0)
            continue;
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        if (key == QLatin1String("Hidden"))
            disable.hidden = value == QLatin1String("true");
        else if (key == QLatin1String("X-GNOME-Autostart-enabled"))
            disable.gnomeDisabled = value == QLatin1String("false");
    }
    return disable;
}
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
    // The program path and argument are refreshed; a disable the user set stays.
    const UserDisable disable = userDisableIn(entryPath);
    QDir().mkpath(QFileInfo(entryPath).path());
    QSaveFile entry(entryPath);
    if (!entry.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    const QString program = QFileInfo(programPath).absoluteFilePath();
    // TryExec is a plain string, not an Exec argument: only the key file's
    // own escapes apply.
    QString tryExec = program;
    tryExec.replace('\\', QStringLiteral("\\\\"));
    const QString text =
        QStringLiteral("[Desktop Entry]\n"
                       "Type=Application\n"
                       "Name=%1\n"
                       "Comment=Headset companion, started hidden in the tray\n"
                       "Icon=%2\n"
                       "TryExec=%3\n"
                       "Exec=%4 %5\n"
                       "Terminal=false\n"
                       "X-GNOME-Autostart-enabled=%6\n")
            .arg(kEntryName, kEntryIcon, tryExec, desktopExecArgument(program), kAutorunArgument,
                 disable.gnomeDisabled ? QStringLiteral("false") : QStringLiteral("true")) +
        (disable.hidden ? QStringLiteral("Hidden=true\n") : QString());
    entry.write(text.toUtf8());
    return entry.commit();
}

bool isBuildTreeProgram(const QString& programPath)
{
    const QDir programFolder = QFileInfo(programPath).absoluteDir();
    return QFileInfo(programFolder.absoluteFilePath(QStringLiteral("../CMakeCache.txt"))).isFile();
}

bool autostartWanted(const QString& programPath, bool simulate)
{
    return !simulate && !isBuildTreeProgram(programPath);
}

bool isAutorunStart(const QStringList& arguments)
{
    return arguments.contains(kAutorunArgument, Qt::CaseSensitive);
}

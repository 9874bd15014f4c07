#pragma once
// Points HOME and the XDG folders at a fresh folder of its own, so that a test
// function starts without user files, and the trace log and the user files
// never land in the real documents folder. (isolated.sh does the same once
// per test program.)

#include <QByteArray>
#include <QDir>
#include <QTemporaryDir>

class ThrowawayHome
{
public:
    ThrowawayHome()
    {
        const QString home = m_folder.path() + "/home";
        qputenv("HOME", home.toUtf8());
        qputenv("XDG_CONFIG_HOME", (home + "/.config").toUtf8());
        qputenv("XDG_DATA_HOME", (home + "/.local/share").toUtf8());
        qputenv("XDG_CACHE_HOME", (home + "/.cache").toUtf8());
        QDir().mkpath(documents());
    }
    QString documents() const { return m_folder.path() + "/home/Documents"; }

private:
    QTemporaryDir m_folder;
};

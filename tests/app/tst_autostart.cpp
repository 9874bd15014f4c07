// The autostart entry: where it lives, how the program path is quoted in its
// Exec key, its name, icon and TryExec, that a desktop session really starts
// the program from it and passes over it once the program is gone, that
// every start rewrites it but keeps a disable the user set, and that a failed
// write is silent; which starts write it (an installed program's, not one
// from a build folder or with --simulate); and which arguments mark a start
// by that entry.

#include "Autostart.h"
#include "LogRecorder.h"

#include <QtTest>

namespace {

const QString kAutorun = QStringLiteral("-autorun");
constexpr int kLaunchDeadlineMs = 10000;

QString readText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

bool writeText(const QString& path, const QByteArray& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

enum class Obstacle
{
    AutostartIsAFile,
    EntryIsAFolder,
    ConfigUnderProc
};

} // namespace

Q_DECLARE_METATYPE(Obstacle)

class AutostartTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();

    void entryLocation_data();
    void entryLocation();
    void execQuoting_data();
    void execQuoting();
    void sessionStartsProgramFromEntry_data();
    void sessionStartsProgramFromEntry();
    void entryKeys_data();
    void entryKeys();
    void sessionSkipsEntryOfRemovedProgram();
    void whichStartsWriteTheEntry_data();
    void whichStartsWriteTheEntry();
    void everyStartRewritesEntry_data();
    void everyStartRewritesEntry();
    void userDisableIsKept_data();
    void userDisableIsKept();
    void failedWriteIsSilent_data();
    void failedWriteIsSilent();
    void autorunArgument_data();
    void autorunArgument();

private:
    QString configHome() const { return qEnvironmentVariable("XDG_CONFIG_HOME"); }
    // A configuration folder other than ~/.config.
    QString elsewhere() const { return m_scratch.filePath("elsewhere"); }

    QByteArray m_configHome;
    QTemporaryDir m_scratch;
};

void AutostartTest::initTestCase()
{
    m_configHome = qgetenv("XDG_CONFIG_HOME");
    QVERIFY2(m_configHome.startsWith(qgetenv("HOME")) && !qgetenv("HOME").isEmpty(),
             "run through ctest: tests need a throwaway HOME and XDG_CONFIG_HOME");
    QVERIFY(m_scratch.isValid());
}

void AutostartTest::cleanup()
{
    qputenv("XDG_CONFIG_HOME", m_configHome);
    QDir(configHome() + "/autostart").removeRecursively();
    QFile::remove(configHome() + "/autostart"); // left as a file by a test
    QDir(qEnvironmentVariable("HOME") + "/.config/autostart").removeRecursively();
    QDir(elsewhere()).removeRecursively();
}

void AutostartTest::entryLocation_data()
{
    QTest::addColumn<QString>("programPath");
    QTest::addColumn<bool>("configHomeSet");
    QTest::addColumn<QString>("entryName");
    QTest::newRow("in XDG_CONFIG_HOME") << "/opt/velumix/velumix" << true << "velumix.desktop";
    QTest::newRow("in ~/.config when XDG_CONFIG_HOME is unset")
        << "/opt/velumix/velumix" << false << "velumix.desktop";
    QTest::newRow("last extension dropped")
        << "/opt/x/velumix.AppImage" << true << "velumix.desktop";
    QTest::newRow("only the last extension dropped")
        << "/opt/x/velumix-1.2.AppImage" << true << "velumix-1.2.desktop";
}

void AutostartTest::entryLocation()
{
    QFETCH(QString, programPath);
    QFETCH(bool, configHomeSet);
    QFETCH(QString, entryName);
    if (configHomeSet)
        qputenv("XDG_CONFIG_HOME", elsewhere().toUtf8());
    else
        qunsetenv("XDG_CONFIG_HOME");
    const QString expected =
        (configHomeSet ? elsewhere() : qEnvironmentVariable("HOME") + "/.config") + "/autostart/" +
        entryName;

    QCOMPARE(autostartEntryPath(programPath), expected);
    QVERIFY(setAutoRun(programPath));
    QVERIFY(QFileInfo(expected).isFile());
    QCOMPARE(QDir(QFileInfo(expected).path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{entryName});
}

void AutostartTest::execQuoting_data()
{
    QTest::addColumn<QString>("programPath");
    QTest::addColumn<QString>("exec");
    QTest::newRow("plain path") << "/opt/velumix/velumix"
                                << "/opt/velumix/velumix -autorun";
    QTest::newRow("space") << "/opt/My Tools/velumix"
                           << R"("/opt/My Tools/velumix" -autorun)";
    // Inside quotes ", `, $ and \ take a backslash; the key file's own string
    // escaping then doubles every backslash.
    QTest::newRow("double quote") << R"(/opt/say"hi"/velumix)"
                                  << R"("/opt/say\\"hi\\"/velumix" -autorun)";
    QTest::newRow("backslash") << R"(/opt/back\slash/velumix)"
                               << R"("/opt/back\\\\slash/velumix" -autorun)";
    QTest::newRow("dollar") << "/opt/$HOME/velumix"
                            << R"("/opt/\\$HOME/velumix" -autorun)";
    QTest::newRow("backtick") << "/opt/`id`/velumix"
                              << R"("/opt/\\`id\\`/velumix" -autorun)";
    QTest::newRow("single quote") << "/opt/it's/velumix"
                                  << R"("/opt/it's/velumix" -autorun)";
    QTest::newRow("percent sign") << "/opt/100%/velumix"
                                  << "/opt/100%%/velumix -autorun";
    QTest::newRow("percent sign and space") << "/opt/100 %/velumix"
                                            << R"("/opt/100 %%/velumix" -autorun)";
    QTest::newRow("non-ASCII") << QString::fromUtf8("/home/jürgen/音量/velumix")
                               << QString::fromUtf8("/home/jürgen/音量/velumix -autorun");
}

void AutostartTest::execQuoting()
{
    QFETCH(QString, programPath);
    QFETCH(QString, exec);
    QVERIFY(setAutoRun(programPath));

    const QStringList lines = readText(autostartEntryPath(programPath)).split('\n');
    QCOMPARE(lines.first(), QStringLiteral("[Desktop Entry]"));
    QVERIFY(lines.contains("Type=Application"));
    const QStringList execLines = lines.filter(QRegularExpression("^Exec="));
    QCOMPARE(execLines.size(), 1);
    QCOMPARE(execLines.first(), "Exec=" + exec);
}

// The same paths, made real below a scratch folder: GLib's reader (what
// GNOME starts autostart entries with) must run the program at its path.
void AutostartTest::sessionStartsProgramFromEntry_data()
{
    execQuoting_data();
}

void AutostartTest::sessionStartsProgramFromEntry()
{
    QFETCH(QString, programPath);
    if (programPath.contains('%'))
        QSKIP("GLib looks for the program before it turns %% back into %, and mangles a single "
              "%, so no spelling of such a path starts from GLib");
    const QString gio = QStandardPaths::findExecutable("gio");
    QVERIFY2(!gio.isEmpty(), "the gio tool is missing (Debian package libglib2.0-bin)");
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString program = root.path() + programPath;
    const QString record = root.filePath("launched");
    // The stand-in program writes down how it was started.
    QVERIFY(QDir().mkpath(QFileInfo(program).path()));
    QVERIFY(writeText(program,
                      "#!/bin/sh\nprintf '%s\\n' \"$0\" \"$@\" > \"$VELUMIX_LAUNCH_RECORD.part\"\n"
                      "mv \"$VELUMIX_LAUNCH_RECORD.part\" \"$VELUMIX_LAUNCH_RECORD\"\n"));
    QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QVERIFY(setAutoRun(program));

    QProcess launch;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("VELUMIX_LAUNCH_RECORD", record);
    environment.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + root.filePath("no-bus"));
    launch.setProcessEnvironment(environment);
    launch.start(gio, {"launch", autostartEntryPath(program)});
    QVERIFY(launch.waitForFinished(kLaunchDeadlineMs));
    QVERIFY2(launch.exitCode() == 0, launch.readAllStandardError().constData());

    QTRY_COMPARE_WITH_TIMEOUT(readText(record), program + "\n" + kAutorun + "\n",
                              kLaunchDeadlineMs);
}

void AutostartTest::entryKeys_data()
{
    QTest::addColumn<QString>("programPath");
    QTest::addColumn<QString>("tryExec");
    QTest::newRow("installed") << "/usr/bin/velumix"
                               << "/usr/bin/velumix";
    QTest::newRow("space") << "/opt/My Tools/velumix"
                           << "/opt/My Tools/velumix";
    QTest::newRow("backslash, key file escape only") << R"(/opt/back\slash/velumix)"
                                                     << R"(/opt/back\\slash/velumix)";
    QTest::newRow("percent sign, no field code") << "/opt/100%/velumix"
                                                 << "/opt/100%/velumix";
    QTest::newRow("renamed program") << "/opt/velumix-1.2/velumix-1.2"
                                     << "/opt/velumix-1.2/velumix-1.2";
}

// The entry shows under the menu entry's name and icon, and TryExec names
// the program as it is on disk.
void AutostartTest::entryKeys()
{
    QFETCH(QString, programPath);
    QFETCH(QString, tryExec);
    QVERIFY(setAutoRun(programPath));
    const QStringList lines = readText(autostartEntryPath(programPath)).split('\n');
    QCOMPARE(lines.filter(QRegularExpression("^Name=")), QStringList{"Name=Velumix"});
    QCOMPARE(lines.filter(QRegularExpression("^Icon=")), QStringList{"Icon=velumix"});
    QCOMPARE(lines.filter(QRegularExpression("^TryExec=")), QStringList{"TryExec=" + tryExec});

    const QString validate = QStandardPaths::findExecutable("desktop-file-validate");
    if (validate.isEmpty())
        return;
    QProcess check;
    check.start(validate, {autostartEntryPath(programPath)});
    QVERIFY(check.waitForFinished(kLaunchDeadlineMs));
    QVERIFY2(check.exitCode() == 0, check.readAll().constData());
}

// Once the program is gone (apt purge), GLib's reader, which GNOME's session
// starts autostart entries with, passes over the entry.
void AutostartTest::sessionSkipsEntryOfRemovedProgram()
{
    const QString gio = QStandardPaths::findExecutable("gio");
    QVERIFY2(!gio.isEmpty(), "the gio tool is missing (Debian package libglib2.0-bin)");
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString program = root.filePath("bin/velumix");
    QVERIFY(QDir().mkpath(QFileInfo(program).path()));
    QVERIFY(writeText(program, "#!/bin/sh\ntouch \"$0.ran\"\n"));
    QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QVERIFY(setAutoRun(program));
    QVERIFY(QFile::remove(program));

    QProcess launch;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + root.filePath("no-bus"));
    launch.setProcessEnvironment(environment);
    launch.start(gio, {"launch", autostartEntryPath(program)});
    QVERIFY(launch.waitForFinished(kLaunchDeadlineMs));
    QVERIFY2(launch.exitCode() != 0, "gio started an entry whose program is gone");
}

void AutostartTest::whichStartsWriteTheEntry_data()
{
    QTest::addColumn<QString>("folder");   // below the scratch folder, or absolute
    QTest::addColumn<bool>("buildFolder"); // CMakeCache.txt beside the program's folder
    QTest::addColumn<bool>("simulate");
    QTest::addColumn<bool>("wanted");
    QTest::newRow("installed in /usr/bin") << "/usr/bin" << false << false << true;
    QTest::newRow("installed below a prefix of one's own")
        << "own/.local/bin" << false << false << true;
    QTest::newRow("installed, --simulate") << "/usr/bin" << false << true << false;
    QTest::newRow("build folder") << "build/bin" << true << false << false;
    QTest::newRow("build folder, --simulate") << "build/bin" << true << true << false;
}

void AutostartTest::whichStartsWriteTheEntry()
{
    QFETCH(QString, folder);
    QFETCH(bool, buildFolder);
    QFETCH(bool, simulate);
    QFETCH(bool, wanted);
    const QString programFolder = folder.startsWith('/') ? folder : m_scratch.filePath(folder);
    if (!folder.startsWith('/'))
        QVERIFY(QDir().mkpath(programFolder));
    if (buildFolder)
        QVERIFY(writeText(programFolder + "/../CMakeCache.txt", "# CMake's cache\n"));
    const QString program = programFolder + "/velumix";

    QCOMPARE(isBuildTreeProgram(program), buildFolder);
    QCOMPARE(autostartWanted(program, simulate), wanted);
}

void AutostartTest::everyStartRewritesEntry_data()
{
    QTest::addColumn<QByteArray>("replacement"); // empty: the entry is deleted
    QTest::newRow("deleted") << QByteArray();
    QTest::newRow("changed by hand")
        << QByteArray("[Desktop Entry]\nType=Application\nExec=/elsewhere/velumix\nHidden=false\n");
}

void AutostartTest::everyStartRewritesEntry()
{
    QFETCH(QByteArray, replacement);
    const QString program = QStringLiteral("/opt/velumix/velumix");
    const QString entry = autostartEntryPath(program);
    QVERIFY(setAutoRun(program));
    const QString written = readText(entry);
    QVERIFY(written.contains("Exec=" + program + " " + kAutorun + "\n"));

    if (replacement.isEmpty())
        QVERIFY(QFile::remove(entry));
    else
        QVERIFY(writeText(entry, replacement));
    QVERIFY(setAutoRun(program));

    QCOMPARE(readText(entry), written);
}

void AutostartTest::userDisableIsKept_data()
{
    QTest::addColumn<QByteArray>("userEntry");
    QTest::addColumn<QStringList>("keptLines");
    QTest::addColumn<QStringList>("absentLines");
    const QByteArray head = "[Desktop Entry]\nType=Application\nExec=/elsewhere/velumix\n";
    QTest::newRow("Hidden=true") << head + "Hidden=true\n"
                                 << QStringList{"Hidden=true"} << QStringList{};
    QTest::newRow("GNOME's switch off")
        << head + "X-GNOME-Autostart-enabled=false\n"
        << QStringList{"X-GNOME-Autostart-enabled=false"} << QStringList{"Hidden=true"};
    QTest::newRow("both, spaced and out of order")
        << QByteArray(
               "[Desktop Entry]\nX-GNOME-Autostart-enabled = false\nHidden= true\nExec=/old\n")
        << QStringList{"Hidden=true", "X-GNOME-Autostart-enabled=false"} << QStringList{};
    QTest::newRow("GNOME's switch on")
        << head + "X-GNOME-Autostart-enabled=true\n"
        << QStringList{"X-GNOME-Autostart-enabled=true"} << QStringList{"Hidden=true"};
    QTest::newRow("keys of another group")
        << head + "[Desktop Action quit]\nHidden=true\nX-GNOME-Autostart-enabled=false\n"
        << QStringList{"X-GNOME-Autostart-enabled=true"} << QStringList{"Hidden=true"};
}

// The session manager's own rewrite keeps what the user chose: the program
// path and argument are refreshed, the user's disable stays.
void AutostartTest::userDisableIsKept()
{
    QFETCH(QByteArray, userEntry);
    QFETCH(QStringList, keptLines);
    QFETCH(QStringList, absentLines);
    const QString program = QStringLiteral("/opt/velumix/velumix");
    const QString entry = autostartEntryPath(program);
    QVERIFY(QDir().mkpath(QFileInfo(entry).path()));
    QVERIFY(writeText(entry, userEntry));

    QVERIFY(setAutoRun(program));

    const QStringList lines = readText(entry).split('\n');
    QVERIFY(lines.contains("Exec=" + program + " " + kAutorun));
    for (const QString& kept : keptLines)
        QVERIFY2(lines.contains(kept), qPrintable(kept));
    for (const QString& absent : absentLines)
        QVERIFY2(!lines.contains(absent), qPrintable(absent));
    // Written again on the next start, the disable is still there.
    QVERIFY(setAutoRun(program));
    QCOMPARE(readText(entry).split('\n'), lines);
}

void AutostartTest::failedWriteIsSilent_data()
{
    // Permissions do not stop root, so each obstacle is one root meets too.
    QTest::addColumn<Obstacle>("obstacle");
    QTest::newRow("autostart is a file") << Obstacle::AutostartIsAFile;
    QTest::newRow("entry name taken by a folder") << Obstacle::EntryIsAFolder;
    QTest::newRow("configuration folder in /proc") << Obstacle::ConfigUnderProc;
}

void AutostartTest::failedWriteIsSilent()
{
    QFETCH(Obstacle, obstacle);
    const QString program = QStringLiteral("/opt/velumix/velumix");
    const QString autostart = configHome() + "/autostart";
    switch (obstacle) {
    case Obstacle::AutostartIsAFile:
        QVERIFY(writeText(autostart, "not a folder"));
        break;
    case Obstacle::EntryIsAFolder:
        QVERIFY(QDir().mkpath(autostart + "/velumix.desktop"));
        break;
    case Obstacle::ConfigUnderProc:
        qputenv("XDG_CONFIG_HOME", "/proc/velumix-config");
        break;
    }

    bool written = true;
    {
        // A failed write must say nothing.
        const LogRecorder recorder;
        written = setAutoRun(program);
        QVERIFY2(recorder.messages().isEmpty(), qPrintable(recorder.messages().join('\n')));
    }

    QVERIFY(!written);
    if (obstacle == Obstacle::AutostartIsAFile)
        QCOMPARE(readText(autostart), QStringLiteral("not a folder"));
    if (obstacle == Obstacle::EntryIsAFolder)
        QVERIFY(QDir(autostart).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

void AutostartTest::autorunArgument_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("autorun");
    QTest::newRow("program alone") << QStringList{"velumix"} << false;
    QTest::newRow("no arguments at all") << QStringList{} << false;
    QTest::newRow("-autorun") << QStringList{"velumix", "-autorun"} << true;
    QTest::newRow("-autorun among others")
        << QStringList{"velumix", "-style", "fusion", "-autorun", "x"} << true;
    QTest::newRow("-autorun as the program name") << QStringList{"-autorun", "x"} << true;
    QTest::newRow("-Autorun") << QStringList{"velumix", "-Autorun"} << false;
    QTest::newRow("--autorun") << QStringList{"velumix", "--autorun"} << false;
    QTest::newRow("autorun") << QStringList{"velumix", "autorun"} << false;
    QTest::newRow("-autorun with a value") << QStringList{"velumix", "-autorun=1"} << false;
    QTest::newRow("-autorun with a space") << QStringList{"velumix", "-autorun "} << false;
    QTest::newRow("program path ending in -autorun") << QStringList{"/opt/x-autorun"} << false;
}

void AutostartTest::autorunArgument()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, autorun);
    QCOMPARE(isAutorunStart(arguments), autorun);
}

QTEST_GUILESS_MAIN(AutostartTest)
#include "tst_autostart.moc"

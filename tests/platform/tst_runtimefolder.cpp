// The folder where one user's programs of a session meet, and what it takes
// to trust it: only a folder of the user's own that nobody else may enter
// holds the single-instance lock and the window's socket; anything else gives
// way to a private folder in the user's cache folder. velumixctl sends
// nothing to a listener of another user. The cases with another user's files
// run as root and are skipped, saying why, otherwise.

#include "RemoteClient.h"
#include "SessionSocket.h"
#include "SingleInstance.h"

#include <QtTest>

#include <memory>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr uid_t kOtherUser = 65534; // nobody
const QByteArray kFakeResult = "{\"version\":1,\"exit\":0,\"data\":{\"model\":\"made up\"}}\n";

enum class Folder
{
    Own,
    OpenToOthers,
    OtherUsers,
    Link,
    File,
    Missing,
};

// A listener of another user: a child that drops to that user, listens at
// `path` and answers every connection with a made-up result.
class ForeignListener
{
public:
    explicit ForeignListener(const QString& path)
    {
        int ready[2];
        if (::pipe(ready) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0)
            serve(QFile::encodeName(path), ready[1]);
        ::close(ready[1]);
        char byte = 0;
        m_listening = m_pid > 0 && ::read(ready[0], &byte, 1) == 1;
        ::close(ready[0]);
    }
    ~ForeignListener()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    bool listening() const { return m_listening; }

private:
    [[noreturn]] static void serve(const QByteArray& path, int ready)
    {
        if (::setgid(kOtherUser) != 0 || ::setuid(kOtherUser) != 0)
            ::_exit(1);
        const int server = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        ::strncpy(address.sun_path, path.constData(), sizeof address.sun_path - 1);
        if (::bind(server, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(server, 4) != 0)
            ::_exit(1);
        (void)!::write(ready, "r", 1);
        for (;;) {
            const int client = ::accept(server, nullptr, nullptr);
            char request[4096];
            (void)!::read(client, request, sizeof request);
            (void)!::write(client, kFakeResult.constData(), size_t(kFakeResult.size()));
            ::close(client);
        }
    }

    pid_t m_pid = -1;
    bool m_listening = false;
};

bool isRoot()
{
    return ::geteuid() == 0;
}

} // namespace

Q_DECLARE_METATYPE(Folder)

class RuntimeFolderTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void onlyTheUsersOwnClosedFolderIsTrusted_data();
    void onlyTheUsersOwnClosedFolderIsTrusted();
    void oneInstanceWhateverTheTemporaryFolder_data();
    void oneInstanceWhateverTheTemporaryFolder();
    void nothingIsSentToAnotherUsersListener();

private:
    QString makeFolder(Folder kind);

    std::unique_ptr<QTemporaryDir> m_scratch;
    QByteArray m_runtime;
    QByteArray m_temp;
};

void RuntimeFolderTest::init()
{
    m_scratch = std::make_unique<QTemporaryDir>();
    // Another user must be able to reach a socket in it.
    QFile::setPermissions(m_scratch->path(), QFileDevice::Permissions(0x7777));
    m_runtime = qgetenv("XDG_RUNTIME_DIR");
    m_temp = qgetenv("TMPDIR");
    qputenv("XDG_CACHE_HOME", QFile::encodeName(m_scratch->filePath("cache")));
}

void RuntimeFolderTest::cleanup()
{
    qputenv("XDG_RUNTIME_DIR", m_runtime);
    qputenv("TMPDIR", m_temp);
    m_scratch.reset();
}

QString RuntimeFolderTest::makeFolder(Folder kind)
{
    const QString path = m_scratch->filePath("runtime");
    const QByteArray native = QFile::encodeName(path);
    switch (kind) {
    case Folder::Own:
        ::mkdir(native.constData(), 0700);
        break;
    case Folder::OpenToOthers:
        ::mkdir(native.constData(), 0700);
        ::chmod(native.constData(), 0777);
        break;
    case Folder::OtherUsers:
        ::mkdir(native.constData(), 0700);
        (void)!::chown(native.constData(), kOtherUser, kOtherUser);
        break;
    case Folder::Link:
        ::mkdir(QFile::encodeName(m_scratch->filePath("real")).constData(), 0700);
        (void)!::symlink("real", native.constData());
        break;
    case Folder::File:
        ::close(::open(native.constData(), O_CREAT | O_WRONLY, 0600));
        break;
    case Folder::Missing:
        break;
    }
    return path;
}

void RuntimeFolderTest::onlyTheUsersOwnClosedFolderIsTrusted_data()
{
    QTest::addColumn<Folder>("kind");
    QTest::addColumn<QString>("problem"); // %1: the folder
    QTest::addColumn<bool>("needsRoot");
    QTest::newRow("own, closed") << Folder::Own << QString() << false;
    QTest::newRow("open to others")
        << Folder::OpenToOthers << "%1 is open to other users (mode 0777)" << false;
    QTest::newRow("another user's")
        << Folder::OtherUsers << "%1 belongs to another user (uid 65534)" << true;
    QTest::newRow("a link") << Folder::Link << "%1 is not a folder" << false;
    QTest::newRow("a file") << Folder::File << "%1 is not a folder" << false;
    QTest::newRow("missing") << Folder::Missing << "%1 does not exist" << false;
}

void RuntimeFolderTest::onlyTheUsersOwnClosedFolderIsTrusted()
{
    QFETCH(Folder, kind);
    QFETCH(QString, problem);
    QFETCH(bool, needsRoot);
    if (needsRoot && !isRoot())
        QSKIP("only root can make a folder that belongs to another user");
    const QString folder = makeFolder(kind);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(folder));

    QCOMPARE(remote::runtimeFolderProblem(folder),
             problem.isEmpty() ? problem : problem.arg(folder));
    const remote::RuntimeFolder ready = remote::readySessionRuntimeFolder();
    QVERIFY2(ready.ok(), qPrintable(ready.problem));
    const QString fallback = m_scratch->filePath("cache/velumix-runtime");
    QCOMPARE(ready.path, problem.isEmpty() ? folder : fallback);
    QCOMPARE(remote::sessionSocketPath("velumix"),
             QDir(ready.path).filePath(QStringLiteral("velumix-%1").arg(::getuid())));
    if (!problem.isEmpty())
        QCOMPARE(QFileInfo(fallback).permissions() & 0x0777, QFileDevice::Permissions(0x0700));
}

void RuntimeFolderTest::oneInstanceWhateverTheTemporaryFolder_data()
{
    QTest::addColumn<bool>("runtimeFolder"); // false: XDG_RUNTIME_DIR unset
    QTest::addColumn<bool>("otherUser");     // the second start is another user's
    QTest::addColumn<bool>("secondRuns");
    QTest::newRow("same session, another TMPDIR") << true << false << false;
    QTest::newRow("XDG_RUNTIME_DIR unset, another TMPDIR") << false << false << false;
    QTest::newRow("two users, each with a runtime folder") << true << true << true;
    QTest::newRow("two users, XDG_RUNTIME_DIR unset") << false << true << true;
}

// The guard is the user's and the session's only: a start with another
// TMPDIR meets the first, no runtime folder at all still allows one, with
// nothing for Qt to warn about, and another user's start runs its own. The
// first start is this process's; the second runs in a child, as the same
// user or (as root) as nobody, with a runtime or cache folder of its own.
void RuntimeFolderTest::oneInstanceWhateverTheTemporaryFolder()
{
    QFETCH(bool, runtimeFolder);
    QFETCH(bool, otherUser);
    QFETCH(bool, secondRuns);
    if (otherUser && !isRoot())
        QSKIP("only root can start the second instance as another user");
    if (runtimeFolder)
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(makeFolder(Folder::Own)));
    else
        qunsetenv("XDG_RUNTIME_DIR");
    QStringList warnings;
    static QStringList* seen = nullptr;
    seen = &warnings;
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
            if (type != QtDebugMsg)
                *seen << text;
        });
    qputenv("TMPDIR", QFile::encodeName(m_scratch->filePath("first-tmp")));
    auto first = std::make_unique<SingleInstance>("velumix-guard-test");
    const bool firstAcquired = first->acquire();

    // The second start: exit status 0 when it holds the guard, 1 when not.
    const QByteArray otherRuntime = QFile::encodeName(m_scratch->filePath("other-runtime"));
    const QByteArray otherCache = QFile::encodeName(m_scratch->filePath("other-cache"));
    if (otherUser && runtimeFolder) {
        ::mkdir(otherRuntime.constData(), 0700);
        (void)!::chown(otherRuntime.constData(), kOtherUser, kOtherUser);
    }
    const pid_t child = ::fork();
    if (child == 0) {
        if (otherUser) {
            if (::setgid(kOtherUser) != 0 || ::setuid(kOtherUser) != 0)
                ::_exit(2);
            if (runtimeFolder)
                qputenv("XDG_RUNTIME_DIR", otherRuntime);
            qputenv("XDG_CACHE_HOME", otherCache);
        }
        qputenv("TMPDIR", QFile::encodeName(m_scratch->filePath("second-tmp")));
        SingleInstance second("velumix-guard-test");
        ::_exit(second.acquire() ? 0 : 1);
    }
    int status = -1;
    ::waitpid(child, &status, 0);
    first.reset();
    SingleInstance third("velumix-guard-test");
    const bool thirdAcquired = third.acquire();
    qInstallMessageHandler(previous);

    QVERIFY(firstAcquired);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), secondRuns ? 0 : 1);
    QVERIFY(thirdAcquired);
    QCOMPARE(warnings, QStringList());
}

void RuntimeFolderTest::nothingIsSentToAnotherUsersListener()
{
    if (!isRoot())
        QSKIP("only root can start a listener as another user");
    const QString socket = m_scratch->filePath("velumix-socket");
    const ForeignListener listener(socket);
    QVERIFY(listener.listening());

    const std::optional<remote::Result> result = remote::askWindow(socket, {"get", {}}, 2000);

    QVERIFY(result);
    QCOMPARE(result->exit, int(remote::ExitNoWindow));
    QCOMPARE(result->error, QStringLiteral("%1 is held by another user's program (uid 65534); "
                                           "nothing was sent to it")
                                .arg(socket));
}

QTEST_GUILESS_MAIN(RuntimeFolderTest)
#include "tst_runtimefolder.moc"

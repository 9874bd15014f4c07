#include "UhidHeadsetProcess.h"

#include "Frames.h"

#include <QCoreApplication>
#include <QTest>

namespace {
constexpr int kQuitTimeoutMs = 5000;
}

UhidHeadsetProcess::UhidHeadsetProcess() : m_output(m_folder.filePath("headset.log"))
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.setStandardOutputFile(m_output.fileName());
    m_process.start(QCoreApplication::applicationDirPath() + "/uhid-headset", QStringList());
    if (m_process.waitForStarted())
        m_output.open(QIODevice::ReadOnly);
}

UhidHeadsetProcess::~UhidHeadsetProcess()
{
    if (!started())
        return;
    command("quit");
    if (!m_process.waitForFinished(kQuitTimeoutMs))
        m_process.kill();
}

void UhidHeadsetProcess::command(const QString& line)
{
    m_process.write((line + "\n").toUtf8());
    m_process.waitForBytesWritten();
}

void UhidHeadsetProcess::readOutput()
{
    m_partialLine += m_output.readAll();
    for (int end; (end = m_partialLine.indexOf('\n')) >= 0;) {
        m_lines.append(QString::fromUtf8(m_partialLine.left(end)));
        m_partialLine.remove(0, end + 1);
    }
}

QString UhidHeadsetProcess::waitForLine(const QString& prefix, int timeoutMs)
{
    QString found;
    const bool ended = QTest::qWaitFor(
        [&] {
            readOutput();
            for (; m_linesWaitedFor < m_lines.size(); ++m_linesWaitedFor) {
                if (m_lines[m_linesWaitedFor].startsWith(prefix)) {
                    found = m_lines[m_linesWaitedFor++];
                    return true;
                }
            }
            return !started();
        },
        timeoutMs);
    return ended ? found : QString();
}

QString UhidHeadsetProcess::plugIn(uint16_t productId, const QString& identity)
{
    command(QStringLiteral("create %1 %2").arg(productId, 4, 16, QChar('0')).arg(identity));
    // "ready HEADSET_NODE CONTROLS_NODE"
    return waitForLine("ready ").section(' ', 1, 1);
}

bool UhidHeadsetProcess::pullOut()
{
    command("destroy");
    return !waitForLine("destroyed").isEmpty();
}

QStringList UhidHeadsetProcess::lines()
{
    readOutput();
    return m_lines;
}

QList<QByteArray> UhidHeadsetProcess::frames(const QString& direction, uint8_t code)
{
    QList<QByteArray> found;
    for (const QString& line : lines()) {
        if (!line.startsWith(direction + ' '))
            continue;
        const QByteArray bytes = QByteArray::fromHex(line.mid(direction.size()).toLatin1());
        if (bytes.size() > frame::kCodeOffset && uint8_t(bytes[frame::kCodeOffset]) == code)
            found.append(bytes);
    }
    return found;
}

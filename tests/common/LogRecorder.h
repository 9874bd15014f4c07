#pragma once
// Records what the program reports while one recorder lives: its own debug
// lines (categories "velumix.*") are kept for the checks and not printed;
// warnings are kept and passed on; everything else goes on to the handler
// installed before (the test runner's). Every message is also kept in order,
// for the checks that nothing at all was said. The reader thread reports too,
// so the lists are guarded.

#include <QByteArray>
#include <QMutex>
#include <QMutexLocker>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <atomic>

class LogRecorder
{
public:
    LogRecorder()
    {
        s_active = this;
        m_previous = qInstallMessageHandler(&LogRecorder::record);
    }
    ~LogRecorder()
    {
        qInstallMessageHandler(m_previous);
        s_active = nullptr;
    }
    LogRecorder(const LogRecorder&) = delete;
    LogRecorder& operator=(const LogRecorder&) = delete;

    int debugLineCount(const QString& line) const
    {
        const QMutexLocker lock(&m_mutex);
        return int(m_debugLines.count(line));
    }
    // Forgets every message seen so far, so that a long run keeps no record.
    void clear()
    {
        const QMutexLocker lock(&m_mutex);
        m_messages.clear();
        m_debugLines.clear();
        m_warnings.clear();
    }
    // Every message seen so far, of any kind and category, in order.
    QStringList messages() const
    {
        const QMutexLocker lock(&m_mutex);
        return m_messages;
    }
    // The warnings seen so far that match the pattern, in order.
    QStringList warningsMatching(const QString& pattern) const
    {
        const QMutexLocker lock(&m_mutex);
        return m_warnings.filter(QRegularExpression(pattern));
    }

private:
    static void record(QtMsgType type, const QMessageLogContext& context, const QString& text)
    {
        LogRecorder* recorder = s_active;
        const bool ownDebugLine =
            type == QtDebugMsg && QByteArray(context.category).startsWith("velumix.");
        {
            const QMutexLocker lock(&recorder->m_mutex);
            recorder->m_messages.append(text);
            if (ownDebugLine) {
                recorder->m_debugLines.append(text);
                return;
            }
            if (type == QtWarningMsg)
                recorder->m_warnings.append(text);
        }
        if (recorder->m_previous)
            recorder->m_previous(type, context, text);
    }

    inline static std::atomic<LogRecorder*> s_active{nullptr};
    QtMessageHandler m_previous = nullptr;
    mutable QMutex m_mutex;
    QStringList m_messages;
    QStringList m_debugLines;
    QStringList m_warnings;
};

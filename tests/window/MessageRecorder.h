#pragma once
// Records the warnings Qt reports while one recorder lives, and passes every
// message on to the handler that was installed before (the test runner's).
// Worker threads may report too, so the list is guarded.

#include <QMutex>
#include <QMutexLocker>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QtGlobal>

class MessageRecorder
{
public:
    MessageRecorder()
    {
        s_active = this;
        m_previous = qInstallMessageHandler(&MessageRecorder::record);
    }
    ~MessageRecorder()
    {
        qInstallMessageHandler(m_previous);
        s_active = nullptr;
    }
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    // The warnings seen so far that match the pattern, in order.
    QStringList warningsMatching(const QString& pattern) const
    {
        const QMutexLocker lock(&m_mutex);
        return m_warnings.filter(QRegularExpression(pattern));
    }

private:
    static void record(QtMsgType type, const QMessageLogContext& context, const QString& text)
    {
        MessageRecorder* recorder = s_active;
        if (type == QtWarningMsg) {
            const QMutexLocker lock(&recorder->m_mutex);
            recorder->m_warnings.append(text);
        }
        recorder->m_previous(type, context, text);
    }

    inline static MessageRecorder* s_active = nullptr;
    QtMessageHandler m_previous = nullptr;
    mutable QMutex m_mutex;
    QStringList m_warnings;
};

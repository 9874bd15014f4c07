#pragma once
// Records what Qt reports while one recorder lives, and passes every message
// on to the handler that was installed before (the test runner's).

#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QtGlobal>

class MessageRecorder
{
public:
    MessageRecorder() : m_previous(qInstallMessageHandler(&MessageRecorder::record))
    {
        s_active = this;
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
        return m_warnings.filter(QRegularExpression(pattern));
    }

private:
    static void record(QtMsgType type, const QMessageLogContext& context, const QString& text)
    {
        if (type == QtWarningMsg)
            s_active->m_warnings.append(text);
        s_active->m_previous(type, context, text);
    }

    inline static MessageRecorder* s_active = nullptr;
    QtMessageHandler m_previous;
    QStringList m_warnings;
};

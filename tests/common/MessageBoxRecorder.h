#pragma once
// Records every message box the program shows, as "title: text", and answers
// it at once; the real boxes come back when the recorder goes.

#include "MessageBox.h"

#include <QStringList>

#include <mutex>

class MessageBoxRecorder
{
public:
    MessageBoxRecorder()
    {
        setMessageBoxHandler([this](QMessageBox::Icon, const QString& title, const QString& text) {
            const std::lock_guard lock(m_mutex);
            m_boxes.append(title + ": " + text);
        });
    }
    ~MessageBoxRecorder() { setMessageBoxHandler({}); }
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    QStringList boxes() const
    {
        const std::lock_guard lock(m_mutex);
        return m_boxes;
    }
    void clear()
    {
        const std::lock_guard lock(m_mutex);
        m_boxes.clear();
    }
    // Forgets every box reading "title: text" exactly.
    void discard(const QString& box)
    {
        const std::lock_guard lock(m_mutex);
        m_boxes.removeAll(box);
    }

private:
    mutable std::mutex m_mutex;
    QStringList m_boxes;
};

#pragma once
// Records every message box the program shows, as "title: text" (and its
// detail apart), and answers it at once; the real boxes come back when the
// recorder goes.

#include "MessageBox.h"

#include <QStringList>

#include <algorithm>
#include <mutex>

class MessageBoxRecorder
{
public:
    MessageBoxRecorder()
    {
        setMessageBoxHandler([this](QMessageBox::Icon, const QString& title, const QString& text,
                                    const QString& detail) {
            const std::lock_guard lock(m_mutex);
            m_boxes.append({title + ": " + text, detail});
        });
    }
    ~MessageBoxRecorder() { setMessageBoxHandler({}); }
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    QStringList boxes() const
    {
        const std::lock_guard lock(m_mutex);
        QStringList boxes;
        for (const Box& box : m_boxes)
            boxes << box.text;
        return boxes;
    }
    // The details of the boxes, in the same order ("" for a box without one).
    QStringList details() const
    {
        const std::lock_guard lock(m_mutex);
        QStringList details;
        for (const Box& box : m_boxes)
            details << box.detail;
        return details;
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
        m_boxes.erase(std::remove_if(m_boxes.begin(), m_boxes.end(),
                                     [&box](const Box& shown) { return shown.text == box; }),
                      m_boxes.end());
    }

private:
    struct Box
    {
        QString text; // "title: text"
        QString detail;
    };
    mutable std::mutex m_mutex;
    QList<Box> m_boxes;
};

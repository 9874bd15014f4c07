#pragma once
// A full disk for this process: files may not grow past a size.

#include <csignal>
#include <sys/resource.h>

// Limits the size of files this process may write, so that a write fails
// even for root, whom permissions do not stop. Writing past the limit then
// fails with EFBIG instead of raising SIGXFSZ.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes) : m_previousHandler(std::signal(SIGXFSZ, SIG_IGN))
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        rlimit limited = m_saved;
        limited.rlim_cur = bytes;
        m_active = setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_previousHandler);
    }
    bool active() const { return m_active; }

private:
    void (*m_previousHandler)(int);
    rlimit m_saved{};
    bool m_active = false;
};

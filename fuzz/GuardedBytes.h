#pragma once
// A copy of a fuzz input that ends right where a page the process may not
// touch begins: reading one byte past it stops the program at once, in the
// plain replay build as much as under AddressSanitizer.

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

class GuardedBytes
{
public:
    static constexpr size_t kMaxSize = 4096;

    GuardedBytes(const uint8_t* data, size_t size)
    {
        const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
        const size_t room = (kMaxSize + page - 1) / page * page;
        m_length = room + page;
        m_mapped =
            mmap(nullptr, m_length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (size > kMaxSize || m_mapped == MAP_FAILED)
            cannotGuard(size);
        uint8_t* guard = static_cast<uint8_t*>(m_mapped) + room;
        if (mprotect(guard, page, PROT_NONE) != 0)
            cannotGuard(size);
        m_data = guard - size;
        if (size > 0)
            std::memcpy(m_data, data, size);
    }
    ~GuardedBytes() { munmap(m_mapped, m_length); }
    GuardedBytes(const GuardedBytes&) = delete;
    GuardedBytes& operator=(const GuardedBytes&) = delete;

    const uint8_t* data() const { return m_data; }

private:
    [[noreturn]] static void cannotGuard(size_t size)
    {
        std::fprintf(stderr, "GuardedBytes: cannot guard %zu bytes\n", size);
        std::abort();
    }

    void* m_mapped = nullptr;
    size_t m_length = 0;
    uint8_t* m_data = nullptr;
};

// Stops the run with the broken rule named, so the fuzzer keeps the input.
inline void fuzzCheck(bool holds, const char* rule)
{
    if (holds)
        return;
    std::fprintf(stderr, "fuzz check failed: %s\n", rule);
    std::abort();
}

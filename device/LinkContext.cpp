#include "LinkContext.h"

#include <QtGlobal>

#include <atomic>

namespace {
// Read by the reader thread too; installed before it starts.
std::atomic<LinkContext*> installed{nullptr};
} // namespace

LinkContextGuard::LinkContextGuard(LinkContext& context) : m_previous(installed.exchange(&context))
{}

LinkContextGuard::~LinkContextGuard()
{
    installed = m_previous;
}

LinkContext& linkContext()
{
    LinkContext* context = installed;
    if (!context)
        qFatal("The device link was used without a LinkContext; install one with a "
               "LinkContextGuard (hidapi for the headset, or a simulated back end).");
    return *context;
}

HidBackend& hidBackend()
{
    return linkContext().backend;
}

#include "SimulatedHeadset.h"

#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

struct SimulatedHidBackend::Unit
{
    int number;
    uint16_t vendorId;
    HeadsetFirmware firmware;
    std::vector<SimulatedInterface> interfaces;
    bool plugged = true;
    int generation = 0; // handles of an earlier plug-in stay dead
};

struct SimulatedHidBackend::Handle : HidDevice
{
    Handle(Unit* unit, int interfaceIndex, int timer)
        : unit(unit), interfaceIndex(interfaceIndex), generation(unit->generation), timer(timer)
    {}
    ~Handle() override { ::close(timer); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    // A failed call's result, with the system's words for `error` kept.
    int failed(int error)
    {
        m_lastError = std::strerror(error);
        return -1;
    }

    Unit* unit;
    int interfaceIndex;
    int generation;
    // Readable while a report is due or the unit is gone (CLOCK_MONOTONIC,
    // the steady clock's).
    int timer;
    struct Pending
    {
        InputReport report;
        Clock::time_point readyAt;
    };
    std::deque<Pending> inbox; // in order: the first is always read first
};

namespace {

constexpr uint16_t kConsumerControlPage = 0x000C;
constexpr uint16_t kVendorPage = 0xFF00;

bool vendorDefined(uint16_t usagePage)
{
    return (usagePage >> 8) == 0xFF;
}

// Shaped like a sysfs path, so that hot-plug events of the simulated units
// carry the vendor and product in their HID device folder as real ones do.
std::string pathFor(uint16_t vendorId, uint16_t productId, int unit, int interfaceIndex)
{
    char path[128];
    std::snprintf(path, sizeof path,
                  "/sys/devices/virtual/velumix-sim/unit%d/0003:%04X:%04X.%04X/hidraw/hidraw%d",
                  unit, vendorId, productId, unit * 16 + interfaceIndex + 1, interfaceIndex);
    return path;
}

} // namespace

std::string SimulatedHidBackend::pathOf(const Unit& unit, int interfaceIndex)
{
    return pathFor(unit.vendorId, unit.firmware.settings().productId, unit.number, interfaceIndex);
}

std::vector<SimulatedInterface> SimulatedHidBackend::headsetInterfaces()
{
    return {{0, kConsumerControlPage}, {3, kVendorPage}};
}

SimulatedHidBackend::SimulatedHidBackend() = default;

SimulatedHidBackend::~SimulatedHidBackend()
{
    for (Handle* handle : m_handles)
        delete handle;
}

int SimulatedHidBackend::addHeadset(const HeadsetSettings& settings,
                                    std::vector<SimulatedInterface> interfaces, uint16_t vendorId)
{
    std::lock_guard lock(m_mutex);
    const int number = static_cast<int>(m_units.size());
    m_units.push_back(std::make_unique<Unit>(
        Unit{number, vendorId, HeadsetFirmware(settings), std::move(interfaces)}));
    return number;
}

void SimulatedHidBackend::plug(int unit)
{
    std::lock_guard lock(m_mutex);
    Unit& u = *m_units.at(unit);
    if (!u.plugged) {
        u.plugged = true;
        ++u.generation;
    }
}

void SimulatedHidBackend::unplug(int unit)
{
    std::lock_guard lock(m_mutex);
    Unit* pulled = m_units.at(unit).get();
    pulled->plugged = false;
    // Like a hidraw node, the open handles turn readable and fail at once.
    for (Handle* handle : m_handles) {
        if (handle->unit == pulled)
            rearm(*handle);
    }
}

bool SimulatedHidBackend::isPlugged(int unit) const
{
    std::lock_guard lock(m_mutex);
    return m_units.at(unit)->plugged;
}

HeadsetFirmware& SimulatedHidBackend::firmware(int unit)
{
    std::lock_guard lock(m_mutex);
    return m_units.at(unit)->firmware;
}

std::vector<std::string> SimulatedHidBackend::interfacePaths(int unit) const
{
    std::lock_guard lock(m_mutex);
    std::vector<std::string> paths;
    for (size_t i = 0; i < m_units.at(unit)->interfaces.size(); ++i)
        paths.push_back(pathOf(*m_units.at(unit), static_cast<int>(i)));
    return paths;
}

void SimulatedHidBackend::setWriteFails(bool fails)
{
    std::lock_guard lock(m_mutex);
    m_writeFails = fails;
}

void SimulatedHidBackend::setOpenFails(bool fails)
{
    std::lock_guard lock(m_mutex);
    m_openFails = fails;
}

void SimulatedHidBackend::setReplyDelay(std::chrono::milliseconds delay)
{
    std::lock_guard lock(m_mutex);
    m_replyDelay = delay;
}

std::vector<SimulatedHidBackend::ReceivedFrame> SimulatedHidBackend::receivedFrames() const
{
    std::lock_guard lock(m_mutex);
    return m_received;
}

void SimulatedHidBackend::clearReceivedFrames()
{
    std::lock_guard lock(m_mutex);
    m_received.clear();
}

int SimulatedHidBackend::openHandleCount() const
{
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_handles.size());
}

std::vector<HidDeviceInfo> SimulatedHidBackend::enumerate(uint16_t vendorId, uint16_t productId)
{
    std::lock_guard lock(m_mutex);
    std::vector<HidDeviceInfo> found;
    for (const auto& unit : m_units) {
        const uint16_t unitProduct = unit->firmware.settings().productId;
        if (!unit->plugged || (vendorId && vendorId != unit->vendorId) ||
            (productId && productId != unitProduct))
            continue;
        for (size_t i = 0; i < unit->interfaces.size(); ++i) {
            found.push_back({pathOf(*unit, static_cast<int>(i)), unit->vendorId, unitProduct,
                             unit->interfaces[i].interfaceNumber, unit->interfaces[i].usagePage});
        }
    }
    return found;
}

SimulatedHidBackend::Unit* SimulatedHidBackend::unitForPath(const std::string& path,
                                                            int* interfaceIndex)
{
    for (const auto& unit : m_units) {
        for (size_t i = 0; i < unit->interfaces.size(); ++i) {
            if (pathOf(*unit, static_cast<int>(i)) == path) {
                *interfaceIndex = static_cast<int>(i);
                return unit.get();
            }
        }
    }
    return nullptr;
}

HidDevice* SimulatedHidBackend::open(const HidDeviceInfo& info, std::string& error)
{
    std::lock_guard lock(m_mutex);
    int interfaceIndex = 0;
    Unit* unit = unitForPath(info.path, &interfaceIndex);
    if (m_openFails) {
        error = std::strerror(EACCES);
        return nullptr;
    }
    if (!unit || !unit->plugged) {
        error = std::strerror(ENODEV);
        return nullptr;
    }
    const int timer = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (timer < 0) {
        error = std::strerror(errno);
        return nullptr;
    }
    auto* handle = new Handle(unit, interfaceIndex, timer);
    m_handles.push_back(handle);
    return handle;
}

bool SimulatedHidBackend::handleAlive(const Handle& handle) const
{
    return handle.unit->plugged && handle.unit->generation == handle.generation;
}

void SimulatedHidBackend::deliver(Unit& unit, int interfaceIndex, const InputReport& report)
{
    // Like the kernel, every open file of the interface gets its own copy.
    const Clock::time_point readyAt = Clock::now() + m_replyDelay;
    for (Handle* handle : m_handles) {
        if (handle->unit == &unit && handle->interfaceIndex == interfaceIndex &&
            handleAlive(*handle)) {
            handle->inbox.push_back({report, readyAt});
            rearm(*handle);
        }
    }
}

void SimulatedHidBackend::rearm(Handle& handle) const
{
    // Setting a timerfd clears its expirations, so a handle with nothing due
    // stops being readable here too.
    itimerspec when{};
    int flags = 0;
    if (!handleAlive(handle)) {
        when.it_value.tv_nsec = 1; // at once; never read, so it stays readable
    } else if (!handle.inbox.empty()) {
        const auto due = std::chrono::duration_cast<std::chrono::nanoseconds>(
            handle.inbox.front().readyAt.time_since_epoch());
        when.it_value.tv_sec = static_cast<time_t>(due.count() / 1000000000);
        when.it_value.tv_nsec = static_cast<long>(due.count() % 1000000000);
        flags = TFD_TIMER_ABSTIME; // a time already past expires at once
    }
    timerfd_settime(handle.timer, flags, &when, nullptr);
}

int SimulatedHidBackend::write(HidDevice* device, const uint8_t* data, size_t length)
{
    std::lock_guard lock(m_mutex);
    auto& handle = *static_cast<Handle*>(device);
    if (!handleAlive(handle))
        return handle.failed(ENODEV);
    if (m_writeFails)
        return handle.failed(EIO);
    Unit& unit = *handle.unit;
    m_received.push_back({unit.number, std::vector<uint8_t>(data, data + length)});
    if (!vendorDefined(unit.interfaces[handle.interfaceIndex].usagePage))
        return static_cast<int>(length);
    if (auto reply = unit.firmware.respond(data, static_cast<int>(length)))
        deliver(unit, handle.interfaceIndex, *reply);
    return static_cast<int>(length);
}

int SimulatedHidBackend::read(HidDevice* device, uint8_t* data, size_t length)
{
    std::lock_guard lock(m_mutex);
    auto& handle = *static_cast<Handle*>(device);
    if (!handleAlive(handle))
        return handle.failed(ENODEV);
    if (handle.inbox.empty() || handle.inbox.front().readyAt > Clock::now()) {
        rearm(handle);
        return 0;
    }
    const InputReport report = handle.inbox.front().report;
    handle.inbox.pop_front();
    rearm(handle);
    const size_t count = std::min(length, static_cast<size_t>(report.length));
    std::copy_n(report.data.begin(), count, data);
    return static_cast<int>(count);
}

int SimulatedHidBackend::readableDescriptor(HidDevice* device)
{
    return static_cast<Handle*>(device)->timer;
}

void SimulatedHidBackend::close(HidDevice* device)
{
    std::lock_guard lock(m_mutex);
    auto* handle = static_cast<Handle*>(device);
    m_handles.erase(std::remove(m_handles.begin(), m_handles.end(), handle), m_handles.end());
    delete handle;
}

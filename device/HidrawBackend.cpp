#include "HidrawBackend.h"

#include <hidapi.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

class HidrawDevice : public HidDevice
{
public:
    explicit HidrawDevice(int descriptor) : m_descriptor(descriptor) {}
    ~HidrawDevice() override { ::close(m_descriptor); }
    HidrawDevice(const HidrawDevice&) = delete;
    HidrawDevice& operator=(const HidrawDevice&) = delete;

    int descriptor() const { return m_descriptor; }
    // -1 with the system's reason kept, for a call that failed.
    int failed()
    {
        m_lastError = std::strerror(errno);
        return -1;
    }

private:
    int m_descriptor;
};

HidrawDevice& hidraw(HidDevice* device)
{
    return *static_cast<HidrawDevice*>(device);
}

} // namespace

HidrawBackend::HidrawBackend()
{
    hid_init();
}

HidrawBackend::~HidrawBackend()
{
    hid_exit();
}

std::vector<HidDeviceInfo> HidrawBackend::enumerate(uint16_t vendorId, uint16_t productId)
{
    std::vector<HidDeviceInfo> found;
    hid_device_info* list = hid_enumerate(vendorId, productId);
    for (const hid_device_info* entry = list; entry; entry = entry->next) {
        found.push_back({entry->path ? entry->path : "", entry->vendor_id, entry->product_id,
                         entry->interface_number, entry->usage_page});
    }
    hid_free_enumeration(list);
    return found;
}

HidDevice* HidrawBackend::open(const HidDeviceInfo& info, std::string& error)
{
    const int descriptor = ::open(info.path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        error = std::strerror(errno);
        return nullptr;
    }
    return new HidrawDevice(descriptor);
}

int HidrawBackend::write(HidDevice* device, const uint8_t* data, size_t length)
{
    HidrawDevice& node = hidraw(device);
    ssize_t written;
    do {
        written = ::write(node.descriptor(), data, length);
    } while (written < 0 && errno == EINTR);
    return written < 0 ? node.failed() : static_cast<int>(written);
}

int HidrawBackend::read(HidDevice* device, uint8_t* data, size_t length)
{
    HidrawDevice& node = hidraw(device);
    ssize_t got;
    do {
        got = ::read(node.descriptor(), data, length);
    } while (got < 0 && errno == EINTR);
    if (got >= 0)
        return static_cast<int>(got);
    return errno == EAGAIN ? 0 : node.failed();
}

int HidrawBackend::readableDescriptor(HidDevice* device)
{
    return hidraw(device).descriptor();
}

void HidrawBackend::close(HidDevice* device)
{
    delete device;
}

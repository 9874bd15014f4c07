#include "HidapiBackend.h"

#include <QString>

#include <hidapi.h>

namespace {

struct HidapiDevice : HidDevice
{
    explicit HidapiDevice(hid_device* device) : handle(device) {}
    hid_device* handle;
};

hid_device* handleOf(HidDevice* device)
{
    return static_cast<HidapiDevice*>(device)->handle;
}

} // namespace

HidapiBackend::HidapiBackend()
{
    hid_init();
}

HidapiBackend::~HidapiBackend()
{
    hid_exit();
}

void releaseHidLibrary()
{
    hid_exit();
}

std::vector<HidDeviceInfo> HidapiBackend::enumerate(uint16_t vendorId, uint16_t productId)
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

HidDevice* HidapiBackend::open(const HidDeviceInfo& info)
{
    hid_device* handle = hid_open_path(info.path.c_str());
    return handle ? new HidapiDevice(handle) : nullptr;
}

int HidapiBackend::setNonblocking(HidDevice* device, int nonblock)
{
    return hid_set_nonblocking(handleOf(device), nonblock);
}

int HidapiBackend::write(HidDevice* device, const uint8_t* data, size_t length)
{
    return hid_write(handleOf(device), data, length);
}

int HidapiBackend::readTimeout(HidDevice* device, uint8_t* data, size_t length, int milliseconds)
{
    return hid_read_timeout(handleOf(device), data, length, milliseconds);
}

// hidapi keeps the last open's error for the calling thread: "Failed to open a
// device with path '...': Permission denied".
std::string HidapiBackend::openError()
{
    const wchar_t* text = hid_error(nullptr);
    if (!text)
        return {};
    return QString::fromWCharArray(text).toStdString();
}

void HidapiBackend::close(HidDevice* device)
{
    hid_close(handleOf(device));
    delete device;
}

#pragma once
// One HID device made through the kernel's /dev/uhid: the kernel's HID stack
// (hid-generic, hidraw, udev events) treats it like a device on a USB port.

#include <cstdint>
#include <string>
#include <vector>

struct UhidDescription
{
    std::string name;
    std::string phys; // also how its hidraw node is found again
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    std::vector<uint8_t> reportDescriptor;
};

// What the kernel asks of the device; Output carries a report the host wrote.
struct UhidRequest
{
    enum Kind
    {
        None,
        Start,
        Stop,
        Open,
        Close,
        Output,
        Other
    } kind = None;
    std::vector<uint8_t> data;
};

class UhidDevice
{
public:
    // Opens /dev/uhid and creates the device; check ok() and error().
    explicit UhidDevice(const UhidDescription& description);
    ~UhidDevice(); // destroys the device
    UhidDevice(const UhidDevice&) = delete;
    UhidDevice& operator=(const UhidDevice&) = delete;

    bool ok() const { return m_error.empty(); }
    const std::string& error() const { return m_error; }
    int fd() const { return m_fd; }

    // Reads one request once fd() is readable; answers the kernel's report
    // requests (get/set report) itself with an error.
    UhidRequest readRequest();
    bool sendInput(const uint8_t* data, int length);
    // "/dev/hidrawN" once the kernel has made the node, else empty.
    std::string hidrawNode() const;

private:
    bool fail(const std::string& step);
    void refuseReportRequest(uint32_t type, uint32_t id);

    int m_fd = -1;
    std::string m_phys;
    std::string m_error;
};

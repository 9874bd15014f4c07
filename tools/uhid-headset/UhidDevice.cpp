#include "UhidDevice.h"

#include <linux/input.h>
#include <linux/uhid.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <unistd.h>

namespace {

template <size_t N> void copyText(uint8_t (&field)[N], const std::string& text)
{
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), std::min(text.size(), N - 1));
}

bool writeEvent(int fd, const uhid_event& event)
{
    return write(fd, &event, sizeof event) == static_cast<ssize_t>(sizeof event);
}

bool fileHoldsLine(const std::string& path, const std::string& line)
{
    std::ifstream file(path);
    std::string text;
    while (std::getline(file, text))
        if (text == line)
            return true;
    return false;
}

} // namespace

UhidDevice::UhidDevice(const UhidDescription& description) : m_phys(description.phys)
{
    m_fd = open("/dev/uhid", O_RDWR | O_CLOEXEC);
    if (m_fd < 0) {
        fail("opening /dev/uhid");
        return;
    }
    uhid_event event{};
    event.type = UHID_CREATE2;
    uhid_create2_req& create = event.u.create2;
    copyText(create.name, description.name);
    copyText(create.phys, description.phys);
    // Bus type USB: hidapi's hidraw back end lists no virtual-bus devices.
    create.bus = BUS_USB;
    create.vendor = description.vendorId;
    create.product = description.productId;
    create.rd_size = static_cast<uint16_t>(description.reportDescriptor.size());
    std::copy(description.reportDescriptor.begin(), description.reportDescriptor.end(),
              create.rd_data);
    if (!writeEvent(m_fd, event))
        fail("creating the device");
}

UhidDevice::~UhidDevice()
{
    if (m_fd < 0)
        return;
    uhid_event event{};
    event.type = UHID_DESTROY;
    writeEvent(m_fd, event);
    close(m_fd);
}

bool UhidDevice::fail(const std::string& step)
{
    m_error = step + ": " + std::strerror(errno);
    return false;
}

UhidRequest UhidDevice::readRequest()
{
    uhid_event event{};
    if (read(m_fd, &event, sizeof event) <= 0)
        return {};
    switch (event.type) {
    case UHID_START:
        return {UhidRequest::Start, {}};
    case UHID_STOP:
        return {UhidRequest::Stop, {}};
    case UHID_OPEN:
        return {UhidRequest::Open, {}};
    case UHID_CLOSE:
        return {UhidRequest::Close, {}};
    case UHID_OUTPUT: {
        const uhid_output_req& output = event.u.output;
        const size_t size = std::min<size_t>(output.size, UHID_DATA_MAX);
        return {UhidRequest::Output, std::vector<uint8_t>(output.data, output.data + size)};
    }
    case UHID_GET_REPORT:
        refuseReportRequest(UHID_GET_REPORT_REPLY, event.u.get_report.id);
        return {UhidRequest::Other, {}};
    case UHID_SET_REPORT:
        refuseReportRequest(UHID_SET_REPORT_REPLY, event.u.set_report.id);
        return {UhidRequest::Other, {}};
    default:
        return {UhidRequest::Other, {}};
    }
}

// The headset has no feature reports; the kernel waits for an answer anyway.
void UhidDevice::refuseReportRequest(uint32_t type, uint32_t id)
{
    uhid_event reply{};
    reply.type = type;
    if (type == UHID_GET_REPORT_REPLY) {
        reply.u.get_report_reply.id = id;
        reply.u.get_report_reply.err = EIO;
    } else {
        reply.u.set_report_reply.id = id;
        reply.u.set_report_reply.err = EIO;
    }
    writeEvent(m_fd, reply);
}

bool UhidDevice::sendInput(const uint8_t* data, int length)
{
    uhid_event event{};
    event.type = UHID_INPUT2;
    event.u.input2.size = static_cast<uint16_t>(length);
    std::memcpy(event.u.input2.data, data, static_cast<size_t>(length));
    return writeEvent(m_fd, event);
}

std::string UhidDevice::hidrawNode() const
{
    const std::string classFolder = "/sys/class/hidraw";
    DIR* folder = opendir(classFolder.c_str());
    if (!folder)
        return {};
    std::string node;
    while (const dirent* entry = readdir(folder)) {
        const std::string name = entry->d_name;
        if (name.rfind("hidraw", 0) == 0 &&
            fileHoldsLine(classFolder + "/" + name + "/device/uevent", "HID_PHYS=" + m_phys)) {
            // The class entry comes a moment before the node in /dev.
            if (access(("/dev/" + name).c_str(), F_OK) == 0)
                node = "/dev/" + name;
            break;
        }
    }
    closedir(folder);
    return node;
}

// uhid-headset: a Velumix headset the kernel believes is real. It is made
// through /dev/uhid (root only) and answers every report the host writes with
// the same firmware logic as the program's simulated headset, so the program
// can be run against the kernel's hidraw driver, hidapi and udev.
//
// Commands, one a line on standard input:
//   create PID [IDENTITY]   plug in a unit: product ID (hexadecimal), identity
//                           (8 hex digits, default 5a17c001); it brings two
//                           devices, the vendor-defined headset interface and
//                           an ordinary telephony one (the call button)
//   destroy                 pull the unit out
//   fault NAME on|off       bad-checksum, error-status, silent, garbage,
//                           short-reports (replies as 32-byte '$' reports);
//                           kept across units
//   quit                    (or the end of the input) pull out and leave
// VELUMIX_UHID_FAULTS=NAME[,NAME...] switches faults on from the start.
//
// Standard output, one line per event:
//   TX <hex bytes>          a report the host wrote (velumixctl --trace-frames
//   RX <hex bytes>          format), and the reply the headset sent
//   created PID IDENTITY | ready HEADSET_NODE CONTROLS_NODE | destroyed
//   headset|controls opened|closed
//   fault NAME on|off | error: TEXT

#include "HeadsetFirmware.h"
#include "UhidDevice.h"

#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr uint16_t kVendorId = 0x3206;

// Vendor-defined page 0xFF00: numbered output reports 'N' (31 data bytes) and
// 'O' (63), input reports '#' (63) and '$' (31). The kernel drops an input
// report shorter than its ID declares, so short replies go out as '$'.
const std::vector<uint8_t> kHeadsetDescriptor = {
    0x06, 0x00, 0xFF,                             // Usage Page (0xFF00)
    0x09, 0x01,                                   // Usage (1)
    0xA1, 0x01,                                   // Collection (Application)
    0x15, 0x00,                                   //   Logical Minimum (0)
    0x26, 0xFF, 0x00,                             //   Logical Maximum (255)
    0x75, 0x08,                                   //   Report Size (8)
    0x85, 'N',  0x95, 31, 0x09, 0x01, 0x91, 0x02, // Report ID 'N', 31 bytes, Output
    0x85, 'O',  0x95, 63, 0x09, 0x01, 0x91, 0x02, // Report ID 'O', 63 bytes, Output
    0x85, '#',  0x95, 63, 0x09, 0x01, 0x81, 0x02, // Report ID '#', 63 bytes, Input
    0x85, '$',  0x95, 31, 0x09, 0x01, 0x81, 0x02, // Report ID '$', 31 bytes, Input
    0xC0,                                         // End Collection
};

// The headset's call button: Telephony page, hook switch. No kernel input
// handler takes it, so an "opened" line for it means a program opened its
// hidraw node.
const std::vector<uint8_t> kControlsDescriptor = {
    0x05, 0x0B,                                     // Usage Page (Telephony)
    0x09, 0x05,                                     // Usage (Headset)
    0xA1, 0x01,                                     // Collection (Application)
    0x15, 0x00, 0x25, 0x01, 0x75, 0x01, 0x95, 0x01, // one one-bit button
    0x09, 0x20, 0x81, 0x02,                         // Hook Switch, Input
    0x95, 0x07, 0x81, 0x03,                         // padding
    0xC0,                                           // End Collection
};

struct FaultSwitch
{
    const char* name;
    void (*set)(FirmwareFaults& faults, bool on);
};
const FaultSwitch kFaultSwitches[] = {
    {"bad-checksum", [](FirmwareFaults& f, bool on) { f.badChecksum = on; }},
    {"error-status", [](FirmwareFaults& f, bool on) { f.errorStatus = on; }},
    {"silent", [](FirmwareFaults& f, bool on) { f.silent = on; }},
    {"garbage", [](FirmwareFaults& f, bool on) { f.garbage = on; }},
    // Not a fault as such: replies in the 32-byte '$' report.
    {"short-reports",
     [](FirmwareFaults& f, bool on) {
         f.reportSize = on ? kShortReportSize : kReportSize;
         f.marker = on ? frame::kReplyDollar : frame::kReplyHash;
     }},
};

void say(const std::string& line)
{
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

std::string hexLine(const char* label, const uint8_t* data, size_t length)
{
    std::string line = label;
    char byte[4];
    for (size_t i = 0; i < length; ++i) {
        std::snprintf(byte, sizeof byte, " %02x", data[i]);
        line += byte;
    }
    return line;
}

std::optional<unsigned long> hexNumber(const std::string& text, size_t maxDigits)
{
    if (text.empty() || text.size() > maxDigits ||
        text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return std::nullopt;
    return std::stoul(text, nullptr, 16);
}

std::string identityText(const DeviceIdentity& identity)
{
    char text[9];
    std::snprintf(text, sizeof text, "%02x%02x%02x%02x", identity[0], identity[1], identity[2],
                  identity[3]);
    return text;
}

// One plugged-in unit: its two kernel devices and its firmware.
struct Unit
{
    std::unique_ptr<UhidDevice> headset;
    std::unique_ptr<UhidDevice> controls;
    HeadsetFirmware firmware;
    bool announced = false; // "ready" was said
};

class VirtualHeadset
{
public:
    VirtualHeadset() { applyFaultsFromEnvironment(); }

    void command(const std::string& line);
    bool quitting() const { return m_quit; }
    std::vector<pollfd> pollList() const;
    // Milliseconds to wait for events: short while the nodes are awaited.
    int pollTimeout() const { return m_unit && !m_unit->announced ? 10 : -1; }
    void serve(const std::vector<pollfd>& polled);

private:
    void create(std::istringstream& arguments);
    void destroy();
    void setFault(std::istringstream& arguments);
    bool switchFault(const std::string& name, bool on);
    void applyFaultsFromEnvironment();
    void serveDevice(UhidDevice& device, const char* role);
    void answer(const std::vector<uint8_t>& report);
    void announceWhenReady();

    std::unique_ptr<Unit> m_unit;
    FirmwareFaults m_faults;
    bool m_quit = false;
};

void VirtualHeadset::command(const std::string& line)
{
    std::istringstream words(line);
    std::string verb;
    if (!(words >> verb))
        return;
    if (verb == "create")
        create(words);
    else if (verb == "destroy")
        destroy();
    else if (verb == "fault")
        setFault(words);
    else if (verb == "quit")
        m_quit = true;
    else
        say("error: unknown command '" + verb + "'");
}

void VirtualHeadset::create(std::istringstream& arguments)
{
    std::string productText, identityHex = "5a17c001";
    arguments >> productText >> identityHex;
    const std::optional<unsigned long> productId = hexNumber(productText, 4);
    const std::optional<unsigned long> identityValue = hexNumber(identityHex, 8);
    if (!productId || !identityValue || identityHex.size() != 8) {
        say("error: usage: create PID [IDENTITY], PID 1-4 and IDENTITY 8 hex digits");
        return;
    }
    if (m_unit) {
        say("error: a unit is plugged in already");
        return;
    }
    HeadsetSettings settings;
    settings.productId = static_cast<uint16_t>(*productId);
    for (int i = 0; i < 4; ++i)
        settings.identity[i] = static_cast<uint8_t>(*identityValue >> (24 - 8 * i));
    auto unit = std::make_unique<Unit>();
    unit->firmware = HeadsetFirmware(settings);
    unit->firmware.faults() = m_faults;
    // The phys text tells this process's devices apart from any other.
    const std::string phys = "velumix-uhid-" + std::to_string(getpid());
    unit->headset = std::make_unique<UhidDevice>(
        UhidDescription{"Velumix virtual headset", phys + "/headset", kVendorId, settings.productId,
                        kHeadsetDescriptor});
    unit->controls = std::make_unique<UhidDevice>(
        UhidDescription{"Velumix virtual headset controls", phys + "/controls", kVendorId,
                        settings.productId, kControlsDescriptor});
    for (const UhidDevice* device : {unit->headset.get(), unit->controls.get()}) {
        if (!device->ok()) {
            say("error: " + device->error());
            return;
        }
    }
    m_unit = std::move(unit);
    char text[5];
    std::snprintf(text, sizeof text, "%04x", settings.productId);
    say(std::string("created ") + text + " " + identityText(settings.identity));
}

void VirtualHeadset::destroy()
{
    if (!m_unit) {
        say("error: no unit is plugged in");
        return;
    }
    m_unit.reset();
    say("destroyed");
}

void VirtualHeadset::setFault(std::istringstream& arguments)
{
    std::string name, state;
    arguments >> name >> state;
    if ((state != "on" && state != "off") || !switchFault(name, state == "on")) {
        say("error: usage: fault NAME on|off, NAME one of bad-checksum, error-status, silent, "
            "garbage, short-reports");
        return;
    }
    say("fault " + name + " " + state);
}

bool VirtualHeadset::switchFault(const std::string& name, bool on)
{
    for (const FaultSwitch& fault : kFaultSwitches) {
        if (name == fault.name) {
            fault.set(m_faults, on);
            if (m_unit)
                m_unit->firmware.faults() = m_faults;
            return true;
        }
    }
    return false;
}

void VirtualHeadset::applyFaultsFromEnvironment()
{
    const char* list = std::getenv("VELUMIX_UHID_FAULTS");
    std::istringstream names(list ? list : "");
    std::string name;
    while (std::getline(names, name, ','))
        if (!name.empty() && !switchFault(name, true))
            say("error: VELUMIX_UHID_FAULTS: unknown fault '" + name + "'");
}

std::vector<pollfd> VirtualHeadset::pollList() const
{
    std::vector<pollfd> list{{STDIN_FILENO, POLLIN, 0}};
    if (m_unit) {
        list.push_back({m_unit->headset->fd(), POLLIN, 0});
        list.push_back({m_unit->controls->fd(), POLLIN, 0});
    }
    return list;
}

void VirtualHeadset::serve(const std::vector<pollfd>& polled)
{
    // The unit is the one the list was made for: commands are read after this.
    if (m_unit && polled.size() == 3) {
        if (polled[1].revents & POLLIN)
            serveDevice(*m_unit->headset, "headset");
        if (polled[2].revents & POLLIN)
            serveDevice(*m_unit->controls, "controls");
    }
    announceWhenReady();
}

void VirtualHeadset::serveDevice(UhidDevice& device, const char* role)
{
    const UhidRequest request = device.readRequest();
    switch (request.kind) {
    case UhidRequest::Open:
        say(std::string(role) + " opened");
        break;
    case UhidRequest::Close:
        say(std::string(role) + " closed");
        break;
    case UhidRequest::Output:
        say(hexLine("TX", request.data.data(), request.data.size()));
        if (&device == m_unit->headset.get())
            answer(request.data);
        break;
    default:
        break;
    }
}

void VirtualHeadset::answer(const std::vector<uint8_t>& report)
{
    const std::optional<InputReport> reply =
        m_unit->firmware.respond(report.data(), static_cast<int>(report.size()));
    if (!reply)
        return;
    say(hexLine("RX", reply->data.data(), static_cast<size_t>(reply->length)));
    if (!m_unit->headset->sendInput(reply->data.data(), reply->length))
        say("error: sending the reply failed");
}

void VirtualHeadset::announceWhenReady()
{
    if (!m_unit || m_unit->announced)
        return;
    const std::string headsetNode = m_unit->headset->hidrawNode();
    const std::string controlsNode = m_unit->controls->hidrawNode();
    if (headsetNode.empty() || controlsNode.empty())
        return;
    m_unit->announced = true;
    say("ready " + headsetNode + " " + controlsNode);
}

// Whole lines from standard input; false at its end.
bool readCommands(VirtualHeadset& headset, std::string& pending)
{
    char buffer[512];
    const ssize_t got = read(STDIN_FILENO, buffer, sizeof buffer);
    if (got <= 0)
        return false;
    pending.append(buffer, static_cast<size_t>(got));
    for (size_t end; (end = pending.find('\n')) != std::string::npos;) {
        headset.command(pending.substr(0, end));
        pending.erase(0, end + 1);
    }
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc > 1) {
        std::fprintf(stderr,
                     "usage: %s, then one command a line on standard input:\n"
                     "  create PID [IDENTITY] | destroy | fault NAME on|off | quit\n",
                     argv[0]);
        return 2;
    }
    VirtualHeadset headset;
    std::string pending;
    while (!headset.quitting()) {
        std::vector<pollfd> list = headset.pollList();
        if (poll(list.data(), list.size(), headset.pollTimeout()) < 0)
            break;
        headset.serve(list);
        if ((list[0].revents & (POLLIN | POLLHUP)) && !readCommands(headset, pending))
            break;
    }
    return 0;
}

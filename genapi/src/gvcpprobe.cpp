// Asking one GigE Vision device, by its address, whether it is there: a
// discovery command sent to that address only, answered within a deadline
// that the caller can cut short.

#include <GenApi/DeviceConnection.h>

#include "gvcpdiscovery.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace GenApi {

namespace {

constexpr uint16_t kGvcpPort = 3956;
//! Acknowledge required; the answer comes back to the sender.
constexpr uint8_t kProbeFlags = 0x01;
constexpr uint16_t kDiscoveryCommand = 0x0002;
constexpr int kSliceMs = 20;

} // namespace

bool CDeviceConnection::ProbeGigEVision(const std::string& address, int deadlineMs,
                                        const std::function<bool()>& cancelled, DeviceDescriptor* found)
{
    sockaddr_in device{};
    device.sin_family = AF_INET;
    device.sin_port = htons(kGvcpPort);
    if (::inet_pton(AF_INET, address.c_str(), &device.sin_addr) != 1)
        return false;
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    // Connected: only that address's answers reach the socket. The request
    // id is the one a discovery acknowledge must carry.
    const uint8_t packet[8] = {0x42, kProbeFlags, 0, uint8_t(kDiscoveryCommand), 0, 0, 0xff, 0xff};
    bool answered = false;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&device), sizeof device) == 0 &&
        ::send(fd, packet, sizeof packet, 0) == ssize_t(sizeof packet)) {
        using Clock = std::chrono::steady_clock;
        const auto deadline = Clock::now() + std::chrono::milliseconds(deadlineMs);
        uint8_t buffer[1024];
        pollfd p{fd, POLLIN, 0};
        while (!answered && !(cancelled && cancelled())) {
            const auto now = Clock::now();
            if (now >= deadline)
                break;
            const int left = int(std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count());
            const int ready = ::poll(&p, 1, std::max(1, std::min(left, kSliceMs)));
            if (ready < 0 && errno != EINTR)
                break;
            if (ready <= 0)
                continue;
            const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
            if (got < 0 && errno == ECONNREFUSED)
                break; // nobody listens there
            Internal::GvcpAnnouncement a;
            if (got > 0 && Internal::parseDiscoveryAck(buffer, size_t(got), &a)) {
                answered = true;
                if (found) {
                    found->id = a.vendor + "-" + a.model + "-" + a.serial;
                    found->vendor = a.vendor;
                    found->model = a.model;
                    found->serial = a.serial;
                    found->protocol = "GigEVision";
                    found->address = address;
                }
            }
        }
    }
    ::close(fd);
    return answered;
}

} // namespace GenApi

#include "gvcpdiscovery.h"

#include "bytefields.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace GenApi {
namespace Internal {

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint16_t kGvcpPort = 3956;
constexpr uint8_t kCommandKey = 0x42;
//! Acknowledge required, and the answer may be broadcast (a device on
//! another subnet cannot answer otherwise).
constexpr uint8_t kDiscoveryFlags = 0x01 | 0x10;
constexpr uint16_t kDiscoveryCommand = 0x0002;
constexpr uint16_t kDiscoveryAck = 0x0003;
constexpr uint16_t kDiscoveryId = 0xffff;
constexpr size_t kHeaderSize = 8;

// Fields of the discovery acknowledge's payload (the start of the device's
// bootstrap registers).
constexpr size_t kMacHighOffset = 0x08;
constexpr size_t kCurrentIpOffset = 0x24;
constexpr size_t kManufacturerOffset = 0x48;
constexpr size_t kManufacturerSize = 32;
constexpr size_t kModelOffset = 0x68;
constexpr size_t kModelSize = 32;
constexpr size_t kSerialOffset = 0xd8;
constexpr size_t kSerialSize = 16;
constexpr size_t kPayloadSize = 0xf8;

//! A fixed-size text field: up to its first NUL, control characters dropped.
std::string field(const uint8_t* at, size_t size)
{
    std::string text;
    for (size_t i = 0; i < size && at[i] != 0; ++i) {
        if (at[i] >= 0x20)
            text.push_back(char(at[i]));
    }
    return text;
}

struct DiscoverySocket
{
    int fd = -1;
    sockaddr_in local{};     //!< the interface's own address
    sockaddr_in broadcast{}; //!< the interface's own broadcast address, if any
    bool hasBroadcast = false;
    bool loopback = false;
};

//! CAMPANE_DISCOVERY_LOOPBACK_ONLY (set and not "0") keeps discovery on this
//! computer: only loopback interfaces are asked. The test suite sets it, so
//! that its searches for the loopback emulator never reach a network.
bool loopbackOnly()
{
    const char* value = std::getenv("CAMPANE_DISCOVERY_LOOPBACK_ONLY");
    return value && *value && std::strcmp(value, "0") != 0;
}

std::vector<DiscoverySocket> openSockets()
{
    std::vector<DiscoverySocket> sockets;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0)
        return sockets;
    const bool onlyLoopback = loopbackOnly();
    for (ifaddrs* entry = list; entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_INET || !(entry->ifa_flags & IFF_UP))
            continue;
        const bool loopback = (entry->ifa_flags & IFF_LOOPBACK) != 0;
        if (onlyLoopback && !loopback)
            continue;
        DiscoverySocket s;
        s.loopback = loopback;
        s.fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (s.fd < 0)
            continue;
        sockaddr_in& local = s.local;
        std::memcpy(&local, entry->ifa_addr, sizeof local);
        local.sin_port = 0;
        const int on = 1;
        if (::bind(s.fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 ||
            ::setsockopt(s.fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) {
            ::close(s.fd);
            continue;
        }
        if ((entry->ifa_flags & IFF_BROADCAST) && entry->ifa_broadaddr &&
            entry->ifa_broadaddr->sa_family == AF_INET) {
            std::memcpy(&s.broadcast, entry->ifa_broadaddr, sizeof s.broadcast);
            s.broadcast.sin_port = htons(kGvcpPort);
            s.hasBroadcast = true;
        }
        sockets.push_back(s);
    }
    ::freeifaddrs(list);
    return sockets;
}

void sendDiscovery(const DiscoverySocket& s)
{
    uint8_t packet[kHeaderSize] = {kCommandKey,
                                   kDiscoveryFlags,
                                   uint8_t(kDiscoveryCommand >> 8),
                                   uint8_t(kDiscoveryCommand),
                                   0,
                                   0,
                                   uint8_t(kDiscoveryId >> 8),
                                   uint8_t(kDiscoveryId)};
    if (s.loopback) {
        // Loopback has no broadcast: a device on this computer listens at the
        // interface's own address.
        sockaddr_in here = s.local;
        here.sin_port = htons(kGvcpPort);
        ::sendto(s.fd, packet, sizeof packet, 0, reinterpret_cast<const sockaddr*>(&here), sizeof here);
        return;
    }
    sockaddr_in everyone{};
    everyone.sin_family = AF_INET;
    everyone.sin_port = htons(kGvcpPort);
    everyone.sin_addr.s_addr = htonl(INADDR_BROADCAST);
    if (::sendto(s.fd, packet, sizeof packet, 0, reinterpret_cast<const sockaddr*>(&everyone),
                 sizeof everyone) < 0 &&
        s.hasBroadcast)
        ::sendto(s.fd, packet, sizeof packet, 0, reinterpret_cast<const sockaddr*>(&s.broadcast),
                 sizeof s.broadcast);
}

} // namespace

bool parseDiscoveryAck(const uint8_t* data, size_t size, GvcpAnnouncement* out)
{
    if (size < kHeaderSize + kPayloadSize || getBE16(data) != 0 || getBE16(data + 2) != kDiscoveryAck ||
        getBE16(data + 6) != kDiscoveryId || getBE16(data + 4) < kPayloadSize)
        return false;
    const uint8_t* payload = data + kHeaderSize;
    GvcpAnnouncement a;
    a.vendor = field(payload + kManufacturerOffset, kManufacturerSize);
    a.model = field(payload + kModelOffset, kModelSize);
    a.serial = field(payload + kSerialOffset, kSerialSize);
    char text[32];
    const uint8_t* mac = payload + kMacHighOffset + 2;
    std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", mac[0], mac[1], mac[2], mac[3], mac[4],
                  mac[5]);
    a.mac = text;
    if (a.serial.empty())
        a.serial = a.mac;
    const uint8_t* ip = payload + kCurrentIpOffset;
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", ip[0], ip[1], ip[2], ip[3]);
    a.address = text;
    *out = std::move(a);
    return true;
}

std::vector<GvcpAnnouncement> discoverGigEVision(int windowMs, int sliceMs,
                                                 const std::function<bool()>& cancelled)
{
    std::vector<GvcpAnnouncement> found;
    if (cancelled && cancelled())
        return found;
    std::vector<DiscoverySocket> sockets = openSockets();
    for (const DiscoverySocket& s : sockets)
        sendDiscovery(s);
    std::vector<pollfd> fds;
    for (const DiscoverySocket& s : sockets)
        fds.push_back({s.fd, POLLIN, 0});

    const auto deadline = Clock::now() + std::chrono::milliseconds(windowMs);
    uint8_t buffer[1024];
    for (;;) {
        if (cancelled && cancelled())
            break;
        const auto now = Clock::now();
        if (now >= deadline)
            break;
        const int left = int(std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count());
        const int ready = ::poll(fds.data(), fds.size(), std::max(1, std::min(left, sliceMs)));
        if (ready < 0 && errno != EINTR)
            break;
        if (ready <= 0)
            continue;
        for (pollfd& p : fds) {
            if (!(p.revents & POLLIN))
                continue;
            for (;;) {
                sockaddr_in from{};
                socklen_t fromSize = sizeof from;
                const ssize_t got =
                    ::recvfrom(p.fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &fromSize);
                if (got <= 0)
                    break;
                GvcpAnnouncement a;
                if (!parseDiscoveryAck(buffer, size_t(got), &a) || from.sin_family != AF_INET)
                    continue;
                // The device is reached where its answer came from, never at
                // an address it names: a device on the network could aim our
                // control packets anywhere otherwise. One exception: a device
                // running on this computer (its answer comes from one of our
                // own addresses) may name a loopback address.
                char text[INET_ADDRSTRLEN] = {};
                if (!::inet_ntop(AF_INET, &from.sin_addr, text, sizeof text))
                    continue;
                in_addr announced{};
                const bool loopbackHere =
                    ::inet_pton(AF_INET, a.address.c_str(), &announced) == 1 &&
                    (ntohl(announced.s_addr) >> 24) == 127 &&
                    std::any_of(sockets.begin(), sockets.end(), [&](const DiscoverySocket& s) {
                        return s.local.sin_addr.s_addr == from.sin_addr.s_addr;
                    });
                if (!loopbackHere)
                    a.address = text;
                // The same device answers on every interface that reaches it.
                const bool known = std::any_of(found.begin(), found.end(), [&](const GvcpAnnouncement& f) {
                    return f.mac == a.mac && f.address == a.address;
                });
                if (!known)
                    found.push_back(std::move(a));
            }
        }
    }
    for (const DiscoverySocket& s : sockets)
        ::close(s.fd);
    return found;
}

} // namespace Internal
} // namespace GenApi

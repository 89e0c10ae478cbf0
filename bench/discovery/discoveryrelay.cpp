#include "discoveryrelay.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr uint16_t kGvcpPort = 3956;
constexpr uint8_t kDiscoveryCommand = 0x02;

sockaddr_in loopback(const std::string& address, uint16_t port)
{
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_port = htons(port);
    ::inet_pton(AF_INET, address.c_str(), &at.sin_addr);
    return at;
}

int boundSocket(const sockaddr_in& at)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd >= 0 && ::bind(fd, reinterpret_cast<const sockaddr*>(&at), sizeof at) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

DiscoveryRelay::DiscoveryRelay(std::vector<std::string> devices)
{
    for (const std::string& address : devices)
        m_devices.push_back(loopback(address, kGvcpPort));
}

DiscoveryRelay::~DiscoveryRelay()
{
    stop();
}

bool DiscoveryRelay::start(std::string* error)
{
    m_front = boundSocket(loopback("127.0.0.1", kGvcpPort));
    m_back = boundSocket(loopback("127.0.0.1", 0));
    if (m_front < 0 || m_back < 0) {
        *error = std::string("cannot listen on 127.0.0.1:3956: ") + std::strerror(errno);
        stop();
        return false;
    }
    m_stop = false;
    m_thread = std::thread([this] { run(); });
    return true;
}

void DiscoveryRelay::stop()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    for (int* fd : {&m_front, &m_back}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}

void DiscoveryRelay::run()
{
    uint8_t packet[2048];
    while (!m_stop) {
        pollfd fds[2] = {{m_front, POLLIN, 0}, {m_back, POLLIN, 0}};
        if (::poll(fds, 2, 20) <= 0)
            continue;
        sockaddr_in from{};
        socklen_t fromSize = sizeof from;
        ssize_t got;
        while ((got = ::recvfrom(m_front, packet, sizeof packet, 0, reinterpret_cast<sockaddr*>(&from),
                                 &fromSize)) > 0) {
            // Only discovery commands: the devices are reached at their own
            // addresses for everything else.
            if (got < 8 || packet[0] != 0x42 || packet[2] != 0 || packet[3] != kDiscoveryCommand)
                continue;
            m_asker = from;
            for (const sockaddr_in& device : m_devices)
                ::sendto(m_back, packet, size_t(got), 0, reinterpret_cast<const sockaddr*>(&device),
                         sizeof device);
            fromSize = sizeof from;
        }
        while ((got = ::recv(m_back, packet, sizeof packet, 0)) > 0) {
            if (m_asker.sin_family == AF_INET)
                ::sendto(m_front, packet, size_t(got), 0, reinterpret_cast<const sockaddr*>(&m_asker),
                         sizeof m_asker);
        }
    }
}

#include "gvcpreader.h"

#include "bytefields.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace GenApi {
namespace Internal {

namespace {

using Clock = std::chrono::steady_clock;

// GigE Vision control protocol: an 8-byte header then the payload, every
// field big-endian.
constexpr uint16_t kGvcpPort = 3956;
constexpr uint8_t kCommandKey = 0x42;
constexpr uint8_t kAcknowledgeRequired = 0x01;
constexpr uint16_t kReadRegisterCommand = 0x0080;
constexpr uint16_t kReadRegisterAck = 0x0081;
constexpr uint16_t kReadMemoryCommand = 0x0084;
constexpr uint16_t kReadMemoryAck = 0x0085;
constexpr uint16_t kPendingAck = 0x0089;
constexpr uint16_t kStatusAccessDenied = 0x8006;
constexpr uint32_t kMaxReadMemory = 512;
constexpr size_t kHeaderSize = 8;
//! Tries within one deadline: a lost datagram costs a third of it, not all.
constexpr int kTries = 3;

bool nativeAddress(GSocketAddress* address, sockaddr_in* out)
{
    return address && g_socket_address_get_family(address) == G_SOCKET_FAMILY_IPV4 &&
           g_socket_address_to_native(address, out, sizeof *out, nullptr);
}

} // namespace

std::unique_ptr<GvcpReader> GvcpReader::open(ArvDevice* device)
{
    if (!ARV_IS_GV_DEVICE(device))
        return nullptr;
    sockaddr_in deviceAddress{};
    sockaddr_in localAddress{};
    if (!nativeAddress(arv_gv_device_get_device_address(ARV_GV_DEVICE(device)), &deviceAddress) ||
        !nativeAddress(arv_gv_device_get_interface_address(ARV_GV_DEVICE(device)), &localAddress))
        return nullptr;
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return nullptr;
    localAddress.sin_port = 0;
    // Connected, so that the network's "nobody listens" reaches us at once.
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&localAddress), sizeof localAddress) != 0 ||
        ::connect(fd, reinterpret_cast<const sockaddr*>(&deviceAddress), sizeof deviceAddress) != 0) {
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<GvcpReader>(new GvcpReader(fd));
}

std::unique_ptr<GvcpReader> GvcpReader::openAddress(const std::string& address, std::string* interfaceAddress)
{
    sockaddr_in deviceAddress{};
    deviceAddress.sin_family = AF_INET;
    deviceAddress.sin_port = htons(kGvcpPort);
    if (::inet_pton(AF_INET, address.c_str(), &deviceAddress.sin_addr) != 1)
        return nullptr;
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return nullptr;
    // Connected: the kernel picks the interface that reaches the device, and
    // answers from any other address are not ours.
    sockaddr_in localAddress{};
    socklen_t localSize = sizeof localAddress;
    char text[INET_ADDRSTRLEN] = {};
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&deviceAddress), sizeof deviceAddress) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&localAddress), &localSize) != 0 ||
        !::inet_ntop(AF_INET, &localAddress.sin_addr, text, sizeof text)) {
        ::close(fd);
        return nullptr;
    }
    if (interfaceAddress)
        *interfaceAddress = text;
    return std::unique_ptr<GvcpReader>(new GvcpReader(fd));
}

GvcpReader::~GvcpReader()
{
    ::close(m_socket);
}

GvcpReader::Outcome GvcpReader::exchange(uint16_t command, const uint8_t* payload, uint16_t payloadSize,
                                         uint8_t* answer, uint16_t answerSize, int deadlineMs,
                                         uint16_t* status)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (++m_lastId == 0)
        m_lastId = 1;
    const uint16_t id = m_lastId;
    uint8_t packet[kHeaderSize + 16];
    packet[0] = kCommandKey;
    packet[1] = kAcknowledgeRequired;
    setBE16(packet + 2, command);
    setBE16(packet + 4, payloadSize);
    setBE16(packet + 6, id);
    std::memcpy(packet + kHeaderSize, payload, payloadSize);
    const uint16_t expected = command == kReadRegisterCommand ? kReadRegisterAck : kReadMemoryAck;

    const auto deadline = Clock::now() + std::chrono::milliseconds(deadlineMs);
    const auto resendEvery = std::chrono::milliseconds(std::max(1, deadlineMs / kTries));
    auto nextSend = Clock::now();
    uint8_t reply[kHeaderSize + 4 + kMaxReadMemory];
    for (;;) {
        const auto now = Clock::now();
        if (now >= deadline)
            return Outcome::NoAnswer;
        if (now >= nextSend) {
            if (::send(m_socket, packet, kHeaderSize + payloadSize, 0) < 0 && errno != EAGAIN &&
                errno != EINTR)
                return Outcome::Unreachable;
            nextSend = now + resendEvery;
        }
        const auto waitUntil = std::min(deadline, nextSend);
        const int waitMs = int(std::chrono::ceil<std::chrono::milliseconds>(waitUntil - now).count());
        pollfd pfd{m_socket, POLLIN, 0};
        const int ready = ::poll(&pfd, 1, std::max(0, waitMs));
        if (ready < 0 && errno != EINTR)
            return Outcome::Unreachable;
        if (ready <= 0)
            continue;
        // MSG_TRUNC: the datagram's real length, so that an oversized one is seen.
        const ssize_t got = ::recv(m_socket, reply, sizeof reply, MSG_TRUNC);
        if (got < 0) {
            if (errno == EAGAIN || errno == EINTR)
                continue;
            return Outcome::Unreachable; // ECONNREFUSED: the port is closed
        }
        if (size_t(got) < kHeaderSize || getBE16(reply + 6) != id)
            continue; // an answer to an earlier read that gave up
        const uint16_t answerStatus = getBE16(reply);
        const uint16_t acknowledge = getBE16(reply + 2);
        if (acknowledge == kPendingAck)
            continue; // the answer follows; the deadline still holds
        if (acknowledge != expected)
            continue;
        if (answerStatus != 0) {
            *status = answerStatus;
            return answerStatus == kStatusAccessDenied ? Outcome::Denied : Outcome::Refused;
        }
        // An answer of another length than asked for, or whose header says
        // another length than it has, is not an answer to this read.
        if (size_t(got) > sizeof reply || getBE16(reply + 4) != size_t(got) - kHeaderSize)
            continue;
        if (size_t(got) != kHeaderSize + answerSize) {
            *status = 0;
            return Outcome::Refused;
        }
        // A memory read answers with the address it read.
        if (command == kReadMemoryCommand && std::memcmp(reply + kHeaderSize, payload, 4) != 0)
            continue;
        std::memcpy(answer, reply + kHeaderSize, answerSize);
        return Outcome::Done;
    }
}

GvcpReader::Outcome GvcpReader::readRegister(uint64_t address, uint32_t* value, int deadlineMs,
                                             uint16_t* status)
{
    uint8_t payload[4];
    setBE32(payload, uint32_t(address));
    uint8_t answer[4];
    const Outcome outcome =
        exchange(kReadRegisterCommand, payload, sizeof payload, answer, sizeof answer, deadlineMs, status);
    if (outcome == Outcome::Done)
        *value = getBE32(answer);
    return outcome;
}

GvcpReader::Outcome GvcpReader::readMemory(uint64_t address, uint32_t size, void* buffer, int deadlineMs,
                                           uint16_t* status)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(deadlineMs);
    auto* out = static_cast<uint8_t*>(buffer);
    uint32_t done = 0;
    while (done < size) {
        const uint32_t chunk = std::min(size - done, kMaxReadMemory);
        // Lengths travel in multiples of 4 bytes; the extra bytes are dropped.
        const uint16_t asked = uint16_t((chunk + 3) & ~3u);
        uint8_t payload[8];
        setBE32(payload, uint32_t(address + done));
        setBE16(payload + 4, 0);
        setBE16(payload + 6, asked);
        uint8_t answer[4 + kMaxReadMemory];
        const int left = int(std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count());
        const Outcome outcome = exchange(kReadMemoryCommand, payload, sizeof payload, answer,
                                         uint16_t(4 + asked), std::max(1, left), status);
        if (outcome != Outcome::Done)
            return outcome;
        std::memcpy(out + done, answer + 4, chunk);
        done += chunk;
    }
    return Outcome::Done;
}

} // namespace Internal
} // namespace GenApi

#include "fakegigedevice.h"

#include "bytefields.h"

#include <zlib.h>

#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using namespace GenApi::Internal;

constexpr uint16_t kGvcpPort = 3956;
constexpr size_t kHeaderSize = 8;
constexpr uint16_t kDiscoveryCommand = 0x0002;
constexpr uint16_t kReadRegisterCommand = 0x0080;
constexpr uint16_t kWriteRegisterCommand = 0x0082;
constexpr uint16_t kReadMemoryCommand = 0x0084;
constexpr uint16_t kWriteMemoryCommand = 0x0086;
constexpr uint16_t kPendingAck = 0x0089;
constexpr uint16_t kStatusInvalidAddress = 0x8003;
constexpr uint16_t kStatusNotImplemented = 0x8001;
constexpr uint16_t kStatusAccessDenied = 0x8006;
constexpr uint32_t kControlChannelPrivilege = 0x0a00;
constexpr size_t kBootstrapSize = FakeGigeDevice::kDescriptionAddress;
constexpr size_t kDiscoveryPayload = 0xf8;

int64_t nowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Appends a big-endian field.
void putU16(std::vector<uint8_t>& out, uint16_t value)
{
    out.resize(out.size() + 2);
    setBE16(&out[out.size() - 2], value);
}

void putU32(std::vector<uint8_t>& out, uint32_t value)
{
    out.resize(out.size() + 4);
    setBE32(&out[out.size() - 4], value);
}

void setText(std::vector<uint8_t>& memory, size_t at, size_t size, const std::string& text)
{
    std::memset(&memory[at], 0, size);
    std::memcpy(&memory[at], text.data(), std::min(size - 1, text.size()));
}

std::vector<uint8_t> header(uint16_t status, uint16_t acknowledge, uint16_t length, uint16_t id)
{
    std::vector<uint8_t> out;
    putU16(out, status);
    putU16(out, acknowledge);
    putU16(out, length);
    putU16(out, id);
    return out;
}

// Appends little-endian fields of 2 or 4 bytes (zip archives).
void putLE(std::string& out, std::initializer_list<std::pair<uint32_t, int>> fields)
{
    for (const auto& [value, width] : fields) {
        out.resize(out.size() + size_t(width));
        auto* at = reinterpret_cast<uint8_t*>(&out[out.size() - size_t(width)]);
        width == 2 ? setLE16(at, uint16_t(value)) : setLE32(at, value);
    }
}

// "Busy: done in 200 ms", never true.
std::vector<uint8_t> pendingAck(uint16_t id)
{
    std::vector<uint8_t> ack = header(0, kPendingAck, 4, id);
    putU16(ack, 0);
    putU16(ack, 200);
    return ack;
}

} // namespace

FakeGigeDevice::FakeGigeDevice(const std::string& address)
    : m_address(address), m_bootstrap(kBootstrapSize, 0)
{
    setBE32(&m_bootstrap[0x0000], 0x00020000); // version 2.0
    setBE32(&m_bootstrap[0x0004], 0x80000000); // big-endian device
    setBE32(&m_bootstrap[0x0008], 0x00000002); // MAC 00:02:...
    setBE32(&m_bootstrap[0x000c], 0xa1b2c3d4);
    setAnnouncedAddress(address);
    setText(m_bootstrap, 0x0048, 32, "Campane_Tests");
    setText(m_bootstrap, 0x0068, 32, "Fake");
    setText(m_bootstrap, 0x0088, 32, "1.0");
    setText(m_bootstrap, 0x00d8, 16, "FAKE0001");
    setBE32(&m_bootstrap[0x0938], 3000); // heartbeat timeout
}

FakeGigeDevice::~FakeGigeDevice()
{
    stop();
}

void FakeGigeDevice::setSerial(const std::string& serial)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    setText(m_bootstrap, 0x00d8, 16, serial);
}

void FakeGigeDevice::setAnnouncedAddress(const std::string& address)
{
    in_addr ip{};
    ::inet_pton(AF_INET, address.c_str(), &ip);
    std::lock_guard<std::mutex> lock(m_mutex);
    setBE32(&m_bootstrap[0x0024], ntohl(ip.s_addr));
}

void FakeGigeDevice::setDescription(const std::string& bytes, const std::string& url)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_description = bytes;
    const std::string text = url.empty() ? localUrl("fake.xml", kDescriptionAddress, bytes.size()) : url;
    std::memset(&m_bootstrap[0x200], 0, 512);
    std::memcpy(&m_bootstrap[0x200], text.data(), std::min<size_t>(511, text.size()));
}

std::string FakeGigeDevice::localUrl(const std::string& name, uint64_t address, uint64_t size)
{
    char text[128];
    std::snprintf(text, sizeof text, "Local:%s;%llx;%llx", name.c_str(),
                  static_cast<unsigned long long>(address), static_cast<unsigned long long>(size));
    return text;
}

std::string FakeGigeDevice::zip(const std::string& name, const std::string& content, bool deflated)
{
    std::string packed;
    if (deflated) {
        z_stream stream{};
        deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
        packed.resize(deflateBound(&stream, uLong(content.size())));
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(content.data()));
        stream.avail_in = uInt(content.size());
        stream.next_out = reinterpret_cast<Bytef*>(&packed[0]);
        stream.avail_out = uInt(packed.size());
        deflate(&stream, Z_FINISH);
        packed.resize(stream.total_out);
        deflateEnd(&stream);
    } else {
        packed = content;
    }
    const uint32_t crc = uint32_t(
        crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(content.data()), uInt(content.size())));
    const uint32_t method = deflated ? 8 : 0;
    const uint32_t packedSize = uint32_t(packed.size()), size = uint32_t(content.size());
    const uint32_t nameSize = uint32_t(name.size());
    // Local file header (version, flags, method, time and date, CRC, sizes,
    // name and extra lengths), the name and the data.
    std::string out;
    putLE(out, {{0x04034b50, 4}, {20, 2}, {0, 2}, {method, 2}, {0, 4}, {crc, 4}});
    putLE(out, {{packedSize, 4}, {size, 4}, {nameSize, 2}, {0, 2}});
    out += name + packed;
    // Central directory entry: as above, with the versions first, then extra,
    // comment, disk, attributes and the local header's offset (0).
    const uint32_t directory = uint32_t(out.size());
    putLE(out, {{0x02014b50, 4}, {20, 2}, {20, 2}, {0, 2}, {method, 2}, {0, 4}, {crc, 4}});
    putLE(out, {{packedSize, 4}, {size, 4}, {nameSize, 2}, {0, 2}, {0, 2}, {0, 2}, {0, 2}, {0, 4}, {0, 4}});
    out += name;
    // End of central directory: one entry on one disk.
    const uint32_t directorySize = uint32_t(out.size()) - directory;
    putLE(out, {{0x06054b50, 4}, {0, 2}, {0, 2}, {1, 2}, {1, 2}, {directorySize, 4}, {directory, 4}, {0, 2}});
    return out;
}

bool FakeGigeDevice::start(std::string* error)
{
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(kGvcpPort);
    if (::inet_pton(AF_INET, m_address.c_str(), &local.sin_addr) != 1 ||
        (ntohl(local.sin_addr.s_addr) >> 24) != 127) {
        *error = "the fake device listens on loopback addresses only, not " + m_address;
        return false;
    }
    m_socket = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (m_socket < 0 || ::bind(m_socket, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        *error = "cannot listen on " + m_address + ":3956: " + std::strerror(errno);
        if (m_socket >= 0)
            ::close(m_socket);
        m_socket = -1;
        return false;
    }
    m_stop = false;
    m_thread = std::thread([this] { run(); });
    return true;
}

void FakeGigeDevice::stop()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    if (m_socket >= 0)
        ::close(m_socket);
    m_socket = -1;
}

void FakeGigeDevice::run()
{
    uint8_t packet[2048];
    int64_t nextPending = nowMs() + 100;
    while (!m_stop) {
        if (m_frozen) {
            ::usleep(5000);
            continue;
        }
        if (m_refuseHeld.exchange(false)) {
            // What arrived while frozen: writes refused, the rest answered.
            m_refusingWrites = true;
            sockaddr_in peer{};
            socklen_t peerSize = sizeof peer;
            ssize_t got = 0;
            while ((got = ::recvfrom(m_socket, packet, sizeof packet, MSG_DONTWAIT,
                                     reinterpret_cast<sockaddr*>(&peer), &peerSize)) > 0) {
                answer(packet, size_t(got), &peer, peerSize);
                peerSize = sizeof peer;
            }
            m_refusingWrites = false;
        }
        pollfd pfd{m_socket, POLLIN, 0};
        if (::poll(&pfd, 1, 20) > 0 && !m_frozen) {
            sockaddr_in peer{};
            socklen_t peerSize = sizeof peer;
            const ssize_t got =
                ::recvfrom(m_socket, packet, sizeof packet, 0, reinterpret_cast<sockaddr*>(&peer), &peerSize);
            if (got > 0)
                answer(packet, size_t(got), &peer, peerSize);
        }
        const int64_t now = nowMs();
        std::vector<Delayed> due;
        std::vector<Waiting> pending;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            for (auto it = m_delayed.begin(); it != m_delayed.end();) {
                if (it->dueMs <= now) {
                    due.push_back(*it);
                    it = m_delayed.erase(it);
                } else {
                    ++it;
                }
            }
            if (now >= nextPending) {
                pending = m_pending;
                nextPending = now + 100;
            }
        }
        for (const Delayed& d : due) {
            // Late, and twice.
            send(d.ack, d.peer.data(), unsigned(d.peer.size()));
            send(d.ack, d.peer.data(), unsigned(d.peer.size()));
        }
        for (const Waiting& w : pending) {
            send(pendingAck(w.id), w.peer.data(), unsigned(w.peer.size()));
        }
    }
}

std::string FakeGigeDevice::gainDescription()
{
    return R"(<?xml version="1.0"?>
<RegisterDescription ModelName="FakeGain" VendorName="Tests" SchemaMajorVersion="1" SchemaMinorVersion="1"
    SchemaSubMinorVersion="0" MajorVersion="1" MinorVersion="0" SubMinorVersion="0" ProductGuid="0"
    VersionGuid="0" xmlns="http://www.genicam.org/GenApi/Version_1_1">
  <Category Name="Root"><pFeature>Gain</pFeature></Category>
  <Integer Name="Gain">
    <Visibility>Beginner</Visibility>
    <pValue>GainReg</pValue>
    <Min>0</Min>
    <Max>100</Max>
  </Integer>
  <IntReg Name="GainReg">
    <Address>0x1000</Address>
    <Length>4</Length>
    <AccessMode>RW</AccessMode>
    <pPort>Device</pPort>
    <Sign>Unsigned</Sign>
    <Endianess>BigEndian</Endianess>
  </IntReg>
  <Port Name="Device"/>
</RegisterDescription>
)";
}

void FakeGigeDevice::thaw(bool takeHeldWrites)
{
    m_refuseHeld = !takeHeldWrites;
    m_frozen = false;
}

uint32_t FakeGigeDevice::registerValue(uint32_t address)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const std::vector<uint8_t> bytes = readMemory(address, 4);
    return getBE32(bytes.data());
}

void FakeGigeDevice::send(const std::vector<uint8_t>& ack, const void* peer, unsigned peerSize)
{
    ::sendto(m_socket, ack.data(), ack.size(), 0, static_cast<const sockaddr*>(peer), peerSize);
}

std::vector<uint8_t> FakeGigeDevice::readMemory(uint32_t address, uint32_t size)
{
    std::vector<uint8_t> out(size, 0);
    for (uint32_t i = 0; i < size; ++i) {
        const uint64_t at = uint64_t(address) + i;
        if (at < kBootstrapSize) {
            out[i] = m_bootstrap[size_t(at)];
            continue;
        }
        const auto written = m_other.find(uint32_t(at));
        if (written != m_other.end())
            out[i] = written->second;
        else if (at - kDescriptionAddress < m_description.size())
            out[i] = uint8_t(m_description[size_t(at - kDescriptionAddress)]);
    }
    return out;
}

void FakeGigeDevice::writeMemory(uint32_t address, const uint8_t* data, size_t size)
{
    for (size_t i = 0; i < size; ++i) {
        const uint64_t at = uint64_t(address) + i;
        if (at < kBootstrapSize)
            m_bootstrap[size_t(at)] = data[i];
        else
            m_other[uint32_t(at)] = data[i];
    }
}

void FakeGigeDevice::answer(const uint8_t* packet, size_t size, const void* peer, unsigned peerSize)
{
    if (size < kHeaderSize || packet[0] != 0x42)
        return;
    ++m_commands;
    const uint16_t command = getBE16(packet + 2);
    const uint16_t length = getBE16(packet + 4);
    const uint16_t id = getBE16(packet + 6);
    const uint8_t* payload = packet + kHeaderSize;
    if (length > size - kHeaderSize)
        return;

    std::lock_guard<std::mutex> lock(m_mutex);
    if (command == kDiscoveryCommand) {
        std::vector<uint8_t> ack = header(0, kDiscoveryCommand + 1, kDiscoveryPayload, id);
        ack.insert(ack.end(), m_bootstrap.begin(), m_bootstrap.begin() + kDiscoveryPayload);
        send(ack, peer, peerSize);
        return;
    }

    if (m_refusingWrites && (command == kWriteRegisterCommand || command == kWriteMemoryCommand)) {
        send(header(kStatusAccessDenied, uint16_t(command + 1), 0, id), peer, peerSize);
        return;
    }
    // Writes: stored, and acknowledged with the number of writes done.
    std::vector<uint8_t> ack;
    bool isRead = false;
    if (command == kWriteRegisterCommand) {
        uint16_t done = 0;
        for (size_t at = 0; at + 8 <= length; at += 8) {
            const uint32_t address = getBE32(payload + at);
            if (address == kControlChannelPrivilege) {
                m_controlAsked = true;
                m_controller.assign(static_cast<const uint8_t*>(peer),
                                    static_cast<const uint8_t*>(peer) + peerSize);
            }
            writeMemory(address, payload + at + 4, 4);
            ++done;
        }
        ack = header(0, kWriteRegisterCommand + 1, 4, id);
        putU16(ack, 0);
        putU16(ack, done);
    } else if (command == kWriteMemoryCommand && length >= 4) {
        writeMemory(getBE32(payload), payload + 4, length - 4u);
        ack = header(0, kWriteMemoryCommand + 1, 4, id);
        putU16(ack, 0);
        putU16(ack, uint16_t(length - 4));
    } else if (command == kReadRegisterCommand) {
        isRead = true;
        ack = header(0, kReadRegisterCommand + 1, uint16_t(length & ~3u), id);
        for (size_t at = 0; at + 4 <= length; at += 4) {
            const std::vector<uint8_t> value = readMemory(getBE32(payload + at), 4);
            ack.insert(ack.end(), value.begin(), value.end());
        }
    } else if (command == kReadMemoryCommand && length >= 8) {
        isRead = true;
        const uint32_t address = getBE32(payload);
        const uint16_t count = getBE16(payload + 6);
        ack = header(0, kReadMemoryCommand + 1, uint16_t(4 + count), id);
        putU32(ack, address);
        const std::vector<uint8_t> data = readMemory(address, count);
        ack.insert(ack.end(), data.begin(), data.end());
    } else {
        ack = header(kStatusNotImplemented, uint16_t(command + 1), 0, id);
        send(ack, peer, peerSize);
        return;
    }

    const Misbehaviour misbehaviour = m_misbehaviour.load();
    const bool pendingNow = misbehaviour == Misbehaviour::Pending ||
                            (misbehaviour == Misbehaviour::PendingOnControl && m_controlAsked);
    if (pendingNow) {
        Waiting w;
        w.peer.assign(static_cast<const uint8_t*>(peer), static_cast<const uint8_t*>(peer) + peerSize);
        w.id = id;
        m_pending.push_back(w);
        if (m_pending.size() > 64)
            m_pending.erase(m_pending.begin());
        send(pendingAck(id), peer, peerSize);
        return;
    }
    if (isRead) {
        switch (misbehaviour) {
        case Misbehaviour::Silent:
            return;
        case Misbehaviour::Truncated: {
            const size_t keep = kHeaderSize + (ack.size() - kHeaderSize) / 2;
            ack.resize(keep);
            setBE16(&ack[4], uint16_t(keep - kHeaderSize));
            break;
        }
        case Misbehaviour::Oversized: {
            ack.resize(ack.size() + 64, 0xee);
            const size_t payloadSize = ack.size() - kHeaderSize;
            setBE16(&ack[4], uint16_t(payloadSize));
            break;
        }
        case Misbehaviour::WrongIdExceptController:
            if (m_controller.size() == peerSize && std::memcmp(m_controller.data(), peer, peerSize) == 0)
                break;
            [[fallthrough]];
        case Misbehaviour::WrongId:
            setBE16(&ack[6], uint16_t(id + 7));
            break;
        case Misbehaviour::WrongStatus:
            setBE16(&ack[0], uint16_t(kStatusInvalidAddress));
            break;
        case Misbehaviour::Late: {
            Delayed d;
            d.ack = ack;
            d.peer.assign(static_cast<const uint8_t*>(peer), static_cast<const uint8_t*>(peer) + peerSize);
            d.dueMs = nowMs() + 3000;
            m_delayed.push_back(d);
            return;
        }
        default:
            break;
        }
    }
    send(ack, peer, peerSize);
}

// A fake GigE Vision device for tests and benchmarks: a UDP responder on a loopback address
// (127.0.0.5 unless told otherwise) that answers discovery, register and
// memory reads and writes the way a device does, serves a description from
// its memory, and can be told to misbehave the ways a broken or hostile
// device on the network does. Only loopback addresses are accepted.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class FakeGigeDevice
{
public:
    enum class Misbehaviour
    {
        None,
        Silent,           //!< answers nothing but discovery
        Truncated,        //!< read answers cut in half (their headers say so)
        Oversized,        //!< read answers with 64 bytes more than asked
        WrongId,          //!< read answers carry another request's id
        WrongStatus,      //!< read answers carry an error status
        Late,             //!< read answers come 3 s late, twice
        Pending,          //!< read answers are "pending", renewed every 100 ms, forever
        PendingOnControl, //!< honest until the control channel is asked for, then pending forever
        //! Read answers carry wrong ids, except to the application that holds
        //! the control channel.
        WrongIdExceptController,
    };

    //! Where the description is kept in the device's memory.
    static constexpr uint32_t kDescriptionAddress = 0x10000;
    //! A description of one feature, "Gain" (0 to 100), over the register
    //! at kGainAddress.
    static std::string gainDescription();
    static constexpr uint32_t kGainAddress = 0x1000;

    explicit FakeGigeDevice(const std::string& address = "127.0.0.5");
    ~FakeGigeDevice();
    FakeGigeDevice(const FakeGigeDevice&) = delete;
    FakeGigeDevice& operator=(const FakeGigeDevice&) = delete;

    const std::string& address() const { return m_address; }

    //! The description's bytes, kept at kDescriptionAddress, and the URL the
    //! first URL register gives (by default "Local:fake.xml;10000;<size>").
    void setDescription(const std::string& bytes, const std::string& url = std::string());
    void setMisbehaviour(Misbehaviour misbehaviour) { m_misbehaviour = misbehaviour; }
    //! The serial number in the bootstrap registers ("FAKE0001" by default).
    void setSerial(const std::string& serial);
    //! The current IPv4 address the device announces in discovery (its own
    //! by default).
    void setAnnouncedAddress(const std::string& address);

    //! Binds address:3956 and answers on a thread of its own. False with the
    //! reason when the address is not loopback or the port is taken.
    bool start(std::string* error);
    void stop();

    //! Stops answering anything, as a device whose process is stopped: what
    //! arrives meanwhile waits in the socket.
    void freeze() { m_frozen = true; }
    //! Answers again, first what arrived meanwhile: its writes taken, or with
    //! takeHeldWrites false refused ("access denied") and not applied.
    void thaw(bool takeHeldWrites = true);
    //! A 32-bit register as the device holds it (big-endian, as GigE Vision).
    uint32_t registerValue(uint32_t address);

    //! Commands received so far.
    uint64_t commands() const { return m_commands.load(); }

    static std::string localUrl(const std::string& name, uint64_t address, uint64_t size);
    //! A zip archive holding one file, deflated (or stored).
    static std::string zip(const std::string& name, const std::string& content, bool deflated = true);

private:
    struct Waiting
    {
        std::vector<uint8_t> peer; //!< sockaddr_in bytes
        uint16_t id = 0;
    };

    void run();
    void answer(const uint8_t* packet, size_t size, const void* peer, unsigned peerSize);
    void send(const std::vector<uint8_t>& ack, const void* peer, unsigned peerSize);
    std::vector<uint8_t> readMemory(uint32_t address, uint32_t size);
    void writeMemory(uint32_t address, const uint8_t* data, size_t size);

    std::string m_address;
    int m_socket = -1;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<uint64_t> m_commands{0};
    std::atomic<Misbehaviour> m_misbehaviour{Misbehaviour::None};
    std::atomic<bool> m_frozen{false};
    std::atomic<bool> m_refuseHeld{false};
    bool m_refusingWrites = false; //!< on the device's thread, while it answers what it held
    bool m_controlAsked = false;
    std::vector<uint8_t> m_controller; //!< sockaddr_in bytes of who holds the control channel

    std::mutex m_mutex;
    std::vector<uint8_t> m_bootstrap; //!< addresses below kDescriptionAddress
    std::string m_description;
    std::map<uint32_t, uint8_t> m_other; //!< bytes written elsewhere
    std::vector<Waiting> m_pending;
    struct Delayed
    {
        std::vector<uint8_t> ack;
        std::vector<uint8_t> peer;
        int64_t dueMs = 0;
    };
    std::vector<Delayed> m_delayed;
};

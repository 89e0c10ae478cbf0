// Reads of a GigE Vision device's registers and memory on a socket of our
// own, answered on the calling thread within a deadline.
//
// Aravis's device holds the control channel and does every write; it also
// retries a silent device for seconds before it gives up. Reads need no
// control privilege, so they go here instead: no hand-over to another thread
// per access, and a caller (the GUI thread) waits at most the deadline it
// passes, however the device behaves.
#pragma once

#include <arv.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace GenApi {
namespace Internal {

class GvcpReader
{
public:
    enum class Outcome
    {
        Done,
        Refused,     //!< the device answered with an error status
        Denied,      //!< the device wants the control channel for reads too
        NoAnswer,    //!< nothing within the deadline
        Unreachable, //!< the network says nobody listens there
    };

    //! Null when device is not a GigE Vision device or no socket can be made.
    static std::unique_ptr<GvcpReader> open(ArvDevice* device);
    //! A reader of the device at an IPv4 address (dotted), before anything
    //! else talks to it; *interfaceAddress is the local address that reaches
    //! it. Null when address is not one.
    static std::unique_ptr<GvcpReader> openAddress(const std::string& address, std::string* interfaceAddress);
    ~GvcpReader();
    GvcpReader(const GvcpReader&) = delete;
    GvcpReader& operator=(const GvcpReader&) = delete;

    //! *status is the device's status code when the outcome is Refused.
    Outcome readMemory(uint64_t address, uint32_t size, void* buffer, int deadlineMs, uint16_t* status);
    Outcome readRegister(uint64_t address, uint32_t* value, int deadlineMs, uint16_t* status);

private:
    explicit GvcpReader(int socket) : m_socket(socket) {}
    Outcome exchange(uint16_t command, const uint8_t* payload, uint16_t payloadSize, uint8_t* answer,
                     uint16_t answerSize, int deadlineMs, uint16_t* status);

    int m_socket;
    uint16_t m_lastId = 0;
    std::mutex m_mutex;
};

} // namespace Internal
} // namespace GenApi

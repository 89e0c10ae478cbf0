// GigE Vision discovery on sockets of our own: a discovery broadcast on every
// IPv4 interface (loopback included), answers collected in short slices so
// that a caller that is shutting down is not held for the whole answer window.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace GenApi {
namespace Internal {

//! What one device says about itself in its discovery acknowledge.
struct GvcpAnnouncement
{
    std::string vendor;
    std::string model;
    std::string serial; //!< the MAC address when the device announces none
    std::string mac;    //!< "00:11:22:33:44:55"
    //! Dotted IPv4: the address the device announces itself by
    //! parseDiscoveryAck, the address its answer came from once discovered.
    std::string address;
};

//! Parses one datagram; false when it is not a well-formed discovery
//! acknowledge (it comes from the network: every length is checked).
bool parseDiscoveryAck(const uint8_t* data, size_t size, GvcpAnnouncement* out);

//! Broadcasts a discovery command and gathers the answers for windowMs,
//! one device once. cancelled is asked before every slice of at most
//! sliceMs; the first true ends the search with what has come so far.
std::vector<GvcpAnnouncement> discoverGigEVision(int windowMs, int sliceMs,
                                                 const std::function<bool()>& cancelled);

} // namespace Internal
} // namespace GenApi

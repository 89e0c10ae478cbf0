// One device of the service: its connection and what the service keeps
// about it. Every field is guarded by the service's mutex.
#pragma once

#include <GenApi/DeviceConnection.h>

#include <map>
#include <memory>
#include <string>

namespace Corvid {
namespace Internal {

struct Device
{
    std::string id;
    bool isCard = false;
    bool isAravis = false;
    std::string description; //!< description file, or the id or address it was opened with
    std::string transportId; //!< the Aravis device id, for discovery
    std::string model;
    std::string serial;
    std::string vendor;
    std::shared_ptr<GenApi::CDeviceConnection> connection;
    bool usable = true;               //!< the host's flag
    bool lost = false;                //!< stopped answering; only opening it again revives it
    std::string kind;                 //!< camera kind ("1", "5", ...)
    std::string lock;                 //!< lock text the host set
    std::map<int, std::string> panel; //!< camera information 50 to 56
    //! Why the device could not be opened (its description was refused, for
    //! instance); such a device has no connection. Empty once it opened.
    std::string error;

    //! Open, answering and allowed by the host.
    bool isUsable() const { return usable && isAnswering(); }
    bool isAnswering() const { return !lost && connection && !connection->IsLost(); }
};

} // namespace Internal
} // namespace Corvid

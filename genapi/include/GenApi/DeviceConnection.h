// Opening devices and their node maps: in-process simulated devices made
// from any GenICam description, and devices reached through Aravis (GigE
// Vision, USB3 Vision, including the loopback GigE Vision emulator).
// Not part of GenApi 3.x: this is how our camera service obtains node maps.
#pragma once

#include <Base/GCLinkage.h>
#include <GenApi/FrameStream.h>
#include <GenApi/Interfaces.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace GenApi {

//! A device that discovery found.
struct DeviceDescriptor
{
    std::string id; //!< the id to open it with
    std::string vendor;
    std::string model;
    std::string serial;
    std::string protocol; //!< "GigEVision", "USB3Vision", ...
    std::string address;  //!< transport address (IP address for GigE Vision)
};

//! Register traffic of one connection, counted where the node map meets the
//! transport (reads served from the register cache are not counted).
struct DeviceStatistics
{
    uint64_t registerReads = 0;
    uint64_t registerWrites = 0;
    uint64_t bytesRead = 0;
    uint64_t bytesWritten = 0;
};

//! How a device reached through Aravis is opened.
struct AravisOpenOptions
{
    //! Whether a GigE Vision device may name its description by a file on
    //! this computer ("File:" URL): only for a device the user trusts.
    bool allowLocalFiles = false;
    //! How long opening may take in all; a device still opening then is
    //! refused (and left to finish or fail on its own, unseen).
    int deadlineMs = 5000;
};

class GENAPI_API CDeviceConnection
{
public:
    //! An in-process simulated device described by the GenICam XML file at
    //! xmlPath. Registers may lie anywhere in the 64-bit address space and
    //! start at the values the description documents. Null on failure, with
    //! the reason in *error.
    static std::unique_ptr<CDeviceConnection> OpenSimulated(const std::string& xmlPath,
                                                            std::string* error = nullptr);
    //! The same from the description's text; name identifies it in messages.
    static std::unique_ptr<CDeviceConnection>
    OpenSimulatedFromText(const std::string& xml, const std::string& name, std::string* error = nullptr);
    //! A device that Aravis reaches: a device id from Discover(), or the IP
    //! address of a GigE Vision device. Null on failure, with the reason.
    //! A GigE Vision device opened by its address is checked first with our
    //! own reads: a description URL out of bounds, a description that is not
    //! well-formed (or a zip that is not), a device that does not answer in
    //! time, each refuses the device before Aravis sees it.
    static std::unique_ptr<CDeviceConnection> OpenAravis(const std::string& deviceIdOrAddress,
                                                         std::string* error = nullptr);
    static std::unique_ptr<CDeviceConnection>
    OpenAravis(const std::string& deviceIdOrAddress, std::string* error, const AravisOpenOptions& options);
    //! Devices found now: GigE Vision devices that answer a discovery
    //! broadcast within a second (open them by address), and USB3 Vision
    //! devices on the bus (open them by id).
    static std::vector<DeviceDescriptor> Discover();
    //! The same, asking cancelled() before every slice of at most 20 ms of
    //! the search and before the bus enumeration: the first true ends it at
    //! once with what was found so far.
    static std::vector<DeviceDescriptor> Discover(const std::function<bool()>& cancelled);

    //! Asks the GigE Vision device at an IPv4 address whether it is there (a
    //! discovery command to that address only): true when it answers within
    //! deadlineMs, with what it says about itself in *found (may be null).
    //! cancelled is asked every few milliseconds; once true, the probe ends.
    static bool ProbeGigEVision(const std::string& address, int deadlineMs,
                                const std::function<bool()>& cancelled, DeviceDescriptor* found = nullptr);

    //! How long a write made on the calling thread (through any connection's
    //! node map) waits for the device's answer, in milliseconds; 0, the
    //! default, waits the full write deadline (2.5 s). A GUI thread sets a
    //! short wait: a write not answered by then throws TimeoutException
    //! saying it is not confirmed, while the device's I/O thread keeps it
    //! going up to the full deadline. Until it ends, every access to that
    //! device fails at once; then the registers it wrote are read from the
    //! device again, and a device that never answered is lost. Returns the
    //! previous wait.
    static int SetThreadWriteWait(int ms);

    ~CDeviceConnection();
    CDeviceConnection(const CDeviceConnection&) = delete;
    CDeviceConnection& operator=(const CDeviceConnection&) = delete;

    //! The node map; owned by the connection and valid while it lives.
    INodeMap* GetNodeMap() const;

    bool IsSimulated() const;
    //! The GenICam description the node map was built from.
    std::string GetDescriptionXml() const;
    //! Whether this device and other answer from one parsed description:
    //! open devices whose description texts are byte for byte the same share
    //! it (what each device reads, writes and caches stays its own).
    bool SharesDescriptionWith(const CDeviceConnection& other) const;
    //! What a GigE Vision device says about itself in its bootstrap
    //! registers (vendor, model, serial number or else MAC address, address),
    //! as discovery reports it. False for other devices or when the registers
    //! cannot be read.
    bool GetTransportIdentity(DeviceDescriptor* out) const;

    //! True once the device is known to be gone: every later access through
    //! the node map throws at once without touching the transport.
    bool IsLost() const;
    //! Checks that the device still answers with one short read (for a
    //! simulated device, that it was not marked lost); marks it lost when not.
    bool Ping();
    //! The same, waiting at most deadlineMs for the answer (counted from when
    //! the ping goes out) and asking cancelled every few milliseconds: once
    //! it says true the ping ends at once and learns nothing.
    bool Ping(int deadlineMs, const std::function<bool()>& cancelled);
    //! Marks the device lost (a simulated loss, or a loss learnt elsewhere).
    void MarkLost();
    //! For a device known lost that answers again: gives up the control
    //! channel that this connection may still hold, so that a new connection
    //! can take it. Waits at most deadlineMs; false when not given up.
    bool ReleaseControl(int deadlineMs);

    //! A stream of the device's images (devices reached through Aravis
    //! only). Null with the reason in *error: a simulated device, a lost
    //! device, or one without a stream channel.
    std::unique_ptr<CFrameStream> OpenStream(std::string* error = nullptr);

    DeviceStatistics GetStatistics() const;
    void ResetStatistics();

    struct Impl;

private:
    explicit CDeviceConnection(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

} // namespace GenApi

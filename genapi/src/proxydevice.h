// A device reached through Aravis (GigE Vision, USB3 Vision), wrapped in an
// ArvDevice of our own that our ArvGc reads and writes through. The wrapper
// counts the register traffic, notices when the device is gone (a transport
// error, no answer within a short deadline, or Aravis's "control-lost") and,
// from then on, fails every access at once without touching the transport.
//
// Reads of a GigE Vision device are made on the caller's thread, on a socket
// of the wrapper's own, and give up after kDirectReadDeadlineMs: a GUI thread
// never waits longer for a silent device. The device is then checked on the
// wrapper's I/O thread through Aravis (which also does every write and every
// read of other devices), and every access fails at once until the check
// ends: answered, the device is used again; not answered within
// kDeviceAnswerDeadlineMs of the missed deadline, it is lost.
//
// A write waits for its answer as long as the calling thread allows
// (SetThreadWriteWait; a GUI thread waits briefly): one not answered by then
// is not confirmed, and the I/O thread keeps it going up to
// kDeviceWriteDeadlineMs. Until it ends every access fails at once; it then
// settles: answered (taken or refused), the device is used again, and the
// registers it wrote are read from the device; not answered, it is lost.
#pragma once

#include "devicecontext.h"

#include <functional>
#include <string>

namespace GenApi {
namespace Internal {

//! How long a read on the caller's thread waits for the device: with the
//! work around it, a GUI thread stays under 100 ms.
constexpr int kDirectReadDeadlineMs = 75;
//! How long one register read may take before the device counts as lost.
//! Aravis's own GigE Vision retries take several seconds; a caller must not
//! wait that long to learn that the device is gone.
constexpr int kDeviceAnswerDeadlineMs = 1000;
//! The same for a write, which may start a slow operation on the device
//! (loading a user set, a reset) that the device acknowledges late.
constexpr int kDeviceWriteDeadlineMs = 2500;

//! How long a write made on the calling thread waits for the device's answer
//! before it counts as not confirmed: 0 (the default) or anything above
//! kDeviceWriteDeadlineMs waits the full deadline. Returns the previous wait.
int SetThreadWriteWait(int ms);

//! Takes ownership of device (an opened Aravis device), builds ctx->device
//! (the wrapper) and ctx->gc from the device's description. False with the
//! reason in *error; device is released in every case.
//! description, when given, is the device's description as we read it
//! ourselves; otherwise Aravis's is taken.
bool OpenProxyDevice(DeviceContext* ctx, ArvDevice* device, std::string* error,
                     const std::string* description = nullptr);

//! One short read of the device's first register (the bootstrap version of
//! GigE Vision and USB3 Vision) on the I/O thread, or the end of a check
//! after a missed read deadline: false, and the device marked lost, when it
//! does not answer within kDeviceAnswerDeadlineMs. Does not hold ctx->mutex.
bool PingProxyDevice(DeviceContext* ctx);
//! The same with a deadline of deadlineMs from when the ping goes out (after
//! the transfers queued before it), asking cancelled every few milliseconds:
//! once it says true the ping ends at once and learns nothing (true unless
//! the device is known lost).
bool PingProxyDevice(DeviceContext* ctx, int deadlineMs, const std::function<bool()>& cancelled);

//! Gives up the control channel of the GigE Vision device behind the
//! wrapper (on the I/O thread, waiting at most deadlineMs): a device that
//! was lost and answers again may still count this connection as its
//! controller. False when it was not given up in time.
bool ReleaseProxyControl(DeviceContext* ctx, int deadlineMs);

} // namespace Internal
} // namespace GenApi

namespace GenApi {
namespace Internal {

//! The Aravis device behind the wrapper (a new reference), or null when
//! ctx->device is not a wrapper.
ArvDevice* ProxyTransportDevice(DeviceContext* ctx);

//! A stream of the device behind ctx's wrapper (framestream.cpp). Null with
//! the reason in *error.
std::unique_ptr<CFrameStream> OpenFrameStream(DeviceContext* ctx, std::string* error);

} // namespace Internal
} // namespace GenApi

// The in-process simulated device: an ArvDevice whose memory is sparse over
// the whole 64-bit address space, so that any GenICam description can be
// served, with registers wherever the description puts them.
#pragma once

#include "devicecontext.h"

#include <string>

namespace GenApi {
namespace Internal {

//! Creates ctx->device (a simulated device serving ctx->xml) and ctx->gc,
//! then sets every register to the value its description documents
//! (sim:Default) and makes sim:Varies registers change over time. Register
//! traffic is counted in ctx, and once ctx->lost is set every access fails at
//! once. False, with the reason in *error, when the description is unusable.
bool OpenSimulatedDevice(DeviceContext* ctx, std::string* error);

} // namespace Internal
} // namespace GenApi

// A GenICam description comes from the device and is untrusted input. It is
// checked once, where it is loaded (simulated devices and Aravis devices
// alike), before any value is read:
// - structure: every node has a name, names are unique (a description that
//   breaks these is refused as a whole, with one message naming the node);
// - references that a read or write follows resolve, and never lead back to
//   the node they start from (values, addresses, lengths, limits, formulas'
//   variables, indexes, availability);
// - register lengths stay within what the standard allows.
// A defect confined to some nodes leaves the rest usable: those nodes, and
// every node whose evaluation goes through one of them, refuse access.
#pragma once

#include "nodeproperties.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace GenApi {
namespace Internal {

//! Longest integer register, in bytes.
constexpr long long kMaxIntegerRegisterLength = 8;
//! Longest string or raw register, in bytes.
constexpr long long kMaxRegisterLength = 64 * 1024;
//! Deepest chain of references that one evaluation may follow. Aravis
//! evaluates recursively, one set of stack frames per link.
constexpr int kMaxReferenceDepth = 100;

struct CheckedDescription
{
    NodeDescription nodes;
    //! Why a node cannot be used, for the records that cannot (most can).
    std::unordered_map<int, std::string> defects;

    //! Empty when the node can be used, else why it cannot.
    const std::string& defectOf(int index) const;
    bool usable(int index) const { return defects.find(index) == defects.end(); }
};

//! The text that every parser is given: up to the first NUL byte (devices
//! pad their description memory with NULs) and without a UTF-8 byte-order mark.
std::string DescriptionText(const std::string& raw);

//! Parses and checks a description (already passed through DescriptionText).
//! Null with the reason in *error when it is refused as a whole.
//! The sinks see the events of that one parse.
std::shared_ptr<const CheckedDescription> CheckDescription(const std::string& xml, std::string* error,
                                                           const std::vector<MarkupSink*>& sinks = {});

//! The length bounds of a register node type: [1, 8] for integer and float
//! registers, [0, 64 KiB] for StringReg, [1, 64 KiB] for the others.
void RegisterLengthBounds(std::string_view type, long long* minimum, long long* maximum);

//! Whether the record is a register on a chunk or event port (a Port with
//! ChunkID or EventID): its data comes with a buffer or an event, not from
//! the device's memory.
bool IsChunkOrEventRegister(const NodeDescription& nodes, int index);

} // namespace Internal
} // namespace GenApi

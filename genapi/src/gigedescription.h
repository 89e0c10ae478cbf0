// The description of a GigE Vision device, read by us before Aravis opens the
// device: its location (the first URL register), checked against the bounds
// of the device's memory and a size cap, then its bytes, unzipped by our own
// code when they are zipped. A device that fails here is never handed to
// Aravis, whose own loader would trust all of it (allocate any size, read
// any local file, unzip any archive).
#pragma once

#include <cstdint>
#include <string>

namespace GenApi {
namespace Internal {

class GvcpReader;

//! No description comes near this (the largest ones are a few MiB).
constexpr uint64_t kMaxDescriptionSize = 64ull << 20;
//! GigE Vision addresses are 32 bits wide.
constexpr uint64_t kGigEMemorySize = 1ull << 32;
//! The first URL register of the bootstrap registers, and its size.
constexpr uint32_t kFirstUrlRegister = 0x200;
constexpr uint32_t kUrlRegisterSize = 512;

struct DescriptionUrl
{
    std::string scheme; //!< "local", "file", "http", ... in lower case
    std::string path;   //!< the file name (local) or the rest of the URL
    uint64_t address = 0;
    uint64_t size = 0;
};

//! Parses a GenICam URL ("Local:name.xml;1000;2a0f", addresses and sizes in
//! hexadecimal, an optional "?SchemaVersion=..." ignored). False with the
//! reason when it is not one.
bool ParseDescriptionUrl(const std::string& url, DescriptionUrl* out, std::string* why);

//! Checks a parsed location: a description in the device's memory, inside
//! it and at most kMaxDescriptionSize; any other scheme only with
//! allowLocalFiles (which the user sets for a device they trust).
bool DescriptionUrlAllowed(const DescriptionUrl& url, bool allowLocalFiles, std::string* why);

//! Reads, checks and unpacks the description of the device behind reader
//! within deadlineMs in all. False with the reason (one sentence) when the
//! device does not answer, answers wrongly or names a location out of bounds.
//! A local file is read only with allowLocalFiles, and only a regular one.
bool FetchGigEDescription(GvcpReader& reader, int deadlineMs, bool allowLocalFiles, std::string* xml,
                          std::string* why);

} // namespace Internal
} // namespace GenApi

// Hostile GigE Vision devices that every layer opening a device refuses
// alike, as data: what the fake device serves and how it misbehaves, and
// the text of the refusal.
#pragma once

#include "fakegigedevice.h"

#include <cstdint>
#include <string>
#include <vector>

//! A small honest description: the category Root and one read-write,
//! unsigned 32-bit register, Good, at 0x20000.
extern const char* const kGoodDescription;

//! One way a device behaves, and what its refusal says.
struct HostileCase
{
    std::string name;
    FakeGigeDevice::Misbehaviour misbehaviour = FakeGigeDevice::Misbehaviour::None;
    std::string description; //!< the bytes in the device's memory
    std::string url;         //!< empty: where they are
    std::string refusal;     //!< a text the refusal holds; empty: the device opens
};

//! The URL of a zip archive of these bytes where the device keeps them.
std::string zipUrl(const std::string& bytes);

//! The zip with its 32-bit little-endian field at offset (from the end when
//! negative) replaced.
std::string patched(std::string zip, long offset, uint32_t value);

//! The cases both the node layer and camview check: honest devices, plain
//! and zipped; a description said to be larger than any, outside the
//! device's memory, in a file, or in an archive whose directory is outside
//! it; devices that answer never or only "pending"; a description that is
//! not well formed.
std::vector<HostileCase> sharedHostileCases();

// Reads what the simulated device needs from a GenICam description beyond
// what Aravis keeps: the initial register contents (sim:Default), the
// values that vary over time (sim:Varies), what a write to a register sets
// off (sim:OnWrite) and the registers a user set holds (sim:UserSet),
// declared with the namespace urn:campane:simulated-device on the root
// element. Also checks that the
// text is well-formed XML with a RegisterDescription root, so that a broken
// file is refused with a line and column instead of giving an empty map.
#pragma once

#include <string>
#include <vector>

namespace GenApi {
namespace Internal {

struct SimRegister
{
    std::string element; //!< "IntReg", "MaskedIntReg", "FloatReg" or "StringReg"
    std::string name;
    bool hasDefault = false;
    std::string defaultText;
    bool varies = false;
    double amplitude = 0.0;
    double periodSeconds = 0.0;
    bool bigEndian = false; //!< from <Endianess>; GenICam's default is little-endian
    bool isSigned = false;  //!< from <Sign>
    std::string onWrite;    //!< sim:OnWrite, "ACTION:REGISTER"; empty without
    bool inUserSet = false; //!< sim:UserSet="Yes"
};

//! Scans xml: every register element, with its sim: attributes. False with a
//! reason in *error when the text is empty, not well-formed or not a register
//! description. A sim:Varies that cannot be used is dropped with a warning.
bool ScanSimulatedDescription(const std::string& xml, std::vector<SimRegister>* registers,
                              std::string* error);

//! Aravis reads register addresses as signed 64-bit numbers and clamps
//! anything from 0x8000000000000000 up to 0x7FFFFFFFFFFFFFFF. Gives xml with
//! every such hexadecimal <Address> written as the negative decimal of the
//! same 64-bit pattern, which Aravis reads correctly; xml itself otherwise.
std::string WithAddressesForAravis(const std::string& xml);

//! Parses "sine:AMPLITUDE:PERIOD_SECONDS"; false when the text is not of that
//! form or the period is not positive.
bool ParseVaries(const std::string& text, double* amplitude, double* periodSeconds);

//! Parses a decimal or 0x-hexadecimal integer, optionally signed; hex values
//! up to 2^64-1 are taken as their 64-bit pattern.
bool ParseInteger(const std::string& text, long long* value);

} // namespace Internal
} // namespace GenApi

// Reads what the simulated device needs from a GenICam description beyond
// what Aravis keeps: the initial register contents (sim:Default), the
// values that vary over time (sim:Varies), what a write to a register sets
// off (sim:OnWrite) and the registers a user set holds (sim:UserSet),
// declared with the namespace urn:campane:simulated-device on the root
// element. It reads the events of the description's one parse.
#pragma once

#include "nodeproperties.h"

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

//! Collects every register element of a description, with its sim:
//! attributes, from the events of the description's parse. A sim:Varies that
//! cannot be used is dropped with a warning.
class SimulatedScan final : public MarkupSink
{
public:
    explicit SimulatedScan(std::vector<SimRegister>* registers);

    void startElement(const char* element, const char** names, const char** values) override;
    void endElement() override;
    void text(const char* text, size_t length) override;

private:
    std::vector<SimRegister>* m_registers;
    std::string m_prefix; //!< the prefix bound to the simulated device's namespace
    int m_depth = 0;
    bool m_inRegister = false;
    int m_registerDepth = 0;
    SimRegister m_current;
    std::string m_childName; //!< direct child of the register whose text is collected
    std::string m_childText;
    std::string m_varies;
};

//! Parses "sine:AMPLITUDE:PERIOD_SECONDS"; false when the text is not of that
//! form or the period is not positive.
bool ParseVaries(const std::string& text, double* amplitude, double* periodSeconds);

//! Parses a decimal or 0x-hexadecimal integer, optionally signed; hex values
//! up to 2^64-1 are taken as their 64-bit pattern.
bool ParseInteger(const std::string& text, long long* value);

} // namespace Internal
} // namespace GenApi

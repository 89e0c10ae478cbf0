// The state behind CFeatureBag, shared by its saving, text and loading parts,
// and the text helpers they share.
#pragma once

#include <GenApi/Persistence.h>

#include <string>
#include <vector>

namespace GenApi {

struct CFeatureBag::Impl
{
    std::string info;
    std::string bagName;
    std::vector<Entry> entries;
    //! Problems of the text read (bad header, malformed lines).
    std::vector<LineResult> readProblems;
    //! The last load's results (with readProblems), by line.
    std::vector<LineResult> results;
    bool valid = true;
    int passes = 0;
};

namespace persistence {

//! The lines of the text form before its first setting: the magic, the
//! version and the device.
constexpr size_t kHeaderLines = 3;

//! Text of the file or the device with each control character (C1 ones in
//! their UTF-8 form too) as '?'.
std::string printable(const std::string& text);
//! The same, fit for a message: at most 40 bytes.
std::string shown(const std::string& text);

} // namespace persistence

} // namespace GenApi

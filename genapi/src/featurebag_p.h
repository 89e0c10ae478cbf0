// The state behind CFeatureBag, shared by its saving, text and loading parts.
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

} // namespace GenApi

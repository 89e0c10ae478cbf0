// Loads a GenICam description as a simulated device and touches every node
// the way the feature tree and the description pane do: access modes, values
// read as text, limits, entries, links. Used by the description fuzzer, its
// replay driver and the crafted-description tests. No Qt.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace campane {

struct WalkResult
{
    bool loaded = false;
    std::string error;   //!< why the description was refused
    size_t nodes = 0;    //!< nodes of the map
    size_t readable = 0; //!< values read as text without an exception
    //! "Node: message" for each call that threw on a readable node
    std::vector<std::string> failures;
};

//! Never throws; every GenApi exception of the walk is caught and counted.
WalkResult LoadAndWalk(const std::string& xml);

} // namespace campane

// What Aravis itself takes for the work our layers do on top of it, measured
// in the benchmark's own process so that both figures share the machine's
// load: building its document of a description, and reading a feature
// straight through its device API. No Qt here (arv.h and Qt headers do not
// mix); the benchmarks call these plain functions.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace AravisPeer {

//! Heap bytes in use by the process (every malloc arena and mapped chunk).
std::size_t heapInUse();

struct Parse
{
    bool ok = false;
    double ms = 0.0;       //!< arv_gc_new of the text
    std::size_t bytes = 0; //!< heap the document holds while it lives
};

//! Aravis builds its document of the description text (no device), as it
//! does under every node map of ours.
Parse parse(const std::string& xml);

//! Heap that Aravis's document of the description holds once every feature
//! has been read through it: Aravis keeps what it evaluates (element texts,
//! register caches), so a document in use holds more than a fresh one. The
//! device is a plain memory that reads zeros where nothing was written.
std::size_t evaluatedDocumentBytes(const std::string& xml);

struct Reads
{
    bool ok = false;
    std::string error;
    double cachedUs = 0.0;   //!< per read, Aravis's register cache on
    double uncachedUs = 0.0; //!< per read, cache off: every read goes to the device
};

//! Opens the device at address through Aravis alone and reads the integer
//! feature count times with and without its register cache.
Reads directReads(const char* address, const char* feature, int cachedCount, int uncachedCount);

//! Opens the device through Aravis alone, reads the feature, calls lose()
//! (which makes the device disappear) and reads it again, cache off: how
//! long that read blocks before it fails, in ms; negative when the device
//! does not open.
double readAfterLoss(const char* address, const char* feature, const std::function<void()>& lose);

} // namespace AravisPeer

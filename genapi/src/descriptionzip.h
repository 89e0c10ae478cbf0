// Zipped GenICam descriptions, unpacked by our own code: the archive comes
// from the device and every offset, size and ratio in it is checked before a
// byte is inflated.
#pragma once

#include <cstddef>
#include <string>

namespace GenApi {
namespace Internal {

//! Whether data starts like a zip archive (a local file header).
bool LooksZipped(const std::string& data);

//! Inflates the archive's description (its first .xml entry, or its only
//! entry) into *xml. False with the reason when the archive is malformed,
//! uses a method other than stored or deflate, or its entry would inflate to
//! more than maxSize bytes or more than kMaxZipRatio times its packed size.
bool UnzipDescription(const std::string& zip, size_t maxSize, std::string* xml, std::string* why);

//! No description packs better than this; a zip bomb does (deflate reaches
//! about 1000 to 1).
constexpr size_t kMaxZipRatio = 200;

} // namespace Internal
} // namespace GenApi

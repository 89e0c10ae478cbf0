#include "descriptionzip.h"

#include "bytefields.h"

#include <zlib.h>

#include <cstdint>
#include <limits>

namespace GenApi {
namespace Internal {

namespace {

constexpr uint32_t kLocalHeaderSignature = 0x04034b50;
constexpr uint32_t kCentralHeaderSignature = 0x02014b50;
constexpr uint32_t kEndSignature = 0x06054b50;
constexpr size_t kLocalHeaderSize = 30;
constexpr size_t kCentralHeaderSize = 46;
constexpr size_t kEndSize = 22;
constexpr size_t kMaxCommentSize = 0xffff;
constexpr uint16_t kStored = 0;
constexpr uint16_t kDeflated = 8;
constexpr uint16_t kEncrypted = 0x0001;

uint16_t u16(const std::string& data, size_t at)
{
    return getLE16(reinterpret_cast<const uint8_t*>(data.data()) + at);
}

uint32_t u32(const std::string& data, size_t at)
{
    return getLE32(reinterpret_cast<const uint8_t*>(data.data()) + at);
}

//! Whether [offset, offset + size) lies inside data, without overflow.
bool inside(const std::string& data, uint64_t offset, uint64_t size)
{
    return offset <= data.size() && size <= data.size() - offset;
}

bool endsWith(const std::string& text, const char* suffix)
{
    const std::string s(suffix);
    if (text.size() < s.size())
        return false;
    for (size_t i = 0; i < s.size(); ++i) {
        char c = text[text.size() - s.size() + i];
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
        if (c != s[i])
            return false;
    }
    return true;
}

struct Entry
{
    std::string name;
    uint16_t flags = 0;
    uint16_t method = 0;
    uint32_t crc = 0;
    uint32_t packedSize = 0;
    uint32_t size = 0;
    uint32_t localOffset = 0;
};

bool fail(std::string* why, const std::string& reason)
{
    *why = "the zipped description " + reason;
    return false;
}

} // namespace

bool LooksZipped(const std::string& data)
{
    return data.size() >= 4 && u32(data, 0) == kLocalHeaderSignature;
}

bool UnzipDescription(const std::string& zip, size_t maxSize, std::string* xml, std::string* why)
{
    // The end record is in the last 22 bytes plus at most a 64 KiB comment.
    if (zip.size() < kEndSize)
        return fail(why, "is too short to be a zip archive");
    size_t end = std::string::npos;
    const size_t lowest =
        zip.size() - kEndSize > kMaxCommentSize ? zip.size() - kEndSize - kMaxCommentSize : 0;
    for (size_t at = zip.size() - kEndSize + 1; at-- > lowest;) {
        if (u32(zip, at) == kEndSignature) {
            end = at;
            break;
        }
    }
    if (end == std::string::npos)
        return fail(why, "has no end of central directory");
    const uint16_t count = u16(zip, end + 10);
    const uint32_t directorySize = u32(zip, end + 12);
    const uint32_t directoryOffset = u32(zip, end + 16);
    if (count == 0)
        return fail(why, "holds no file");
    if (!inside(zip, directoryOffset, directorySize) || uint64_t(directoryOffset) + directorySize > end)
        return fail(why, "has its central directory outside the archive");

    // The description: the first .xml entry, or the first entry.
    Entry chosen;
    bool found = false;
    size_t at = directoryOffset;
    for (uint16_t i = 0; i < count; ++i) {
        if (!inside(zip, at, kCentralHeaderSize) || uint64_t(at) + kCentralHeaderSize > end ||
            u32(zip, at) != kCentralHeaderSignature)
            return fail(why, "has a damaged central directory (entry " + std::to_string(i + 1) + ")");
        Entry entry;
        entry.flags = u16(zip, at + 8);
        entry.method = u16(zip, at + 10);
        entry.crc = u32(zip, at + 16);
        entry.packedSize = u32(zip, at + 20);
        entry.size = u32(zip, at + 24);
        const uint16_t nameSize = u16(zip, at + 28);
        const uint64_t extraSize = uint64_t(u16(zip, at + 30)) + u16(zip, at + 32);
        entry.localOffset = u32(zip, at + 42);
        if (!inside(zip, at + kCentralHeaderSize, nameSize + extraSize))
            return fail(why, "has a damaged central directory (entry " + std::to_string(i + 1) + ")");
        entry.name = zip.substr(at + kCentralHeaderSize, nameSize);
        if (!found || (!endsWith(chosen.name, ".xml") && endsWith(entry.name, ".xml"))) {
            chosen = entry;
            found = true;
        }
        at += kCentralHeaderSize + nameSize + extraSize;
    }

    if (chosen.flags & kEncrypted)
        return fail(why, "is encrypted");
    if (chosen.method != kStored && chosen.method != kDeflated)
        return fail(why, "uses compression method " + std::to_string(chosen.method) + ", not deflate");
    if (chosen.size > maxSize)
        return fail(why, "would inflate to " + std::to_string(chosen.size) + " bytes, more than the " +
                             std::to_string(maxSize) + " a description may have");
    if (chosen.packedSize == 0 ? chosen.size != 0 : chosen.size / chosen.packedSize > kMaxZipRatio)
        return fail(why, "would inflate " + std::to_string(chosen.packedSize) + " bytes to " +
                             std::to_string(chosen.size) + ", more than " + std::to_string(kMaxZipRatio) +
                             " times");
    if (chosen.method == kStored && chosen.packedSize != chosen.size)
        return fail(why, "stores an entry whose sizes differ");

    // The local header, then the data, both inside the archive.
    const uint64_t local = chosen.localOffset;
    if (!inside(zip, local, kLocalHeaderSize) || u32(zip, size_t(local)) != kLocalHeaderSignature)
        return fail(why, "has its file header outside the archive or damaged");
    const uint64_t dataOffset =
        local + kLocalHeaderSize + u16(zip, size_t(local) + 26) + u16(zip, size_t(local) + 28);
    if (!inside(zip, dataOffset, chosen.packedSize))
        return fail(why, "has its data outside the archive");

    std::string out;
    if (chosen.method == kStored) {
        out = zip.substr(size_t(dataOffset), chosen.packedSize);
    } else {
        out.resize(chosen.size);
        z_stream stream{};
        if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
            return fail(why, "cannot be inflated (zlib refuses to start)");
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zip.data() + dataOffset));
        stream.avail_in = chosen.packedSize;
        // One spare byte: data that goes on past the announced size is seen.
        std::string spare(1, '\0');
        stream.next_out = reinterpret_cast<Bytef*>(out.empty() ? &spare[0] : &out[0]);
        stream.avail_out = uInt(out.size());
        int result = out.empty() ? Z_OK : inflate(&stream, Z_FINISH);
        if (result != Z_STREAM_END && stream.avail_out == 0) {
            stream.next_out = reinterpret_cast<Bytef*>(&spare[0]);
            stream.avail_out = 1;
            result = inflate(&stream, Z_FINISH);
            if (stream.avail_out == 0)
                result = Z_DATA_ERROR; // more than announced
        }
        const uLong produced = stream.total_out;
        inflateEnd(&stream);
        if (result != Z_STREAM_END || produced != chosen.size)
            return fail(why,
                        "does not inflate to the " + std::to_string(chosen.size) + " bytes it announces");
    }
    if (crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(out.data()), uInt(out.size())) !=
        chosen.crc)
        return fail(why, "fails its checksum");
    *xml = std::move(out);
    return true;
}

} // namespace Internal
} // namespace GenApi

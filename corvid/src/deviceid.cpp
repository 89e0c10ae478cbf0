#include "deviceid.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>

namespace Corvid {
namespace Internal {

namespace {

//! Length of the UTF-8 sequence at text[at] and its code point; 0 when the
//! bytes there are not well-formed UTF-8 (overlong forms, surrogates and
//! values past U+10FFFF included).
size_t decodeUtf8(std::string_view text, size_t at, char32_t* codePoint)
{
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    size_t length = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        *codePoint = lead;
        return 1;
    } else if ((lead & 0xe0) == 0xc0) {
        length = 2, value = lead & 0x1f, minimum = 0x80;
    } else if ((lead & 0xf0) == 0xe0) {
        length = 3, value = lead & 0x0f, minimum = 0x800;
    } else if ((lead & 0xf8) == 0xf0) {
        length = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (at + length > text.size())
        return 0;
    for (size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xc0) != 0x80)
            return 0;
        value = (value << 6) | (byte(at + i) & 0x3f);
    }
    if (value < minimum || value > 0x10ffff || (value >= 0xd800 && value <= 0xdfff))
        return 0;
    *codePoint = value;
    return length;
}

//! Characters that do not show, or that reorder what follows them.
bool invisible(char32_t c)
{
    return c < 0x20 || (c >= 0x7f && c <= 0xa0) || c == 0xad || (c >= 0x200b && c <= 0x200f) ||
           (c >= 0x2028 && c <= 0x202e) || (c >= 0x2060 && c <= 0x206f) || c == 0xfeff ||
           (c >= 0xfff9 && c <= 0xfffb) || (c >= 0xe000 && c <= 0xf8ff) || (c & 0xfffe) == 0xfffe;
}

void escape(std::string& out, std::string_view bytes)
{
    for (unsigned char b : bytes) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%%%02X", b);
        out += hex;
    }
}

} // namespace

std::string idPart(std::string_view bytes)
{
    bytes = bytes.substr(0, kMaxIdPartBytes);
    std::string out;
    size_t at = 0;
    while (at < bytes.size()) {
        char32_t c = 0;
        const size_t length = decodeUtf8(bytes, at, &c);
        if (length == 0) {
            escape(out, bytes.substr(at, 1));
            ++at;
            continue;
        }
        if (c == ' ' || c == '/' || c == '\\' || c == 0x3000)
            out += '-';
        else if (c == '%' || invisible(c))
            escape(out, bytes.substr(at, length));
        else
            out += bytes.substr(at, length);
        at += length;
    }
    return out;
}

std::string aravisDeviceId(const std::string& serialOrMac, const std::string& openedWith)
{
    return "ARV-" + idPart(serialOrMac.empty() ? openedWith : serialOrMac);
}

std::string simulatedDeviceId(const std::string& path)
{
    return "SIM-" + idPart(std::filesystem::path(path).stem().string());
}

bool discoverDeviceById(const std::string& id, const std::function<bool()>& cancelled,
                        GenApi::DeviceDescriptor* found)
{
    if (id.rfind("ARV-", 0) != 0)
        return false;
    for (GenApi::DeviceDescriptor& descriptor : GenApi::CDeviceConnection::Discover(cancelled)) {
        if (aravisDeviceId(descriptor.serial, descriptor.id) == id) {
            *found = std::move(descriptor);
            return true;
        }
    }
    return false;
}

} // namespace Internal
} // namespace Corvid

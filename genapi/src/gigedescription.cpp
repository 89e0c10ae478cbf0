#include "gigedescription.h"

#include "descriptionzip.h"
#include "gvcpreader.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace GenApi {
namespace Internal {

namespace {

using Clock = std::chrono::steady_clock;

std::string lower(std::string text)
{
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    }
    return text;
}

bool parseHex(const std::string& text, uint64_t* value)
{
    std::string digits = text;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
        digits.erase(0, 2);
    if (digits.empty() || digits.size() > 16)
        return false;
    uint64_t v = 0;
    for (char c : digits) {
        int d = -1;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        if (d < 0)
            return false;
        v = v << 4 | uint64_t(d);
    }
    *value = v;
    return true;
}

//! The URL as it may be shown: printable ASCII only, at most 80 characters.
std::string shown(const std::string& url)
{
    std::string text;
    for (char c : url.substr(0, 80))
        text.push_back(c >= 0x20 && c < 0x7f ? c : '?');
    return url.size() > 80 ? text + "..." : text;
}

int leftMs(Clock::time_point deadline)
{
    return int(std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count());
}

std::string outcomeText(GvcpReader::Outcome outcome, uint16_t status)
{
    switch (outcome) {
    case GvcpReader::Outcome::Done:
        return "done";
    case GvcpReader::Outcome::Refused: {
        if (status == 0)
            return "the device's answer was cut short";
        char text[64];
        std::snprintf(text, sizeof text, "the device refused the read (status 0x%04x)", status);
        return text;
    }
    case GvcpReader::Outcome::Denied:
        return "the device denies reads without the control channel";
    case GvcpReader::Outcome::NoAnswer:
        return "no valid answer in time";
    case GvcpReader::Outcome::Unreachable:
        return "nobody answers at the device's address";
    }
    return "unknown";
}

bool readLocalFile(const std::string& path, std::string* data, std::string* why)
{
    // Opened without blocking and checked before a byte is read: a FIFO or a
    // device file (/dev/zero) would never end.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *why = "the description file the device names cannot be opened";
        return false;
    }
    struct stat info = {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        *why = "the description file the device names is not a regular file";
        return false;
    }
    if (uint64_t(info.st_size) > kMaxDescriptionSize || info.st_size == 0) {
        ::close(fd);
        *why = "the description file the device names has " + std::to_string(info.st_size) +
               " bytes, outside 1 to " + std::to_string(kMaxDescriptionSize);
        return false;
    }
    data->resize(size_t(info.st_size));
    size_t done = 0;
    while (done < data->size()) {
        const ssize_t got = ::read(fd, &(*data)[done], data->size() - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += size_t(got);
    }
    ::close(fd);
    data->resize(done);
    return true;
}

} // namespace

bool ParseDescriptionUrl(const std::string& url, DescriptionUrl* out, std::string* why)
{
    const size_t colon = url.find(':');
    if (colon == std::string::npos || colon == 0) {
        *why = "the device's description URL '" + shown(url) + "' has no scheme";
        return false;
    }
    DescriptionUrl parsed;
    parsed.scheme = lower(url.substr(0, colon));
    std::string rest = url.substr(colon + 1);
    const size_t query = rest.find('?');
    if (query != std::string::npos)
        rest.erase(query);
    if (parsed.scheme != "local") {
        parsed.path = rest.compare(0, 3, "///") == 0 ? rest.substr(2) : rest;
        *out = parsed;
        return true;
    }
    if (rest.compare(0, 3, "///") == 0)
        rest.erase(0, 3);
    const size_t first = rest.find(';');
    const size_t second = first == std::string::npos ? std::string::npos : rest.find(';', first + 1);
    if (second == std::string::npos || rest.find(';', second + 1) != std::string::npos ||
        !parseHex(rest.substr(first + 1, second - first - 1), &parsed.address) ||
        !parseHex(rest.substr(second + 1), &parsed.size)) {
        *why = "the device's description URL '" + shown(url) + "' is not 'Local:name;address;size'";
        return false;
    }
    parsed.path = rest.substr(0, first);
    *out = parsed;
    return true;
}

bool DescriptionUrlAllowed(const DescriptionUrl& url, bool allowLocalFiles, std::string* why)
{
    if (url.scheme == "local") {
        if (url.size == 0 || url.size > kMaxDescriptionSize) {
            *why = "the device announces a description of " + std::to_string(url.size) +
                   " bytes, outside 1 to " + std::to_string(kMaxDescriptionSize);
            return false;
        }
        if (url.address >= kGigEMemorySize || url.size > kGigEMemorySize - url.address) {
            char text[128];
            std::snprintf(text, sizeof text,
                          "the device places its description at 0x%llx, outside its 32-bit memory",
                          static_cast<unsigned long long>(url.address));
            *why = text;
            return false;
        }
        return true;
    }
    if (url.scheme == "file" && allowLocalFiles)
        return true;
    *why = "the device names its description by a '" + shown(url.scheme) +
           ":' URL; only descriptions in the device's own memory are read";
    return false;
}

bool FetchGigEDescription(GvcpReader& reader, int deadlineMs, bool allowLocalFiles, std::string* xml,
                          std::string* why)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(deadlineMs);
    char urlText[kUrlRegisterSize + 1] = {};
    uint16_t status = 0;
    GvcpReader::Outcome outcome = reader.readMemory(kFirstUrlRegister, kUrlRegisterSize, urlText,
                                                    std::max(1, leftMs(deadline)), &status);
    if (outcome != GvcpReader::Outcome::Done) {
        *why = "the device's description URL cannot be read: " + outcomeText(outcome, status);
        return false;
    }
    DescriptionUrl url;
    if (!ParseDescriptionUrl(std::string(urlText), &url, why) ||
        !DescriptionUrlAllowed(url, allowLocalFiles, why))
        return false;

    std::string data;
    if (url.scheme == "file") {
        if (!readLocalFile(url.path, &data, why))
            return false;
    } else {
        data.resize(size_t(url.size));
        outcome = reader.readMemory(url.address, uint32_t(url.size), &data[0], std::max(1, leftMs(deadline)),
                                    &status);
        if (outcome != GvcpReader::Outcome::Done) {
            *why = "the device's description cannot be read: " + outcomeText(outcome, status);
            return false;
        }
    }
    const std::string name = lower(url.path);
    const bool zipped =
        (name.size() >= 4 && name.compare(name.size() - 4, 4, ".zip") == 0) || LooksZipped(data);
    if (!zipped) {
        *xml = std::move(data);
        return true;
    }
    return UnzipDescription(data, size_t(kMaxDescriptionSize), xml, why);
}

} // namespace Internal
} // namespace GenApi

#include "featurevalue.h"

#include <GenApi/Pointer.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <vector>

namespace GenApi {
namespace persistence {

namespace {

// Registers larger than this are not saved: their hex text would not fit
// the longest line a reader accepts.
const int64_t kMaxRegisterLength = 16 * 1024;

std::string formatDouble(double value)
{
    // The shortest text that reads back as the same double, in any locale.
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

bool parseInteger(const std::string& text, int64_t& value)
{
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (begin != end && *begin == '+')
        ++begin;
    bool negative = false;
    if (begin != end && *begin == '-') {
        negative = true;
        ++begin;
    }
    int base = 10;
    if (end - begin > 2 && begin[0] == '0' && (begin[1] == 'x' || begin[1] == 'X')) {
        base = 16;
        begin += 2;
    }
    if (begin == end || *begin == '-' || *begin == '+')
        return false;
    uint64_t magnitude = 0;
    const auto result = std::from_chars(begin, end, magnitude, base);
    if (result.ec != std::errc() || result.ptr != end)
        return false;
    if (negative) {
        if (magnitude > uint64_t(INT64_MAX) + 1)
            return false;
        value = magnitude == uint64_t(INT64_MAX) + 1 ? INT64_MIN : -int64_t(magnitude);
        return true;
    }
    // Hex texts name the 64 bits (registers written as 0xFFFF...FF).
    if (base == 10 && magnitude > uint64_t(INT64_MAX))
        return false;
    value = int64_t(magnitude);
    return true;
}

bool parseDouble(const std::string& text, double& value)
{
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (begin != end && *begin == '+')
        ++begin;
    if (begin == end)
        return false;
    const auto result = std::from_chars(begin, end, value);
    return result.ec == std::errc() && result.ptr == end && std::isfinite(value);
}

bool parseBoolean(const std::string& text, int64_t& value)
{
    std::string lower = text;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    if (lower == "1" || lower == "true") {
        value = 1;
        return true;
    }
    if (lower == "0" || lower == "false") {
        value = 0;
        return true;
    }
    return false;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool parseBytes(const std::string& text, std::string& bytes)
{
    if (text.size() < 2 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X') || text.size() % 2 != 0)
        return false;
    bytes.clear();
    for (size_t i = 2; i < text.size(); i += 2) {
        const int high = hexDigit(text[i]);
        const int low = hexDigit(text[i + 1]);
        if (high < 0 || low < 0)
            return false;
        bytes.push_back(char(high * 16 + low));
    }
    return true;
}

std::string quoted(const std::string& text)
{
    const size_t shown = 40;
    return "'" + (text.size() > shown ? text.substr(0, shown) + "..." : text) + "'";
}

// Spaces around a number or a name are a hand edit's; a string keeps them.
std::string unpadded(ValueKind kind, const std::string& text)
{
    const size_t begin = text.find_first_not_of(" \t");
    if (kind == ValueKind::String || begin == std::string::npos)
        return text;
    return text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
}

} // namespace

ValueKind valueKind(INode* node)
{
    switch (node->GetPrincipalInterfaceType()) {
    case intfIInteger:
        return ValueKind::Integer;
    case intfIFloat:
        return ValueKind::Float;
    case intfIBoolean:
        return ValueKind::Boolean;
    case intfIEnumeration:
        return ValueKind::Enumeration;
    case intfIString:
        return ValueKind::String;
    case intfIRegister:
        return ValueKind::Register;
    default:
        return ValueKind::None;
    }
}

const char* kindName(ValueKind kind)
{
    switch (kind) {
    case ValueKind::Integer:
        return "an integer";
    case ValueKind::Float:
        return "a float";
    case ValueKind::Boolean:
        return "a boolean (0 or 1)";
    case ValueKind::Enumeration:
        return "an entry";
    case ValueKind::String:
        return "a string";
    case ValueKind::Register:
        return "register bytes (0x and two hex digits a byte)";
    case ValueKind::None:
        break;
    }
    return "a value";
}

std::string describe(const std::exception& error)
{
    if (auto generic = dynamic_cast<const GenICam::GenericException*>(&error))
        return generic->GetDescription();
    return error.what();
}

bool hasControlCharacter(const std::string& text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7f)
            return true;
        // U+0080..U+009F: C2 80..C2 9F.
        if (c == 0xc2 && i + 1 < text.size() && (static_cast<unsigned char>(text[i + 1]) & 0xe0) == 0x80)
            return true;
    }
    return false;
}

bool isSafeName(const std::string& name)
{
    if (name.empty() || name.size() > 256)
        return false;
    if (!(std::isalpha(static_cast<unsigned char>(name[0])) || name[0] == '_'))
        return false;
    return std::all_of(name.begin(), name.end(), [](unsigned char c) {
        return c < 0x80 && (std::isalnum(c) || c == '_' || c == ':' || c == '.');
    });
}

bool isSetting(INode* node)
{
    const ValueKind kind = valueKind(node);
    if (kind == ValueKind::None)
        return false;
    if (node->IsStreamable())
        return true;
    if (!node->IsSelector() || (kind != ValueKind::Enumeration && kind != ValueKind::Integer))
        return false;
    FeatureList_t selected;
    node->GetSelectedFeatures(selected);
    return std::any_of(selected.begin(), selected.end(), [node](IValue* value) {
        INode* target = value ? value->GetNode() : nullptr;
        return target && target != node &&
               ((target->IsStreamable() && valueKind(target) != ValueKind::None) || target->IsSelector());
    });
}

bool readValue(INode* node, ValueKind kind, bool ignoreCache, std::string& text)
{
    switch (kind) {
    case ValueKind::Integer:
        text = std::to_string(CIntegerPtr(node)->GetValue(false, ignoreCache));
        return true;
    case ValueKind::Float:
        text = formatDouble(CFloatPtr(node)->GetValue(false, ignoreCache));
        return true;
    case ValueKind::Boolean:
        text = CBooleanPtr(node)->GetValue(false, ignoreCache) ? "1" : "0";
        return true;
    case ValueKind::Enumeration: {
        IEnumEntry* entry = CEnumerationPtr(node)->GetCurrentEntry(false, ignoreCache);
        if (!entry)
            return false;
        text = entry->GetSymbolic().toStdString();
        return !hasControlCharacter(text);
    }
    case ValueKind::String:
        text = CStringPtr(node)->GetValue(false, ignoreCache).toStdString();
        return !hasControlCharacter(text);
    case ValueKind::Register: {
        CRegisterPtr reg(node);
        const int64_t length = reg->GetLength();
        if (length <= 0 || length > kMaxRegisterLength)
            return false;
        std::vector<uint8_t> buffer(size_t(length), 0);
        reg->Get(buffer.data(), length, false, ignoreCache);
        static const char digits[] = "0123456789abcdef";
        text = "0x";
        for (uint8_t byte : buffer) {
            text.push_back(digits[byte >> 4]);
            text.push_back(digits[byte & 15]);
        }
        return true;
    }
    case ValueKind::None:
        break;
    }
    return false;
}

bool parseValue(INode* node, ValueKind kind, const std::string& raw, ParsedValue& value, std::string* error)
{
    const std::string text = unpadded(kind, raw);
    value.kind = kind;
    bool ok = false;
    switch (kind) {
    case ValueKind::Integer:
        ok = parseInteger(text, value.integer);
        break;
    case ValueKind::Float:
        ok = parseDouble(text, value.number);
        break;
    case ValueKind::Boolean:
        ok = parseBoolean(text, value.integer);
        break;
    case ValueKind::Enumeration: {
        IEnumEntry* entry = CEnumerationPtr(node)->GetEntryByName(text.c_str());
        if (!entry) {
            *error = quoted(text) + " is no entry of this enumeration";
            return false;
        }
        value.integer = entry->GetValue();
        return true;
    }
    case ValueKind::String:
        value.bytes = text;
        return true;
    case ValueKind::Register: {
        ok = parseBytes(text, value.bytes);
        if (!ok)
            break;
        const int64_t length = CRegisterPtr(node)->GetLength();
        if (int64_t(value.bytes.size()) != length) {
            *error = "the register holds " + std::to_string(length) + " bytes, the value has " +
                     std::to_string(value.bytes.size());
            return false;
        }
        return true;
    }
    case ValueKind::None:
        *error = "the feature holds no value that a settings file can set";
        return false;
    }
    if (!ok)
        *error = quoted(text) + " is not " + kindName(kind);
    return ok;
}

void writeValue(INode* node, const ParsedValue& value, bool verify)
{
    switch (value.kind) {
    case ValueKind::Integer:
        CIntegerPtr(node)->SetValue(value.integer, verify);
        break;
    case ValueKind::Float:
        CFloatPtr(node)->SetValue(value.number, verify);
        break;
    case ValueKind::Boolean:
        CBooleanPtr(node)->SetValue(value.integer != 0, verify);
        break;
    case ValueKind::Enumeration:
        CEnumerationPtr(node)->SetIntValue(value.integer, verify);
        break;
    case ValueKind::String:
        CStringPtr(node)->SetValue(value.bytes.c_str(), verify);
        break;
    case ValueKind::Register:
        CRegisterPtr(node)->Set(reinterpret_cast<const uint8_t*>(value.bytes.data()),
                                int64_t(value.bytes.size()), verify);
        break;
    case ValueKind::None:
        break;
    }
}

bool sameValue(ValueKind kind, const std::string& paddedA, const std::string& paddedB)
{
    const std::string a = unpadded(kind, paddedA);
    const std::string b = unpadded(kind, paddedB);
    if (a == b)
        return true;
    switch (kind) {
    case ValueKind::Integer: {
        int64_t x = 0, y = 0;
        return parseInteger(a, x) && parseInteger(b, y) && x == y;
    }
    case ValueKind::Float: {
        // A float register of 4 bytes gives back the nearest single.
        double x = 0, y = 0;
        return parseDouble(a, x) && parseDouble(b, y) &&
               std::fabs(x - y) <= 1e-6 * std::max(std::fabs(x), std::fabs(y)) + 1e-12;
    }
    case ValueKind::Boolean: {
        int64_t x = 0, y = 0;
        return parseBoolean(a, x) && parseBoolean(b, y) && x == y;
    }
    case ValueKind::Register: {
        std::string x, y;
        return parseBytes(a, x) && parseBytes(b, y) && x == y;
    }
    default:
        return false;
    }
}

} // namespace persistence
} // namespace GenApi

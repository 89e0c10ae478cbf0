#include "integernode.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <sstream>

namespace GenApi {
namespace Internal {

namespace {

std::string trimmedText(const std::string& text)
{
    const char* blanks = " \t\r\n";
    size_t begin = text.find_first_not_of(blanks);
    if (begin == std::string::npos)
        return std::string();
    return text.substr(begin, text.find_last_not_of(blanks) - begin + 1);
}

bool parseUnsigned(const std::string& text, int base, uint64_t maximum, uint64_t* value)
{
    if (text.empty() || text[0] == '-' || text[0] == '+' || text[0] == ' ')
        return false;
    errno = 0;
    char* end = nullptr;
    unsigned long long parsed = std::strtoull(text.c_str(), &end, base);
    if (errno != 0 || end == text.c_str() || *end != '\0' || parsed > maximum)
        return false;
    *value = parsed;
    return true;
}

std::vector<std::string> split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::string part;
    std::istringstream stream(text);
    while (std::getline(stream, part, separator))
        parts.push_back(part);
    if (!text.empty() && text.back() == separator)
        parts.push_back(std::string());
    return parts;
}

} // namespace

std::string integerToText(int64_t value, ERepresentation representation)
{
    char buffer[64];
    const auto bits = static_cast<uint64_t>(value);
    switch (representation) {
    case HexNumber:
        std::snprintf(buffer, sizeof buffer, "0x%" PRIx64, bits);
        break;
    case IPV4Address:
        std::snprintf(buffer, sizeof buffer, "%u.%u.%u.%u", unsigned((bits >> 24) & 0xff),
                      unsigned((bits >> 16) & 0xff), unsigned((bits >> 8) & 0xff), unsigned(bits & 0xff));
        break;
    case MACAddress:
        std::snprintf(buffer, sizeof buffer, "%02X:%02X:%02X:%02X:%02X:%02X", unsigned((bits >> 40) & 0xff),
                      unsigned((bits >> 32) & 0xff), unsigned((bits >> 24) & 0xff),
                      unsigned((bits >> 16) & 0xff), unsigned((bits >> 8) & 0xff), unsigned(bits & 0xff));
        break;
    default:
        std::snprintf(buffer, sizeof buffer, "%" PRId64, value);
        break;
    }
    return buffer;
}

bool integerFromText(const std::string& input, int64_t* value)
{
    const std::string text = trimmedText(input);
    if (text.empty())
        return false;
    uint64_t bits = 0;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        if (!parseUnsigned(text.substr(2), 16, std::numeric_limits<uint64_t>::max(), &bits))
            return false;
        *value = static_cast<int64_t>(bits);
        return true;
    }
    if (text.find('.') != std::string::npos) {
        std::vector<std::string> parts = split(text, '.');
        if (parts.size() != 4)
            return false;
        for (const std::string& part : parts) {
            uint64_t octet = 0;
            if (!parseUnsigned(part, 10, 255, &octet))
                return false;
            bits = (bits << 8) | octet;
        }
        *value = static_cast<int64_t>(bits);
        return true;
    }
    if (text.find(':') != std::string::npos) {
        std::vector<std::string> parts = split(text, ':');
        if (parts.size() != 6)
            return false;
        for (const std::string& part : parts) {
            uint64_t octet = 0;
            if (part.size() > 2 || !parseUnsigned(part, 16, 255, &octet))
                return false;
            bits = (bits << 8) | octet;
        }
        *value = static_cast<int64_t>(bits);
        return true;
    }
    errno = 0;
    char* end = nullptr;
    long long parsed = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || end == text.c_str() || *end != '\0')
        return false;
    *value = parsed;
    return true;
}

IntegerNode::IntegerNode(NodeMap* map, int index, ArvGcNode* arvNode)
    : Node(map, index, arvNode), m_imposedMin(std::numeric_limits<int64_t>::min()),
      m_imposedMax(std::numeric_limits<int64_t>::max())
{
}

EAccessMode IntegerNode::ownAccessMode() const
{
    const std::string_view type = record().type;
    if (type == "IntReg" || type == "MaskedIntReg" || type == "StructEntry")
        return accessFromText(record().text("AccessMode"), RO);
    if (type == "IntSwissKnife")
        return RO;
    if (type == "IntConverter")
        return accessOfReference({"pValue"}, NI);
    return accessOfReference({"pValue", "pValueDefault", "pValueIndexed"}, RW);
}

int64_t IntegerNode::GetValue(bool Verify, bool IgnoreCache)
{
    Lock guard = lock();
    checkReadable(); // access from the cache: IgnoreCache is about the value
    ReadScope scope(*this, IgnoreCache);
    // Unchanged cache, unchanged value: kept from the last evaluation.
    const uint64_t stamp = m_map->cacheStamp();
    int64_t value = m_keptValue;
    if (IgnoreCache || !keepable() || m_keptStamp != stamp) {
        GError* error = nullptr;
        value = arv_gc_integer_get_value(integer(), &error);
        if (error)
            GENAPI_NODE_THROW_GERROR(error);
        if (!IgnoreCache && m_map->cacheStamp() == stamp) {
            m_keptValue = value;
            m_keptStamp = stamp;
        }
    }
    if (Verify)
        checkRange(value, false);
    return value;
}

void IntegerNode::checkRange(int64_t value, bool withIncrement)
{
    const int64_t minimum = GetMin();
    const int64_t maximum = GetMax();
    if (value < minimum || value > maximum) {
        std::string text = "Node '" + name() + "': value " + std::to_string(value) + " is out of range [" +
                           std::to_string(minimum) + ", " + std::to_string(maximum) + "]";
        GENICAM_THROW(OutOfRangeException, text.c_str());
    }
    if (!withIncrement)
        return;
    const int64_t increment = GetInc();
    if (increment > 1) {
        const auto offset = static_cast<uint64_t>(value) - static_cast<uint64_t>(minimum);
        if (offset % static_cast<uint64_t>(increment) != 0) {
            std::string text = "Node '" + name() + "': value " + std::to_string(value) +
                               " does not match the increment " + std::to_string(increment) +
                               " from the minimum " + std::to_string(minimum);
            GENICAM_THROW(OutOfRangeException, text.c_str());
        }
    }
}

void IntegerNode::SetValue(int64_t Value, bool Verify)
{
    Lock guard = lock();
    // A write may read first (bit fields): from the device when the cache is stale.
    ReadScope scope(*this, false);
    checkWritable();
    if (Verify)
        checkRange(Value, true);
    GError* error = nullptr;
    arv_gc_integer_set_value(integer(), Value, &error);
    noteWritten(error != nullptr);
    if (error)
        GENAPI_NODE_THROW_GERROR(error);
}

IInteger& IntegerNode::operator=(int64_t Value)
{
    SetValue(Value);
    return *this;
}

int64_t IntegerNode::GetMin()
{
    Lock guard = lock();
    ReadScope scope(*this, false);
    GError* error = nullptr;
    int64_t minimum = arv_gc_integer_get_min(integer(), &error);
    if (isUndefinedProperty(error))
        g_clear_error(&error);
    if (error)
        GENAPI_NODE_THROW_GERROR(error);
    return minimum > m_imposedMin ? minimum : m_imposedMin;
}

int64_t IntegerNode::GetMax()
{
    Lock guard = lock();
    ReadScope scope(*this, false);
    GError* error = nullptr;
    int64_t maximum = arv_gc_integer_get_max(integer(), &error);
    if (isUndefinedProperty(error))
        g_clear_error(&error);
    if (error)
        GENAPI_NODE_THROW_GERROR(error);
    return maximum < m_imposedMax ? maximum : m_imposedMax;
}

int64_t IntegerNode::GetInc()
{
    Lock guard = lock();
    ReadScope scope(*this, false);
    GError* error = nullptr;
    int64_t increment = arv_gc_integer_get_inc(integer(), &error);
    if (isUndefinedProperty(error))
        g_clear_error(&error);
    if (error)
        GENAPI_NODE_THROW_GERROR(error);
    return increment > 0 ? increment : 1;
}

int64_autovector_t IntegerNode::GetListOfValidValues(bool)
{
    return int64_autovector_t();
}

ERepresentation IntegerNode::GetRepresentation()
{
    return representationFromText(record().text("Representation"), PureNumber);
}

gcstring IntegerNode::GetUnit() const
{
    return record().text("Unit");
}

void IntegerNode::ImposeMin(int64_t Value)
{
    Lock guard = lock();
    m_imposedMin = Value;
}

void IntegerNode::ImposeMax(int64_t Value)
{
    Lock guard = lock();
    m_imposedMax = Value;
}

std::string IntegerNode::valueToString(bool verify, bool ignoreCache)
{
    return integerToText(GetValue(verify, ignoreCache), GetRepresentation());
}

void IntegerNode::valueFromString(const std::string& text, bool verify)
{
    int64_t value = 0;
    if (!integerFromText(text, &value)) {
        std::string message = "Node '" + name() + "': '" + text + "' is not an integer";
        GENICAM_THROW(InvalidArgumentException, message.c_str());
    }
    SetValue(value, verify);
}

} // namespace Internal
} // namespace GenApi

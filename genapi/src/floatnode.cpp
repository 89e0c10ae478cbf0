#include "floatnode.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace GenApi {
namespace Internal {

std::string floatDisplayText(double value, EDisplayNotation notation, int64_t precision)
{
    // As GenApi writes a float (a C++ stream in the classic locale with the
    // node's notation and precision): "%g" for automatic, "%f" for fixed,
    // "%e" for scientific. The precision comes from the description: bounded.
    const int digits = static_cast<int>(std::min<int64_t>(std::max<int64_t>(precision, 0), 17));
    const char conversion = notation == fnFixed ? 'f' : notation == fnScientific ? 'e' : 'g';
    char format[16];
    std::snprintf(format, sizeof format, "%%.%d%c", digits, conversion);
    // Fixed notation of a huge value is long: 309 digits and the decimals.
    char buffer[G_ASCII_DTOSTR_BUF_SIZE + 360];
    g_ascii_formatd(buffer, sizeof buffer, format, value);
    return buffer;
}

FloatNode::FloatNode(NodeMap* map, int index, ArvGcNode* arvNode)
    : Node(map, index, arvNode), m_imposedMin(-std::numeric_limits<double>::infinity()),
      m_imposedMax(std::numeric_limits<double>::infinity())
{
}

EAccessMode FloatNode::ownAccessMode() const
{
    const std::string_view type = record().type;
    if (type == "FloatReg")
        return accessFromText(record().text("AccessMode"), RO);
    if (type == "SwissKnife")
        return RO;
    if (type == "Converter")
        return accessOfReference({"pValue"}, NI);
    return accessOfReference({"pValue", "pValueDefault", "pValueIndexed"}, RW);
}

double FloatNode::GetValue(bool Verify, bool IgnoreCache)
{
    Lock guard = lock();
    checkReadable(); // access from the cache: IgnoreCache is about the value
    ReadScope scope(*this, IgnoreCache);
    // Unchanged cache, unchanged value: kept from the last evaluation.
    const uint64_t stamp = m_map->cacheStamp();
    double value = m_keptValue;
    if (IgnoreCache || !keepable() || m_keptStamp != stamp) {
        GError* error = nullptr;
        value = arv_gc_float_get_value(floating(), &error);
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

void FloatNode::checkRange(double value, bool withIncrement)
{
    const double minimum = GetMin();
    const double maximum = GetMax();
    if (std::isnan(value) || value < minimum || value > maximum) {
        std::string text = "Node '" + name() + "': value " + displayText(value) + " is out of range [" +
                           displayText(minimum) + ", " + displayText(maximum) + "]";
        GENICAM_THROW(OutOfRangeException, text.c_str());
    }
    if (!withIncrement || !HasInc())
        return;
    const double increment = GetInc();
    if (increment > 0) {
        const double steps = (value - minimum) / increment;
        if (std::fabs(steps - std::round(steps)) > 1e-6 * std::fmax(1.0, std::fabs(steps))) {
            std::string text = "Node '" + name() + "': value " + displayText(value) +
                               " does not match the increment " + displayText(increment) +
                               " from the minimum " + displayText(minimum);
            GENICAM_THROW(OutOfRangeException, text.c_str());
        }
    }
}

void FloatNode::SetValue(double Value, bool Verify)
{
    Lock guard = lock();
    // A write may read first (bit fields): from the device when the cache is stale.
    ReadScope scope(*this, false);
    checkWritable();
    if (Verify)
        checkRange(Value, true);
    GError* error = nullptr;
    arv_gc_float_set_value(floating(), Value, &error);
    noteWritten(error != nullptr);
    if (error)
        GENAPI_NODE_THROW_GERROR(error);
}

IFloat& FloatNode::operator=(double Value)
{
    SetValue(Value);
    return *this;
}

double FloatNode::GetMin()
{
    Lock guard = lock();
    ReadScope scope(*this, false);
    GError* error = nullptr;
    double minimum = arv_gc_float_get_min(floating(), &error);
    if (isUndefinedProperty(error))
        g_clear_error(&error);
    if (error)
        GENAPI_NODE_THROW_GERROR(error);
    return std::fmax(minimum, m_imposedMin);
}

double FloatNode::GetMax()
{
    Lock guard = lock();
    ReadScope scope(*this, false);
    GError* error = nullptr;
    double maximum = arv_gc_float_get_max(floating(), &error);
    if (isUndefinedProperty(error))
        g_clear_error(&error);
    if (error)
        GENAPI_NODE_THROW_GERROR(error);
    return std::fmin(maximum, m_imposedMax);
}

bool FloatNode::HasInc()
{
    return record().has("Inc") || record().has("pInc");
}

double FloatNode::GetInc()
{
    Lock guard = lock();
    if (!HasInc())
        return 0.0;
    ReadScope scope(*this, false);
    GError* error = nullptr;
    double increment = arv_gc_float_get_inc(floating(), &error);
    if (isUndefinedProperty(error))
        g_clear_error(&error);
    if (error)
        GENAPI_NODE_THROW_GERROR(error);
    return increment;
}

double_autovector_t FloatNode::GetListOfValidValues(bool)
{
    return double_autovector_t();
}

ERepresentation FloatNode::GetRepresentation()
{
    return representationFromText(record().text("Representation"), Linear);
}

gcstring FloatNode::GetUnit() const
{
    return record().text("Unit");
}

EDisplayNotation FloatNode::GetDisplayNotation() const
{
    const std::string text = record().text("DisplayNotation");
    if (text == "Fixed")
        return fnFixed;
    if (text == "Scientific")
        return fnScientific;
    return fnAutomatic;
}

int64_t FloatNode::GetDisplayPrecision() const
{
    const std::string text = record().text("DisplayPrecision");
    return text.empty() ? 6 : std::strtoll(text.c_str(), nullptr, 10);
}

void FloatNode::ImposeMin(double Value)
{
    Lock guard = lock();
    m_imposedMin = Value;
}

void FloatNode::ImposeMax(double Value)
{
    Lock guard = lock();
    m_imposedMax = Value;
}

std::string FloatNode::valueToString(bool verify, bool ignoreCache)
{
    return displayText(GetValue(verify, ignoreCache));
}

std::string FloatNode::displayText(double value) const
{
    return floatDisplayText(value, GetDisplayNotation(), GetDisplayPrecision());
}

void FloatNode::valueFromString(const std::string& text, bool verify)
{
    char* end = nullptr;
    const char* begin = text.c_str();
    while (*begin == ' ' || *begin == '\t')
        ++begin;
    double value = g_ascii_strtod(begin, &end);
    while (end && (*end == ' ' || *end == '\t'))
        ++end;
    if (end == begin || !end || *end != '\0' || std::isnan(value)) {
        std::string message = "Node '" + name() + "': '" + text + "' is not a number";
        GENICAM_THROW(InvalidArgumentException, message.c_str());
    }
    SetValue(value, verify);
}

} // namespace Internal
} // namespace GenApi

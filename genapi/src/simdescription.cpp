#define G_LOG_DOMAIN "genapi"

#include "simdescription.h"

#include <glib.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace GenApi {
namespace Internal {

namespace {

const char* const kSimNamespace = "urn:campane:simulated-device";

bool isRegisterElement(const char* name)
{
    return std::strcmp(name, "IntReg") == 0 || std::strcmp(name, "MaskedIntReg") == 0 ||
           std::strcmp(name, "FloatReg") == 0 || std::strcmp(name, "StringReg") == 0;
}

std::string trimmed(const std::string& text)
{
    const char* spaces = " \t\r\n";
    const auto first = text.find_first_not_of(spaces);
    if (first == std::string::npos)
        return std::string();
    const auto last = text.find_last_not_of(spaces);
    return text.substr(first, last - first + 1);
}

} // namespace

SimulatedScan::SimulatedScan(std::vector<SimRegister>* registers) : m_registers(registers), m_prefix("sim") {}

void SimulatedScan::startElement(const char* elementName, const char** attributeNames,
                                 const char** attributeValues)
{
    ++m_depth;
    if (m_depth == 1) {
        for (int i = 0; attributeNames[i]; ++i) {
            if (g_str_has_prefix(attributeNames[i], "xmlns:") &&
                std::strcmp(attributeValues[i], kSimNamespace) == 0)
                m_prefix = attributeNames[i] + 6;
        }
        return;
    }
    if (!m_inRegister) {
        if (!isRegisterElement(elementName))
            return;
        m_inRegister = true;
        m_registerDepth = m_depth;
        m_current = SimRegister();
        m_current.element = elementName;
        m_varies.clear();
        const std::string defaultName = m_prefix + ":Default";
        const std::string variesName = m_prefix + ":Varies";
        const std::string onWriteName = m_prefix + ":OnWrite";
        const std::string userSetName = m_prefix + ":UserSet";
        for (int i = 0; attributeNames[i]; ++i) {
            if (std::strcmp(attributeNames[i], "Name") == 0) {
                m_current.name = attributeValues[i];
            } else if (defaultName == attributeNames[i]) {
                m_current.hasDefault = true;
                m_current.defaultText = attributeValues[i];
            } else if (variesName == attributeNames[i]) {
                m_varies = attributeValues[i];
            } else if (onWriteName == attributeNames[i]) {
                m_current.onWrite = attributeValues[i];
            } else if (userSetName == attributeNames[i]) {
                m_current.inUserSet = std::strcmp(attributeValues[i], "Yes") == 0;
            }
        }
        return;
    }
    if (m_depth == m_registerDepth + 1) {
        m_childName = elementName;
        m_childText.clear();
    }
}

void SimulatedScan::endElement()
{
    if (m_inRegister && m_depth == m_registerDepth + 1) {
        const std::string text = trimmed(m_childText);
        if (m_childName == "Endianess")
            m_current.bigEndian = text == "BigEndian";
        else if (m_childName == "Sign")
            m_current.isSigned = text == "Signed";
        m_childName.clear();
    } else if (m_inRegister && m_depth == m_registerDepth) {
        m_inRegister = false;
        SimRegister& reg = m_current;
        if (!m_varies.empty()) {
            if (reg.element != "IntReg" && reg.element != "FloatReg") {
                g_warning("%s: %s:Varies is only used on IntReg and FloatReg, ignored", reg.name.c_str(),
                          m_prefix.c_str());
            } else if (!ParseVaries(m_varies, &reg.amplitude, &reg.periodSeconds)) {
                g_warning("%s: cannot use %s:Varies=\"%s\" (expected sine:AMPLITUDE:PERIOD_SECONDS)",
                          reg.name.c_str(), m_prefix.c_str(), m_varies.c_str());
            } else {
                reg.varies = true;
            }
        }
        if (!reg.name.empty())
            m_registers->push_back(reg);
    }
    --m_depth;
}

void SimulatedScan::text(const char* text, size_t length)
{
    if (m_inRegister && !m_childName.empty())
        m_childText.append(text, length);
}

bool ParseVaries(const std::string& text, double* amplitude, double* periodSeconds)
{
    const std::string prefix = "sine:";
    if (text.compare(0, prefix.size(), prefix) != 0)
        return false;
    const std::string rest = text.substr(prefix.size());
    const auto colon = rest.find(':');
    if (colon == std::string::npos)
        return false;
    const std::string amplitudeText = trimmed(rest.substr(0, colon));
    const std::string periodText = trimmed(rest.substr(colon + 1));
    if (amplitudeText.empty() || periodText.empty())
        return false;
    char* end = nullptr;
    const double a = g_ascii_strtod(amplitudeText.c_str(), &end);
    if (*end != '\0' || !std::isfinite(a))
        return false;
    const double p = g_ascii_strtod(periodText.c_str(), &end);
    if (*end != '\0' || !std::isfinite(p) || p <= 0.0)
        return false;
    *amplitude = a;
    *periodSeconds = p;
    return true;
}

bool ParseInteger(const std::string& input, long long* value)
{
    std::string text = trimmed(input);
    if (text.empty())
        return false;
    bool negative = false;
    if (text[0] == '-' || text[0] == '+') {
        negative = text[0] == '-';
        text.erase(0, 1);
    }
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.erase(0, 2);
    }
    if (text.empty() || !g_ascii_isxdigit(text[0]))
        return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long long magnitude = std::strtoull(text.c_str(), &end, base);
    if (*end != '\0' || errno == ERANGE)
        return false;
    if (base == 10 && !negative && magnitude > static_cast<unsigned long long>(LLONG_MAX))
        return false;
    if (negative && magnitude > static_cast<unsigned long long>(LLONG_MAX) + 1ULL)
        return false;
    *value = negative ? static_cast<long long>(0ULL - magnitude) : static_cast<long long>(magnitude);
    return true;
}

} // namespace Internal
} // namespace GenApi

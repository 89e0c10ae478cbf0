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

struct ScanState
{
    std::vector<SimRegister>* registers = nullptr;
    std::string prefix = "sim"; //!< the prefix bound to kSimNamespace
    int depth = 0;
    bool sawRoot = false;
    bool inRegister = false;
    int registerDepth = 0;
    SimRegister current;
    std::string childName; //!< direct child of the register whose text is collected
    std::string childText;
    std::string varies;
};

void onStartElement(GMarkupParseContext*, const gchar* elementName, const gchar** attributeNames,
                    const gchar** attributeValues, gpointer userData, GError** error)
{
    auto* state = static_cast<ScanState*>(userData);
    ++state->depth;
    if (state->depth == 1) {
        state->sawRoot = true;
        if (std::strcmp(elementName, "RegisterDescription") != 0) {
            g_set_error(error, G_MARKUP_ERROR, G_MARKUP_ERROR_INVALID_CONTENT,
                        "root element is <%s>, not <RegisterDescription>", elementName);
            return;
        }
        for (int i = 0; attributeNames[i]; ++i) {
            if (g_str_has_prefix(attributeNames[i], "xmlns:") &&
                std::strcmp(attributeValues[i], kSimNamespace) == 0)
                state->prefix = attributeNames[i] + 6;
        }
        return;
    }
    if (!state->inRegister) {
        if (!isRegisterElement(elementName))
            return;
        state->inRegister = true;
        state->registerDepth = state->depth;
        state->current = SimRegister();
        state->current.element = elementName;
        state->varies.clear();
        const std::string defaultName = state->prefix + ":Default";
        const std::string variesName = state->prefix + ":Varies";
        const std::string onWriteName = state->prefix + ":OnWrite";
        const std::string userSetName = state->prefix + ":UserSet";
        for (int i = 0; attributeNames[i]; ++i) {
            if (std::strcmp(attributeNames[i], "Name") == 0) {
                state->current.name = attributeValues[i];
            } else if (defaultName == attributeNames[i]) {
                state->current.hasDefault = true;
                state->current.defaultText = attributeValues[i];
            } else if (variesName == attributeNames[i]) {
                state->varies = attributeValues[i];
            } else if (onWriteName == attributeNames[i]) {
                state->current.onWrite = attributeValues[i];
            } else if (userSetName == attributeNames[i]) {
                state->current.inUserSet = std::strcmp(attributeValues[i], "Yes") == 0;
            }
        }
        return;
    }
    if (state->depth == state->registerDepth + 1) {
        state->childName = elementName;
        state->childText.clear();
    }
}

void onEndElement(GMarkupParseContext*, const gchar*, gpointer userData, GError**)
{
    auto* state = static_cast<ScanState*>(userData);
    if (state->inRegister && state->depth == state->registerDepth + 1) {
        const std::string text = trimmed(state->childText);
        if (state->childName == "Endianess")
            state->current.bigEndian = text == "BigEndian";
        else if (state->childName == "Sign")
            state->current.isSigned = text == "Signed";
        state->childName.clear();
    } else if (state->inRegister && state->depth == state->registerDepth) {
        state->inRegister = false;
        SimRegister& reg = state->current;
        if (!state->varies.empty()) {
            if (reg.element != "IntReg" && reg.element != "FloatReg") {
                g_warning("%s: %s:Varies is only used on IntReg and FloatReg, ignored", reg.name.c_str(),
                          state->prefix.c_str());
            } else if (!ParseVaries(state->varies, &reg.amplitude, &reg.periodSeconds)) {
                g_warning("%s: cannot use %s:Varies=\"%s\" (expected sine:AMPLITUDE:PERIOD_SECONDS)",
                          reg.name.c_str(), state->prefix.c_str(), state->varies.c_str());
            } else {
                reg.varies = true;
            }
        }
        if (!reg.name.empty())
            state->registers->push_back(reg);
    }
    --state->depth;
}

void onText(GMarkupParseContext*, const gchar* text, gsize length, gpointer userData, GError**)
{
    auto* state = static_cast<ScanState*>(userData);
    if (state->inRegister && !state->childName.empty())
        state->childText.append(text, length);
}

} // namespace

std::string WithAddressesForAravis(const std::string& xml)
{
    const std::string open = "<Address>";
    const std::string close = "</Address>";
    std::string out;
    std::size_t copied = 0;
    for (std::size_t pos = xml.find(open); pos != std::string::npos; pos = xml.find(open, pos)) {
        const std::size_t start = pos + open.size();
        const std::size_t end = xml.find(close, start);
        if (end == std::string::npos)
            break;
        pos = end + close.size();
        const std::string text = trimmed(xml.substr(start, end - start));
        if (text.size() < 3 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X'))
            continue;
        long long value = 0;
        if (!ParseInteger(text, &value) || value >= 0)
            continue;
        out.append(xml, copied, start - copied);
        out += std::to_string(value);
        copied = end;
    }
    if (copied == 0)
        return xml;
    out.append(xml, copied, std::string::npos);
    return out;
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

bool ScanSimulatedDescription(const std::string& xml, std::vector<SimRegister>* registers, std::string* error)
{
    // Descriptions read from a device may carry trailing NULs.
    const std::size_t length = ::strnlen(xml.data(), xml.size());
    if (trimmed(xml.substr(0, length)).empty()) {
        *error = "the description is empty";
        return false;
    }

    ScanState state;
    state.registers = registers;
    GMarkupParser parser = {};
    parser.start_element = onStartElement;
    parser.end_element = onEndElement;
    parser.text = onText;
    GMarkupParseContext* context =
        g_markup_parse_context_new(&parser, G_MARKUP_PREFIX_ERROR_POSITION, &state, nullptr);
    GError* gerror = nullptr;
    bool ok = g_markup_parse_context_parse(context, xml.data(), static_cast<gssize>(length), &gerror) &&
              g_markup_parse_context_end_parse(context, &gerror);
    g_markup_parse_context_free(context);
    if (!ok) {
        *error = std::string("the description is not well-formed XML: ") +
                 (gerror ? gerror->message : "unknown error");
        g_clear_error(&gerror);
        return false;
    }
    if (!state.sawRoot) {
        *error = "the description has no root element";
        return false;
    }
    return true;
}

} // namespace Internal
} // namespace GenApi

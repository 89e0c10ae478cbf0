#include "enumentrynode.h"

#include "integernode.h"

namespace GenApi {
namespace Internal {

int64_t EnumEntryNode::GetValue()
{
    Lock guard = lock();
    if (ARV_IS_GC_ENUM_ENTRY(m_arv)) {
        checkLost();
        GError* error = nullptr;
        int64_t value = arv_gc_enum_entry_get_value(ARV_GC_ENUM_ENTRY(m_arv), &error);
        if (error)
            GENAPI_NODE_THROW_GERROR(error);
        return value;
    }
    int64_t value = 0;
    if (!integerFromText(record().text("Value"), &value)) {
        std::string text = "Enumeration entry '" + name() + "' has no integer value";
        GENICAM_THROW(RuntimeException, text.c_str());
    }
    return value;
}

double EnumEntryNode::GetNumericValue()
{
    const std::optional<NodeProperty> numeric = record().find("NumericValue");
    if (numeric) {
        char* end = nullptr;
        const std::string text(numeric->value);
        double value = g_ascii_strtod(text.c_str(), &end);
        if (end && *end == '\0' && end != text.c_str())
            return value;
    }
    return static_cast<double>(GetValue());
}

bool EnumEntryNode::isAvailable() const
{
    EAccessMode mode = GetAccessMode();
    return mode != NI && mode != NA;
}

std::string EnumEntryNode::valueToString(bool, bool)
{
    return std::string(record().symbolic);
}

} // namespace Internal
} // namespace GenApi

#include "nodetext.h"

#include <Corvid/Corvid.h>
#include <GenApi/GenApi.h>

#include <algorithm>
#include <cctype>

namespace Corvid {
namespace Internal {

namespace {

std::string lowerCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

void setError(std::string* error, const std::string& text)
{
    if (error)
        *error = text;
}

bool isReadable(GenApi::EAccessMode mode)
{
    return mode == GenApi::RO || mode == GenApi::RW;
}

bool isWritable(GenApi::EAccessMode mode)
{
    return mode == GenApi::WO || mode == GenApi::RW;
}

std::string accessText(GenApi::EAccessMode mode)
{
    switch (mode) {
    case GenApi::NI:
        return "not implemented";
    case GenApi::NA:
        return "not available";
    case GenApi::WO:
        return "write only";
    case GenApi::RO:
        return "read only";
    default:
        return "not accessible";
    }
}

} // namespace

int guardGenApi(const std::function<int()>& f, std::string* error, bool* timedOut)
{
    if (timedOut)
        *timedOut = false;
    try {
        return f();
    } catch (const GenICam::AccessException& e) {
        setError(error, e.GetDescription());
        return RESULT_ACCESS_DENIED;
    } catch (const GenICam::OutOfRangeException& e) {
        setError(error, e.GetDescription());
        return RESULT_BAD_VALUE;
    } catch (const GenICam::InvalidArgumentException& e) {
        setError(error, e.GetDescription());
        return RESULT_BAD_VALUE;
    } catch (const GenICam::TimeoutException& e) {
        setError(error, e.GetDescription());
        if (timedOut)
            *timedOut = true;
        return RESULT_DEVICE_ERROR;
    } catch (const GenICam::GenericException& e) {
        setError(error, e.GetDescription());
        return RESULT_DEVICE_ERROR;
    } catch (const std::exception& e) {
        setError(error, e.what());
        return RESULT_DEVICE_ERROR;
    } catch (...) {
        setError(error, "unknown exception");
        return RESULT_DEVICE_ERROR;
    }
}

GenApi::INode* findFeature(GenApi::INodeMap* map, const std::string& name)
{
    if (!map || name.empty())
        return nullptr;
    if (GenApi::INode* node = map->GetNode(name))
        return node;
    if (name.find('.') == std::string::npos)
        return nullptr;
    std::string nodeName = name;
    std::replace(nodeName.begin(), nodeName.end(), '.', '_');
    return map->GetNode(nodeName);
}

// The feature of that name that carries a value, or null with the result
// code and the reason.
static GenApi::INode* findValueFeature(GenApi::INodeMap* map, const std::string& name, int& result,
                                       std::string* error)
{
    GenApi::INode* node = findFeature(map, name);
    if (!node) {
        setError(error, "no feature " + name);
        result = RESULT_UNKNOWN_NODE;
        return nullptr;
    }
    if (node->GetPrincipalInterfaceType() == GenApi::intfICategory) {
        setError(error, name + " is a category, it has no value");
        result = RESULT_BAD_VALUE;
        return nullptr;
    }
    return node;
}

int readNodeText(GenApi::INodeMap* map, const std::string& name, std::string& value, std::string* error)
{
    return guardGenApi(
        [&]() -> int {
            int result = RESULT_OK;
            GenApi::INode* node = findValueFeature(map, name, result, error);
            if (!node)
                return result;
            const GenApi::EAccessMode mode = node->GetAccessMode();
            if (!isReadable(mode)) {
                setError(error, name + " is not readable (" + accessText(mode) + ")");
                return RESULT_ACCESS_DENIED;
            }
            if (GenApi::CBooleanPtr boolean = node) {
                value = boolean->GetValue(true) ? "True" : "False";
                return RESULT_OK;
            }
            GenApi::CValuePtr valueNode = node;
            if (!valueNode) {
                setError(error, name + " has no value");
                return RESULT_BAD_VALUE;
            }
            value = valueNode->ToString(true).toStdString();
            return RESULT_OK;
        },
        error);
}

int writeNodeText(GenApi::INodeMap* map, const std::string& name, const std::string& value,
                  std::string* error, bool* notConfirmed)
{
    return guardGenApi(
        [&]() -> int {
            int result = RESULT_OK;
            GenApi::INode* node = findValueFeature(map, name, result, error);
            if (!node)
                return result;
            const GenApi::EAccessMode mode = node->GetAccessMode();
            if (!isWritable(mode)) {
                setError(error, name + " is not writable (" + accessText(mode) + ")");
                return RESULT_ACCESS_DENIED;
            }
            const std::string lower = lowerCase(value);
            if (GenApi::CCommandPtr command = node) {
                if (!value.empty() && lower != "1" && lower != "true") {
                    setError(error, name + " is a command: it takes an empty value, not \"" + value + "\"");
                    return RESULT_BAD_VALUE;
                }
                command->Execute(true);
                return RESULT_OK;
            }
            if (GenApi::CBooleanPtr boolean = node) {
                if (lower == "1" || lower == "true")
                    boolean->SetValue(true, true);
                else if (lower == "0" || lower == "false")
                    boolean->SetValue(false, true);
                else {
                    setError(error, name + " is a boolean: \"" + value + "\" is neither 1/0 nor True/False");
                    return RESULT_BAD_VALUE;
                }
                return RESULT_OK;
            }
            GenApi::CValuePtr valueNode = node;
            if (!valueNode) {
                setError(error, name + " has no value");
                return RESULT_BAD_VALUE;
            }
            valueNode->FromString(value, true);
            return RESULT_OK;
        },
        error, notConfirmed);
}

} // namespace Internal
} // namespace Corvid

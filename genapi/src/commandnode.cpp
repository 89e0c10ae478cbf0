#include "commandnode.h"

#include "integernode.h"

namespace GenApi {
namespace Internal {

EAccessMode CommandNode::ownAccessMode() const
{
    return accessOfReference({"pValue"}, RW);
}

void CommandNode::Execute(bool)
{
    Lock guard = lock();
    // A write may read first (bit fields): from the device when the cache is stale.
    ReadScope scope(*this, false);
    checkWritable();
    GError* error = nullptr;
    arv_gc_command_execute(ARV_GC_COMMAND(m_arv), &error);
    noteWritten(error != nullptr);
    if (error)
        GENAPI_NODE_THROW_GERROR(error);
}

bool CommandNode::IsDone(bool)
{
    Lock guard = lock();
    checkLost();
    auto* target = dynamic_cast<IInteger*>(m_map->nodeNamed(record().text("pValue")));
    if (!target)
        return true;
    EAccessMode mode = target->GetNode()->GetAccessMode();
    if (mode != RO && mode != RW)
        return true;

    int64_t commandValue = 0;
    if (auto* pCommandValue = dynamic_cast<IInteger*>(m_map->nodeNamed(record().text("pCommandValue"))))
        commandValue = pCommandValue->GetValue();
    else if (!integerFromText(record().text("CommandValue"), &commandValue))
        return true;
    return target->GetValue(false, true) != commandValue;
}

std::string CommandNode::valueToString(bool, bool)
{
    // A command has no value of its own to show.
    return std::string();
}

void CommandNode::valueFromString(const std::string& text, bool verify)
{
    if (text == "1" || g_ascii_strcasecmp(text.c_str(), "true") == 0 ||
        g_ascii_strcasecmp(text.c_str(), "Execute") == 0) {
        Execute(verify);
    } else if (!(text == "0" || g_ascii_strcasecmp(text.c_str(), "false") == 0)) {
        std::string message = "Node '" + name() + "': '" + text + "' does not execute a command (1 or true)";
        GENICAM_THROW(InvalidArgumentException, message.c_str());
    }
}

} // namespace Internal
} // namespace GenApi

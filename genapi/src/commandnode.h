// Command nodes: ICommand over Aravis's ArvGcCommand.
#pragma once

#include "node.h"

namespace GenApi {
namespace Internal {

class CommandNode final : public Node, public ICommand
{
public:
    CommandNode(NodeMap* map, int index, ArvGcNode* arvNode) : Node(map, index, arvNode) {}

    EInterfaceType GetPrincipalInterfaceType() const override { return intfICommand; }

    void Execute(bool Verify = true) override;
    void operator()() override { Execute(); }
    //! True once the device has cleared the command register (or when it
    //! cannot be read back).
    bool IsDone(bool Verify = true) override;

protected:
    EAccessMode ownAccessMode() const override;
    std::string valueToString(bool verify, bool ignoreCache) override;
    void valueFromString(const std::string& text, bool verify) override;
};

} // namespace Internal
} // namespace GenApi

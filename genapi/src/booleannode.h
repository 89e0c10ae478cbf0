// Boolean nodes: IBoolean over Aravis's ArvGcBoolean.
#pragma once

#include "node.h"

namespace GenApi {
namespace Internal {

class BooleanNode final : public Node, public IBoolean
{
public:
    BooleanNode(NodeMap* map, int index, ArvGcNode* arvNode) : Node(map, index, arvNode) {}

    EInterfaceType GetPrincipalInterfaceType() const override { return intfIBoolean; }

    void SetValue(bool Value, bool Verify = true) override;
    IBoolean& operator=(bool Value) override;
    bool GetValue(bool Verify = false, bool IgnoreCache = false) const override;
    bool operator()() const override { return GetValue(); }

protected:
    EAccessMode ownAccessMode() const override;
    std::string valueToString(bool verify, bool ignoreCache) override;
    void valueFromString(const std::string& text, bool verify) override;

private:
    ArvGcBoolean* boolean() const { return ARV_GC_BOOLEAN(m_arv); }
};

} // namespace Internal
} // namespace GenApi

// String and StringReg nodes: IString over Aravis's ArvGcString.
#pragma once

#include "node.h"

namespace GenApi {
namespace Internal {

class StringNode : public Node, public IString
{
public:
    StringNode(NodeMap* map, int index, ArvGcNode* arvNode) : Node(map, index, arvNode) {}

    EInterfaceType GetPrincipalInterfaceType() const override { return intfIString; }

    void SetValue(const gcstring& Value, bool Verify = true) override;
    IString& operator=(const gcstring& Value) override;
    gcstring GetValue(bool Verify = false, bool IgnoreCache = false) override;
    gcstring operator()() override { return GetValue(); }
    gcstring operator*() override { return GetValue(); }
    int64_t GetMaxLength() override;

protected:
    EAccessMode ownAccessMode() const override;
    std::string valueToString(bool verify, bool ignoreCache) override;
    void valueFromString(const std::string& text, bool verify) override;

private:
    ArvGcString* arvString() const { return ARV_GC_STRING(m_arv); }
    //! A StringReg whose length evaluates to 0 (through <pLength>), or a
    //! String whose value is one.
    bool isEmptyRegister() const;
};

} // namespace Internal
} // namespace GenApi

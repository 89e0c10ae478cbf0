// Register nodes: IRegister, the raw bytes of a register through Aravis's
// ArvGcRegister.
#pragma once

#include "node.h"

namespace GenApi {
namespace Internal {

class RegisterNode final : public Node, public IRegister
{
public:
    RegisterNode(NodeMap* map, int index, ArvGcNode* arvNode) : Node(map, index, arvNode) {}

    EInterfaceType GetPrincipalInterfaceType() const override { return intfIRegister; }

    void Set(const uint8_t* pBuffer, int64_t Length, bool Verify = true) override;
    void Get(uint8_t* pBuffer, int64_t Length, bool Verify = false, bool IgnoreCache = false) override;
    int64_t GetLength() override;
    int64_t GetAddress() override;

protected:
    EAccessMode ownAccessMode() const override;
    //! The bytes as "0x" and two hex digits each, in register order.
    std::string valueToString(bool verify, bool ignoreCache) override;
    void valueFromString(const std::string& text, bool verify) override;

private:
    ArvGcRegister* arvRegister() const { return ARV_GC_REGISTER(m_arv); }
    void checkLength(int64_t length);
};

} // namespace Internal
} // namespace GenApi

#include "registernode.h"

#include <cstdio>
#include <vector>

namespace GenApi {
namespace Internal {

EAccessMode RegisterNode::ownAccessMode() const
{
    return accessFromText(record().text("AccessMode"), RO);
}

template <class Base> void RegisterInterface<Base>::checkLength(int64_t length)
{
    const int64_t expected = GetLength();
    if (length != expected) {
        std::string text = "Node '" + this->name() + "': buffer of " + std::to_string(length) +
                           " bytes for a register of " + std::to_string(expected);
        GENICAM_THROW(InvalidArgumentException, text.c_str());
    }
}

template <class Base>
void RegisterInterface<Base>::Get(uint8_t* pBuffer, int64_t Length, bool, bool IgnoreCache)
{
    typename Base::Lock guard = this->lock();
    this->checkReadable(); // access from the cache: IgnoreCache is about the value
    typename Base::ReadScope scope(*this, IgnoreCache);
    checkLength(Length);
    if (Length == 0)
        return; // a text of no bytes: nothing to transfer
    GError* error = nullptr;
    arv_gc_register_get(arvRegister(), pBuffer, static_cast<guint64>(Length), &error);
    if (error)
        this->throwGError(error, __FILE__, __LINE__);
}

template <class Base> void RegisterInterface<Base>::Set(const uint8_t* pBuffer, int64_t Length, bool)
{
    typename Base::Lock guard = this->lock();
    // A write may read first (bit fields): from the device when the cache is stale.
    typename Base::ReadScope scope(*this, false);
    this->checkWritable();
    checkLength(Length);
    if (Length == 0)
        return;
    GError* error = nullptr;
    arv_gc_register_set(arvRegister(), pBuffer, static_cast<guint64>(Length), &error);
    this->noteWritten(error != nullptr);
    if (error)
        this->throwGError(error, __FILE__, __LINE__);
}

template <class Base> int64_t RegisterInterface<Base>::GetLength()
{
    typename Base::Lock guard = this->lock();
    this->checkLost();
    GError* error = nullptr;
    guint64 length = arv_gc_register_get_length(arvRegister(), &error);
    if (error)
        this->throwGError(error, __FILE__, __LINE__);
    return static_cast<int64_t>(length);
}

template <class Base> int64_t RegisterInterface<Base>::GetAddress()
{
    typename Base::Lock guard = this->lock();
    this->checkLost();
    // The address may be evaluated from other nodes (pAddress, pIndex):
    // from the device when their registers are stale.
    typename Base::ReadScope scope(*this, false);
    GError* error = nullptr;
    guint64 address = arv_gc_register_get_address(arvRegister(), &error);
    if (error)
        this->throwGError(error, __FILE__, __LINE__);
    return static_cast<int64_t>(address);
}

template class RegisterInterface<Node>;
template class RegisterInterface<IntegerNode>;
template class RegisterInterface<FloatNode>;
template class RegisterInterface<StringNode>;

std::string RegisterNode::valueToString(bool verify, bool ignoreCache)
{
    std::vector<uint8_t> bytes(static_cast<size_t>(GetLength()));
    Get(bytes.data(), static_cast<int64_t>(bytes.size()), verify, ignoreCache);
    std::string text = "0x";
    char digits[3];
    for (uint8_t byte : bytes) {
        std::snprintf(digits, sizeof digits, "%02x", byte);
        text += digits;
    }
    return text;
}

void RegisterNode::valueFromString(const std::string& text, bool verify)
{
    std::string digits = text;
    if (digits.size() >= 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
        digits = digits.substr(2);
    const auto length = static_cast<size_t>(GetLength());
    bool valid = digits.size() == 2 * length;
    std::vector<uint8_t> bytes(length);
    for (size_t i = 0; valid && i < length; ++i) {
        int high = g_ascii_xdigit_value(digits[2 * i]);
        int low = g_ascii_xdigit_value(digits[2 * i + 1]);
        valid = high >= 0 && low >= 0;
        bytes[i] = static_cast<uint8_t>(high * 16 + low);
    }
    if (!valid) {
        std::string message =
            "Node '" + name() + "': '" + text + "' is not " + std::to_string(length) + " bytes in hex";
        GENICAM_THROW(InvalidArgumentException, message.c_str());
    }
    Set(bytes.data(), static_cast<int64_t>(length), verify);
}

} // namespace Internal
} // namespace GenApi

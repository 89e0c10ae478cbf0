// Smart pointers over the GenApi interfaces. A CPointer is made from any
// interface pointer of a node and holds it cast to T, or nothing when the
// node is not of that kind; using an empty one throws LogicalErrorException.
// The node itself belongs to its node map.
#pragma once

#include <GenApi/Interfaces.h>

namespace GenApi {

template <class T, class B = IBase> class CPointer
{
public:
    CPointer() noexcept : m_pT(nullptr) {}
    CPointer(B* pB) : m_pT(pB ? dynamic_cast<T*>(pB) : nullptr) {}
    template <class U>
    CPointer(const CPointer<U, B>& other) : m_pT(other.IsValid() ? dynamic_cast<T*>(other.get()) : nullptr)
    {
    }

    CPointer& operator=(B* pB)
    {
        m_pT = pB ? dynamic_cast<T*>(pB) : nullptr;
        return *this;
    }

    operator T*() const
    {
        if (!m_pT)
            GENICAM_THROW(LogicalErrorException, "NULL pointer dereferenced");
        return m_pT;
    }
    T& operator*() const
    {
        if (!m_pT)
            GENICAM_THROW(LogicalErrorException, "NULL pointer dereferenced");
        return *m_pT;
    }
    T& operator()() const { return **this; }
    T* operator->() const
    {
        if (!m_pT)
            GENICAM_THROW(LogicalErrorException, "NULL pointer dereferenced");
        return m_pT;
    }

    bool IsValid() const noexcept { return m_pT != nullptr; }
    explicit operator bool() const noexcept { return IsValid(); }
    //! The raw pointer, null when empty (never throws).
    T* get() const noexcept { return m_pT; }
    void Release() noexcept { m_pT = nullptr; }

    bool operator==(const CPointer& other) const noexcept { return m_pT == other.m_pT; }
    bool operator!=(const CPointer& other) const noexcept { return m_pT != other.m_pT; }
    bool operator==(T* p) const noexcept { return m_pT == p; }
    bool operator!=(T* p) const noexcept { return m_pT != p; }

protected:
    T* m_pT;
};

typedef CPointer<IBase> CBasePtr;
typedef CPointer<INode> CNodePtr;
typedef CPointer<IValue> CValuePtr;
typedef CPointer<ICategory> CCategoryPtr;
typedef CPointer<IBoolean> CBooleanPtr;
typedef CPointer<IInteger> CIntegerPtr;
typedef CPointer<IString> CStringPtr;
typedef CPointer<IRegister> CRegisterPtr;
typedef CPointer<IEnumeration> CEnumerationPtr;
typedef CPointer<IEnumEntry> CEnumEntryPtr;
typedef CPointer<IFloat> CFloatPtr;
typedef CPointer<ICommand> CCommandPtr;
typedef CPointer<INodeMap, INodeMap> CNodeMapPtr;

} // namespace GenApi

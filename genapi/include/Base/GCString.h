// GenICam string and string list: UTF-8 text with the interface callers of
// GenApi 3.x expect (c_str(), implicit construction from C strings, ...).
#pragma once

#include <Base/GCLinkage.h>

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

namespace GenICam {

class GCBASE_API gcstring
{
public:
    static const size_t npos = static_cast<size_t>(-1);

    gcstring() = default;
    gcstring(const char* text) : m_str(text ? text : "") {}
    gcstring(const char* text, size_t count) : m_str(text ? std::string(text, count) : std::string()) {}
    gcstring(size_t count, char ch) : m_str(count, ch) {}
    gcstring(const std::string& text) : m_str(text) {}
    gcstring(std::string&& text) : m_str(std::move(text)) {}

    const char* c_str() const { return m_str.c_str(); }
    size_t size() const { return m_str.size(); }
    size_t length() const { return m_str.length(); }
    bool empty() const { return m_str.empty(); }
    void clear() { m_str.clear(); }
    size_t find(const gcstring& str, size_t offset = 0) const { return m_str.find(str.m_str, offset); }
    size_t find(char ch, size_t offset = 0) const { return m_str.find(ch, offset); }
    int compare(const gcstring& str) const { return m_str.compare(str.m_str); }
    gcstring substr(size_t offset = 0, size_t count = npos) const { return m_str.substr(offset, count); }

    gcstring& operator+=(const gcstring& str)
    {
        m_str += str.m_str;
        return *this;
    }
    gcstring& operator+=(char ch)
    {
        m_str += ch;
        return *this;
    }
    gcstring operator+(const gcstring& str) const { return gcstring(m_str + str.m_str); }
    gcstring operator+(const char* str) const { return gcstring(m_str + (str ? str : "")); }

    bool operator==(const gcstring& str) const { return m_str == str.m_str; }
    bool operator!=(const gcstring& str) const { return m_str != str.m_str; }
    bool operator==(const char* str) const { return m_str == (str ? str : ""); }
    bool operator!=(const char* str) const { return !(*this == str); }
    bool operator<(const gcstring& str) const { return m_str < str.m_str; }

    operator const char*() const { return m_str.c_str(); }
    const std::string& toStdString() const { return m_str; }

private:
    std::string m_str;
};

inline std::ostream& operator<<(std::ostream& os, const gcstring& str)
{
    return os << str.toStdString();
}

class GCBASE_API gcstring_vector : public std::vector<gcstring>
{
public:
    using std::vector<gcstring>::vector;
};

} // namespace GenICam

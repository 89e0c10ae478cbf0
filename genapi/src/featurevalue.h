// Values of features as persistence text, through the public node interfaces
// only: one switch on the node's kind for reading, parsing and writing.
#pragma once

#include <GenApi/Interfaces.h>

#include <exception>
#include <string>

namespace GenApi {
namespace persistence {

enum class ValueKind
{
    Integer,
    Float,
    Boolean,
    Enumeration,
    String,
    Register,
    None //!< no value a settings file can hold (command, category, port, ...)
};

ValueKind valueKind(INode* node);
const char* kindName(ValueKind kind);

//! Reads the node's value as persistence text. Throws what the node throws;
//! false when the value cannot be written as one line (a string with a line
//! break or a tab, an enumeration whose value matches no entry).
bool readValue(INode* node, ValueKind kind, bool ignoreCache, std::string& text);

//! A parsed value, ready to be written.
struct ParsedValue
{
    ValueKind kind = ValueKind::None;
    int64_t integer = 0; //!< Integer, Boolean (0/1), Enumeration (entry value)
    double number = 0.0;
    std::string bytes; //!< String text, Register bytes
};

//! Parses text as a value of the node's kind: false with the reason in
//! *error when it is none (not an integer, no such entry, wrong length...).
//! May read the node's entries or length; throws what the node throws.
bool parseValue(INode* node, ValueKind kind, const std::string& text, ParsedValue& value, std::string* error);

//! Writes the parsed value; throws what the node throws.
void writeValue(INode* node, const ParsedValue& value, bool verify);

//! What an exception says: a GenICam exception's description, or what().
std::string describe(const std::exception& error);

//! True when the text holds a character that a terminal or a line-based
//! reader takes for more than text: C0 controls (tab and line ends included),
//! DEL, and the C1 controls in their UTF-8 form.
bool hasControlCharacter(const std::string& text);

//! True when a settings file can name the feature as it is: a letter or '_'
//! first, then letters, digits, '_', ':' and '.', at most 256 characters.
bool isSafeName(const std::string& name);

//! True when a settings file may set the node: a streamable feature with a
//! value, or a selector whose values choose what a streamable feature holds
//! (its lines frame the selected values). Commands, registers behind
//! commands and other nodes that are no setting are not. May throw what the
//! node throws.
bool isSetting(INode* node);

//! Whether two texts of one kind name the same value (floats within the
//! rounding of a device's float registers).
bool sameValue(ValueKind kind, const std::string& a, const std::string& b);

} // namespace persistence
} // namespace GenApi

// The elements of every node of a GenICam description, read from the XML text
// itself. Aravis evaluates the description but drops or misreads several
// elements (NameSpace, Streamable, EventID, entry order, ...); the node layer
// answers those questions from here.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

namespace GenApi {
namespace Internal {

//! One child element of a node: <pValue>Reg</pValue>, <Visibility>Expert</Visibility>.
struct NodeProperty
{
    std::string name;  //!< element name
    std::string value; //!< its text, trimmed
    int attribute =
        -1; //!< its first attribute's value in NodeRecord::attributes, or -1 (few elements have one)
};

struct NodeRecord
{
    std::string name;      //!< the node map's name (enum entries: "EnumEntry_<Enumeration>_<Symbolic>")
    std::string type;      //!< the element name: "Integer", "IntReg", "EnumEntry", ...
    std::string symbolic;  //!< enum entries: the Name attribute; other nodes: same as name
    std::string nameSpace; //!< the NameSpace attribute, empty when absent
    std::vector<NodeProperty> properties; //!< child elements, in document order
    std::vector<std::string> attributes;  //!< the first attribute of those elements that have one
    std::vector<int> entries;             //!< enumerations: their EnumEntry records, in document order
    int enumeration = -1;                 //!< enum entries: the record of their enumeration
    int line = 0;                         //!< where the element starts in the text

    //! The first element of that name, or null.
    const NodeProperty* find(const std::string& element) const;
    //! The text of the first element of that name, or fallback.
    std::string text(const std::string& element, const std::string& fallback = std::string()) const;
    bool has(const std::string& element) const { return find(element) != nullptr; }
    //! The value of the element's first attribute (pVariable's Name, pIndex's Offset), or empty.
    const std::string& attributeOf(const NodeProperty& property) const;
    //! Appends an element, keeping its first attribute when it has one.
    void addProperty(std::string element, std::string value, const char* attribute);
    //! The texts of every element of that name, in document order.
    std::vector<std::string> all(const std::string& element) const;
};

struct NodeDescription
{
    std::vector<NodeRecord> records; //!< every node, in document order
    std::unordered_map<std::string, int> byName;
    std::string modelName;
    std::string vendorName;

    //! Parses the description; false with a reason in *error when the text is
    //! not well-formed XML or has no RegisterDescription root. An EnumEntry
    //! outside a named Enumeration belongs to no node and is left out.
    bool parse(const std::string& xml, std::string* error);
    int indexOf(const std::string& name) const;
};

//! True for the elements whose text names another node (pValue, pFeature, ...).
bool isNodeReference(const std::string& element);
//! True for the node types that own device memory (IntReg, StringReg, ...).
bool isRegisterType(const std::string& type);

} // namespace Internal
} // namespace GenApi

// The elements of every node of a GenICam description, read from the XML text
// itself. Aravis evaluates the description but drops or misreads several
// elements (NameSpace, Streamable, EventID, entry order, ...); the node layer
// answers those questions from here.
//
// The record lives as long as the device, so it is kept compact: every text
// (names, element texts, attributes) is stored once in the description's own
// text pool, each element name once in a table, and the records and their
// elements refer to those. Records and elements hand out views of the pool,
// valid while the description lives.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace GenApi {
namespace Internal {

class NodeDescription;

//! Sees the events of a description's parse as they come, so that one pass
//! over the text serves everything that reads it (Aravis's document, the
//! simulated device's registers) besides the record.
class MarkupSink
{
public:
    virtual ~MarkupSink() = default;
    //! names and values: the attributes, null-terminated.
    virtual void startElement(const char* element, const char** names, const char** values) = 0;
    virtual void endElement() = 0;
    //! Text as it comes (entities decoded); one element's text may come in pieces.
    virtual void text(const char* text, size_t length) = 0;
};

//! One child element of a node: <pValue>Reg</pValue>, <Visibility>Expert</Visibility>.
struct NodeProperty
{
    std::string_view name;      //!< element name
    std::string_view value;     //!< its text, trimmed
    std::string_view attribute; //!< its first attribute's value (pVariable's Name), empty when none
};

//! How a record stores an element: the text in the pool, the name in the table.
struct PropertySlot
{
    const char* value = nullptr; //!< NUL-terminated; the attribute, when there is one, follows its NUL
    uint32_t size = 0;
    uint32_t element : 31;
    uint32_t hasAttribute : 1;

    PropertySlot() : element(0), hasAttribute(0) {}
};

class NodeRecord
{
public:
    std::string_view name;      //!< the node map's name (enum entries: "EnumEntry_<Enumeration>_<Symbolic>")
    std::string_view type;      //!< the element name: "Integer", "IntReg", "EnumEntry", ...
    std::string_view symbolic;  //!< enum entries: the Name attribute; other nodes: same as name
    std::string_view nameSpace; //!< the NameSpace attribute, empty when absent
    int enumeration = -1;       //!< enum entries: the record of their enumeration
    int line = 0;               //!< where the element starts in the text

    //! The node's child elements, in document order.
    class Properties
    {
    public:
        class iterator
        {
        public:
            iterator(const NodeDescription* owner, const PropertySlot* slot) : m_owner(owner), m_slot(slot) {}
            NodeProperty operator*() const;
            iterator& operator++()
            {
                ++m_slot;
                return *this;
            }
            bool operator!=(const iterator& other) const { return m_slot != other.m_slot; }

        private:
            const NodeDescription* m_owner;
            const PropertySlot* m_slot;
        };
        iterator begin() const { return {m_owner, m_begin}; }
        iterator end() const { return {m_owner, m_end}; }
        size_t size() const { return static_cast<size_t>(m_end - m_begin); }

    private:
        friend class NodeRecord;
        Properties(const NodeDescription* owner, const PropertySlot* begin, const PropertySlot* end)
            : m_owner(owner), m_begin(begin), m_end(end)
        {
        }
        const NodeDescription* m_owner;
        const PropertySlot* m_begin;
        const PropertySlot* m_end;
    };
    Properties properties() const;

    //! Enumerations: their EnumEntry records, in document order.
    class Entries
    {
    public:
        const int* begin() const { return m_begin; }
        const int* end() const { return m_end; }
        size_t size() const { return static_cast<size_t>(m_end - m_begin); }

    private:
        friend class NodeRecord;
        Entries(const int* begin, const int* end) : m_begin(begin), m_end(end) {}
        const int* m_begin;
        const int* m_end;
    };
    Entries entries() const;

    //! The first element of that name, or none.
    std::optional<NodeProperty> find(std::string_view element) const;
    //! The text of the first element of that name, or fallback.
    std::string text(std::string_view element, const std::string& fallback = std::string()) const;
    bool has(std::string_view element) const { return find(element).has_value(); }
    //! The texts of every element of that name, in document order.
    std::vector<std::string> all(std::string_view element) const;

private:
    friend class NodeDescription;
    friend struct DescriptionBuilder;
    const NodeDescription* m_owner = nullptr;
    uint32_t m_firstProperty = 0;
    uint32_t m_propertyCount = 0;
    uint32_t m_firstEntry = 0;
    uint32_t m_entryCount = 0;
};

class NodeDescription
{
public:
    NodeDescription() = default;
    // Records point back at their description.
    NodeDescription(const NodeDescription&) = delete;
    NodeDescription& operator=(const NodeDescription&) = delete;

    std::vector<NodeRecord> records; //!< every node, in document order
    std::string modelName;
    std::string vendorName;

    //! Parses the description; false with a reason in *error when the text is
    //! not well-formed XML or has no RegisterDescription root. An EnumEntry
    //! outside a named Enumeration belongs to no node and is left out. The
    //! sinks see every event of the parse (up to an error, if any).
    bool parse(const std::string& xml, std::string* error, const std::vector<MarkupSink*>& sinks = {});
    //! The record of that name, or -1.
    int indexOf(std::string_view name) const;

private:
    friend class NodeRecord;
    friend struct DescriptionBuilder;
    std::string_view elementName(uint32_t element) const { return m_elementNames[element]; }

    std::vector<PropertySlot> m_properties; //!< every record's elements, record after record
    std::vector<int> m_entries;             //!< every enumeration's entries, enumeration after enumeration
    std::vector<std::string_view> m_elementNames; //!< in the pool
    //! Record indexes by the hash of their name: open addressing, a power
    //! of two of slots at most half full, -1 empty.
    std::vector<int> m_byName;
    //! The text pool: blocks that never move once allocated, so that views stay valid.
    std::vector<std::unique_ptr<char[]>> m_blocks;
    size_t m_blockSize = 0;
    size_t m_blockUsed = 0;
};

//! True for the elements whose text names another node (pValue, pFeature, ...).
bool isNodeReference(std::string_view element);
//! True for the node types that own device memory (IntReg, StringReg, ...).
bool isRegisterType(std::string_view type);

} // namespace Internal
} // namespace GenApi

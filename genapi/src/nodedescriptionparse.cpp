// NodeDescription::parse: one pass over a description's XML text that checks
// it is well formed, fills the records (their texts kept once in the pool)
// and hands every event on to the markup sinks.
#define G_LOG_DOMAIN "genapi"

#include "nodeproperties.h"

#include <glib.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <unordered_map>

namespace GenApi {
namespace Internal {

// Fills a NodeDescription while the parser reads the text: the pool, the
// element name table, and the elements of the nodes still open (a node's
// elements are stored together once it closes: an enumeration's own elements
// come before and after its entries', and a StructReg's entries get the
// register's shared elements only at its end).
struct DescriptionBuilder
{
    explicit DescriptionBuilder(NodeDescription* description) : d(description) {}

    // A copy of text in the pool, NUL-terminated; with a second text, that
    // follows the first's NUL (an element's attribute).
    const char* keep(std::string_view text, const char* second = nullptr)
    {
        const size_t secondSize = second ? std::strlen(second) + 1 : 0;
        const size_t needed = text.size() + 1 + secondSize;
        if (d->m_blocks.empty() || d->m_blockUsed + needed > d->m_blockSize) {
            // Blocks grow with the description, so that a small one stays small.
            const size_t next = d->m_blocks.empty() ? 4096 : std::min<size_t>(d->m_blockSize * 2, 256 * 1024);
            d->m_blockSize = std::max(next, needed);
            d->m_blocks.emplace_back(new char[d->m_blockSize]);
            d->m_blockUsed = 0;
        }
        char* out = d->m_blocks.back().get() + d->m_blockUsed;
        if (!text.empty())
            std::memcpy(out, text.data(), text.size());
        out[text.size()] = '\0';
        if (second)
            std::memcpy(out + text.size() + 1, second, secondSize);
        d->m_blockUsed += needed;
        return out;
    }

    uint32_t element(std::string_view name)
    {
        const auto it = elements.find(name);
        if (it != elements.end())
            return it->second;
        const uint32_t id = static_cast<uint32_t>(d->m_elementNames.size());
        const std::string_view kept(keep(name), name.size());
        d->m_elementNames.push_back(kept);
        elements.emplace(kept, id);
        return id;
    }

    std::string_view view(const char* text) { return std::string_view(keep(text)); }
    std::string_view elementView(std::string_view name) { return d->m_elementNames[element(name)]; }

    // Short texts repeat across nodes ("RO", "Expert", "4", a port's name):
    // each is kept once. Texts with an attribute are kept with it.
    const char* keepValue(std::string_view value, const char* attribute)
    {
        if (attribute || value.size() > kSharedTextLength)
            return keep(value, attribute);
        const auto it = shortTexts.find(value);
        if (it != shortTexts.end())
            return it->second;
        const char* kept = keep(value);
        shortTexts.emplace(std::string_view(kept, value.size()), kept);
        return kept;
    }

    PropertySlot slot(std::string_view name, std::string_view value, const char* attribute)
    {
        PropertySlot slot;
        slot.value = keepValue(value, attribute);
        slot.size = static_cast<uint32_t>(value.size());
        slot.element = element(name) & 0x7FFFFFFFu;
        slot.hasAttribute = attribute ? 1 : 0;
        return slot;
    }

    // Stores the node's gathered elements and entries after those already stored.
    void store(int index, const std::vector<PropertySlot>& slots, const std::vector<int>& entries)
    {
        NodeRecord& record = d->records[static_cast<size_t>(index)];
        record.m_owner = d;
        record.m_firstProperty = static_cast<uint32_t>(d->m_properties.size());
        record.m_propertyCount = static_cast<uint32_t>(slots.size());
        d->m_properties.insert(d->m_properties.end(), slots.begin(), slots.end());
        record.m_firstEntry = static_cast<uint32_t>(d->m_entries.size());
        record.m_entryCount = static_cast<uint32_t>(entries.size());
        d->m_entries.insert(d->m_entries.end(), entries.begin(), entries.end());
    }

    void finish()
    {
        for (NodeRecord& record : d->records)
            record.m_owner = d;
        d->records.shrink_to_fit();
        d->m_properties.shrink_to_fit();
        d->m_entries.shrink_to_fit();
        d->m_elementNames.shrink_to_fit();
        // At most half full, so that a probe ends soon at an empty slot.
        size_t slots = 16;
        while (slots < 2 * d->records.size())
            slots *= 2;
        d->m_byName.assign(slots, -1);
        for (size_t i = 0; i < d->records.size(); ++i) {
            const std::string_view name = d->records[i].name;
            size_t slot = std::hash<std::string_view>()(name) & (slots - 1);
            while (d->m_byName[slot] >= 0 && d->records[size_t(d->m_byName[slot])].name != name)
                slot = (slot + 1) & (slots - 1);
            // Of two records with one name, the first in the document is found.
            if (d->m_byName[slot] < 0)
                d->m_byName[slot] = static_cast<int>(i);
        }
    }

    NodeDescription* d;
    static constexpr size_t kSharedTextLength = 32;
    std::unordered_map<std::string_view, uint32_t> elements;      // keys in the pool
    std::unordered_map<std::string_view, const char*> shortTexts; // keys in the pool
};

namespace {

// What an open element is to the parser.
enum class Frame
{
    Root,      // RegisterDescription
    Group,     // a Group (or another container without a name): its children are nodes
    Node,      // a node: its children are properties
    StructReg, // a StructReg: its StructEntry children are nodes, the rest shared properties
    Property,  // an element of a node: its text is collected
    Ignored    // anything deeper (Extension contents, ...)
};

const int kMaxElementDepth = 64;

struct OpenNode
{
    int index = -1;
    std::vector<PropertySlot> slots;
    std::vector<int> entries;
};

struct ParseState
{
    explicit ParseState(NodeDescription* d) : description(d), builder(d) {}
    NodeDescription* description;
    std::vector<MarkupSink*> sinks;
    DescriptionBuilder builder;
    std::vector<Frame> frames;
    std::vector<OpenNode> nodeStack; // every open Node frame
    // A StructReg's own elements, shared by its entries, and its entries
    // (stored when the register closes).
    std::vector<PropertySlot> structShared;
    std::vector<OpenNode> structEntries;
    // The element being read: its name, first attribute and text.
    std::string element;
    std::string attribute;
    bool hasAttribute = false;
    std::string text;
    bool sawRoot = false;
};

const char* attributeValue(const gchar** names, const gchar** values, const char* wanted)
{
    for (int i = 0; names[i]; ++i) {
        if (std::strcmp(names[i], wanted) == 0)
            return values[i];
    }
    return nullptr;
}

std::string_view trimmed(const std::string& text)
{
    const char* blanks = " \t\r\n";
    size_t begin = text.find_first_not_of(blanks);
    if (begin == std::string::npos)
        return std::string_view();
    size_t end = text.find_last_not_of(blanks);
    return std::string_view(text).substr(begin, end - begin + 1);
}

int addRecord(GMarkupParseContext* context, ParseState* state, const char* element, const gchar** names,
              const gchar** values)
{
    NodeRecord record;
    record.type = state->builder.elementView(element);
    g_markup_parse_context_get_position(context, &record.line, nullptr);
    const char* name = attributeValue(names, values, "Name");
    record.symbolic = state->builder.view(name ? name : "");
    record.name = record.symbolic;
    const char* nameSpace = attributeValue(names, values, "NameSpace");
    if (nameSpace)
        record.nameSpace = std::string_view(state->builder.keepValue(nameSpace, nullptr));
    state->description->records.push_back(record);
    return static_cast<int>(state->description->records.size()) - 1;
}

// An element of a node (or of a StructReg) starts: its text is gathered until it ends.
void startProperty(ParseState* state, const char* element, const gchar** names, const gchar** values)
{
    state->element = element;
    state->hasAttribute = names[0] != nullptr;
    state->attribute = state->hasAttribute ? values[0] : "";
    state->text.clear();
    state->frames.push_back(Frame::Property);
}

// GLib's markup parser lets through some of what XML forbids: the same
// attribute twice in one element (Aravis's document keeps the first value
// and frees it when the second comes, then uses it), more than one root
// element, '<' in an attribute value and characters XML does not allow
// (C0 controls but TAB, LF and CR, also as character references). Each is
// refused here, before any sink sees the element.
bool isForbiddenCharacter(unsigned char c)
{
    return c < 0x20 && c != '\t' && c != '\n' && c != '\r';
}

bool hasForbiddenCharacter(const char* text, size_t length)
{
    for (size_t i = 0; i < length; ++i) {
        if (isForbiddenCharacter(static_cast<unsigned char>(text[i])))
            return true;
    }
    return false;
}

// GLib's markup parser takes a raw '<' inside an attribute value as text,
// where XML refuses it; an escaped one (&lt;) is a character like any other,
// so the check reads the text itself rather than the decoded values. Gives the
// line of the first such '<', or 0. Comments, CDATA sections, processing
// instructions and declarations hold no attributes and are stepped over.
int lineOfRawLessThanInAttribute(const char* text, size_t length)
{
    int line = 1;
    const auto at = [&](size_t i, const char* word) {
        const size_t n = std::strlen(word);
        return length - i >= n && std::memcmp(text + i, word, n) == 0;
    };
    // Steps over a construct that ends with `end`, counting its lines.
    const auto skipPast = [&](size_t i, const char* end) {
        const size_t n = std::strlen(end);
        for (; i < length; ++i) {
            if (length - i >= n && std::memcmp(text + i, end, n) == 0)
                return i + n - 1;
            if (text[i] == '\n')
                ++line;
        }
        return length;
    };
    bool inTag = false;
    char quote = 0;
    for (size_t i = 0; i < length; ++i) {
        const char c = text[i];
        if (c == '\n')
            ++line;
        if (!inTag) {
            if (c != '<')
                continue;
            if (at(i, "<!--"))
                i = skipPast(i + 4, "-->");
            else if (at(i, "<![CDATA["))
                i = skipPast(i + 9, "]]>");
            else if (at(i, "<?"))
                i = skipPast(i + 2, "?>");
            else if (at(i, "<!"))
                i = skipPast(i + 2, ">");
            else
                inTag = true;
        } else if (quote) {
            if (c == quote)
                quote = 0;
            else if (c == '<')
                return line;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            inTag = false;
        }
    }
    return 0;
}

void setMarkupError(GMarkupParseContext* context, GError** error, const std::string& what)
{
    int line = 0;
    g_markup_parse_context_get_position(context, &line, nullptr);
    g_set_error(error, G_MARKUP_ERROR, G_MARKUP_ERROR_INVALID_CONTENT, "line %d: %s", line, what.c_str());
}

bool wellFormedStart(GMarkupParseContext* context, const ParseState* state, const gchar* element,
                     const gchar** names, const gchar** values, GError** error)
{
    if (state->frames.empty() && state->sawRoot) {
        setMarkupError(context, error,
                       "a second root element <" + std::string(element) + "> after </RegisterDescription>");
        return false;
    }
    for (int i = 0; names[i]; ++i) {
        for (int j = 0; j < i; ++j) {
            if (std::strcmp(names[i], names[j]) == 0) {
                setMarkupError(context, error,
                               "<" + std::string(element) + "> gives the attribute " + names[i] +
                                   " twice; an attribute may appear once in an element");
                return false;
            }
        }
        const size_t length = std::strlen(values[i]);
        if (hasForbiddenCharacter(values[i], length)) {
            setMarkupError(context, error,
                           "the attribute " + std::string(names[i]) + " of <" + element +
                               "> holds a control character, which XML does not allow");
            return false;
        }
    }
    return true;
}

void startElement(GMarkupParseContext* context, const gchar* element, const gchar** names,
                  const gchar** values, gpointer userData, GError** error)
{
    auto* state = static_cast<ParseState*>(userData);
    NodeDescription* description = state->description;
    if (!wellFormedStart(context, state, element, names, values, error))
        return;
    for (MarkupSink* sink : state->sinks)
        sink->startElement(element, const_cast<const char**>(names), const_cast<const char**>(values));

    if (state->frames.empty()) {
        if (std::strcmp(element, "RegisterDescription") != 0) {
            g_set_error(error, G_MARKUP_ERROR, G_MARKUP_ERROR_INVALID_CONTENT,
                        "root element is <%s>, not <RegisterDescription>", element);
            return;
        }
        const char* model = attributeValue(names, values, "ModelName");
        const char* vendor = attributeValue(names, values, "VendorName");
        description->modelName = model ? model : "";
        description->vendorName = vendor ? vendor : "";
        state->sawRoot = true;
        state->frames.push_back(Frame::Root);
        return;
    }

    // Aravis's XML reader stops at a depth of 256 and would see less of the
    // document than we do; no description needs more than a few levels.
    if (state->frames.size() >= static_cast<size_t>(kMaxElementDepth)) {
        g_set_error(error, G_MARKUP_ERROR, G_MARKUP_ERROR_INVALID_CONTENT,
                    "elements nest deeper than %d levels", kMaxElementDepth);
        return;
    }
    const Frame parent = state->frames.back();
    switch (parent) {
    case Frame::Root:
    case Frame::Group:
        if (std::strcmp(element, "StructReg") == 0) {
            state->structShared.clear();
            state->structEntries.clear();
            state->frames.push_back(Frame::StructReg);
        } else if (std::strcmp(element, "EnumEntry") == 0) {
            // An entry of a nameless enumeration, or of none: no node can
            // reach it, and it has no name of its own in the node map.
            int line = 0;
            g_markup_parse_context_get_position(context, &line, nullptr);
            g_warning("line %d: <EnumEntry> outside a named <Enumeration>, left out", line);
            state->frames.push_back(Frame::Ignored);
        } else if (attributeValue(names, values, "Name")) {
            OpenNode node;
            node.index = addRecord(context, state, element, names, values);
            state->nodeStack.push_back(std::move(node));
            state->frames.push_back(Frame::Node);
        } else {
            state->frames.push_back(Frame::Group);
        }
        return;
    case Frame::StructReg:
        if (std::strcmp(element, "StructEntry") == 0) {
            OpenNode node;
            node.index = addRecord(context, state, element, names, values);
            state->nodeStack.push_back(std::move(node));
            state->frames.push_back(Frame::Node);
        } else {
            startProperty(state, element, names, values);
        }
        return;
    case Frame::Node: {
        OpenNode& owner = state->nodeStack.back();
        if (std::strcmp(element, "EnumEntry") == 0 &&
            description->records[static_cast<size_t>(owner.index)].type == "Enumeration") {
            const int index = addRecord(context, state, element, names, values);
            owner.entries.push_back(index);
            NodeRecord& entry = description->records[static_cast<size_t>(index)];
            const NodeRecord& enumeration = description->records[static_cast<size_t>(owner.index)];
            const std::string name =
                "EnumEntry_" + std::string(enumeration.name) + "_" + std::string(entry.symbolic);
            entry.name = std::string_view(state->builder.keep(name), name.size());
            entry.enumeration = owner.index;
            OpenNode node;
            node.index = index;
            state->nodeStack.push_back(std::move(node));
            state->frames.push_back(Frame::Node);
            return;
        }
        if ((std::strcmp(element, "IntSwissKnife") == 0 || std::strcmp(element, "SwissKnife") == 0) &&
            attributeValue(names, values, "Name") &&
            isRegisterType(description->records[static_cast<size_t>(owner.index)].type)) {
            // A formula written inside a register (an address term): a node
            // of its own, as GenApi makes it, that the register reads.
            const int index = addRecord(context, state, element, names, values);
            const std::string_view name = description->records[static_cast<size_t>(index)].name;
            owner.slots.push_back(state->builder.slot("pAddress", name, nullptr));
            OpenNode node;
            node.index = index;
            state->nodeStack.push_back(std::move(node));
            state->frames.push_back(Frame::Node);
            return;
        }
        startProperty(state, element, names, values);
        return;
    }
    case Frame::Property:
    case Frame::Ignored:
        state->frames.push_back(Frame::Ignored);
        return;
    }
}

void endElement(GMarkupParseContext*, const gchar*, gpointer userData, GError**)
{
    auto* state = static_cast<ParseState*>(userData);
    for (MarkupSink* sink : state->sinks)
        sink->endElement();
    const Frame frame = state->frames.back();
    state->frames.pop_back();

    switch (frame) {
    case Frame::Property: {
        const PropertySlot slot = state->builder.slot(
            state->element, trimmed(state->text), state->hasAttribute ? state->attribute.c_str() : nullptr);
        if (state->frames.back() == Frame::StructReg)
            state->structShared.push_back(slot);
        else
            state->nodeStack.back().slots.push_back(slot);
        state->text.clear();
        break;
    }
    case Frame::Node: {
        OpenNode node = std::move(state->nodeStack.back());
        state->nodeStack.pop_back();
        if (state->frames.back() == Frame::StructReg)
            state->structEntries.push_back(std::move(node)); // stored with the shared elements
        else
            state->builder.store(node.index, node.slots, node.entries);
        break;
    }
    case Frame::StructReg:
        // Every entry shares the register's elements (address, port, length,
        // access, ...) unless it sets them itself.
        for (OpenNode& entry : state->structEntries) {
            for (const PropertySlot& shared : state->structShared) {
                const bool own =
                    std::any_of(entry.slots.begin(), entry.slots.end(),
                                [&](const PropertySlot& slot) { return slot.element == shared.element; });
                if (!own)
                    entry.slots.push_back(shared);
            }
            state->builder.store(entry.index, entry.slots, entry.entries);
        }
        state->structEntries.clear();
        state->structShared.clear();
        break;
    default:
        break;
    }
}

void collectText(GMarkupParseContext* context, const gchar* text, gsize length, gpointer userData,
                 GError** error)
{
    auto* state = static_cast<ParseState*>(userData);
    if (hasForbiddenCharacter(text, length)) {
        setMarkupError(context, error, "the text holds a control character, which XML does not allow");
        return;
    }
    for (MarkupSink* sink : state->sinks)
        sink->text(text, length);
    if (!state->frames.empty() && state->frames.back() == Frame::Property)
        state->text.append(text, length);
}

} // namespace

bool NodeDescription::parse(const std::string& xml, std::string* error, const std::vector<MarkupSink*>& sinks)
{
    records.clear();
    m_properties.clear();
    m_entries.clear();
    m_elementNames.clear();
    m_byName.clear();
    m_blocks.clear();
    m_blockSize = m_blockUsed = 0;
    modelName.clear();
    vendorName.clear();
    // Texts are kept with 32-bit lengths; no description comes near that.
    if (xml.size() >= UINT32_MAX) {
        if (error)
            *error =
                "the description is " + std::to_string(xml.size()) + " bytes long, more than can be read";
        return false;
    }

    // A UTF-8 byte order mark is not markup.
    const size_t skip = xml.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    if (const int line = lineOfRawLessThanInAttribute(xml.data() + skip, xml.size() - skip)) {
        if (error)
            *error = "the description is not well-formed XML: line " + std::to_string(line) +
                     ": an attribute value holds a '<'";
        return false;
    }

    GMarkupParser parser = {};
    parser.start_element = startElement;
    parser.end_element = endElement;
    parser.text = collectText;

    ParseState state(this);
    state.sinks = sinks;
    GMarkupParseContext* context = g_markup_parse_context_new(
        &parser, GMarkupParseFlags(G_MARKUP_TREAT_CDATA_AS_TEXT | G_MARKUP_PREFIX_ERROR_POSITION), &state,
        nullptr);
    GError* gerror = nullptr;
    bool ok = g_markup_parse_context_parse(context, xml.data() + skip, static_cast<gssize>(xml.size() - skip),
                                           &gerror) &&
              g_markup_parse_context_end_parse(context, &gerror);
    g_markup_parse_context_free(context);

    if (!ok || !state.sawRoot) {
        if (error)
            *error = gerror ? std::string("the description is not well-formed XML: ") + gerror->message
                            : std::string("the description has no <RegisterDescription> element");
        if (gerror)
            g_error_free(gerror);
        records.clear();
        return false;
    }
    state.builder.finish();
    return true;
}

} // namespace Internal
} // namespace GenApi

#define G_LOG_DOMAIN "genapi"

#include "nodeproperties.h"

#include <glib.h>

#include <cctype>
#include <cstring>

namespace GenApi {
namespace Internal {

const NodeProperty* NodeRecord::find(const std::string& element) const
{
    for (const NodeProperty& property : properties) {
        if (property.name == element)
            return &property;
    }
    return nullptr;
}

std::string NodeRecord::text(const std::string& element, const std::string& fallback) const
{
    const NodeProperty* property = find(element);
    return property ? property->value : fallback;
}

const std::string& NodeRecord::attributeOf(const NodeProperty& property) const
{
    static const std::string none;
    return property.attribute < 0 ? none : attributes[static_cast<size_t>(property.attribute)];
}

void NodeRecord::addProperty(std::string element, std::string value, const char* attribute)
{
    NodeProperty property;
    property.name = std::move(element);
    property.value = std::move(value);
    if (attribute) {
        property.attribute = static_cast<int>(attributes.size());
        attributes.emplace_back(attribute);
    }
    properties.push_back(std::move(property));
}

std::vector<std::string> NodeRecord::all(const std::string& element) const
{
    std::vector<std::string> texts;
    for (const NodeProperty& property : properties) {
        if (property.name == element)
            texts.push_back(property.value);
    }
    return texts;
}

bool isNodeReference(const std::string& element)
{
    return element.size() > 1 && element[0] == 'p' && std::isupper(static_cast<unsigned char>(element[1]));
}

bool isRegisterType(const std::string& type)
{
    return type == "IntReg" || type == "MaskedIntReg" || type == "FloatReg" || type == "StringReg" ||
           type == "Register" || type == "StructEntry";
}

int NodeDescription::indexOf(const std::string& name) const
{
    auto it = byName.find(name);
    return it == byName.end() ? -1 : it->second;
}

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

struct ParseState
{
    NodeDescription* description = nullptr;
    std::vector<Frame> frames;
    std::vector<int> nodeStack; // record index of every open Node frame
    NodeRecord structShared;    // a StructReg's own elements, shared by its entries
    std::vector<int> structEntries;
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

std::string trimmed(const std::string& text)
{
    const char* blanks = " \t\r\n";
    size_t begin = text.find_first_not_of(blanks);
    if (begin == std::string::npos)
        return std::string();
    size_t end = text.find_last_not_of(blanks);
    return text.substr(begin, end - begin + 1);
}

int addRecord(GMarkupParseContext* context, ParseState* state, const char* element, const gchar** names,
              const gchar** values)
{
    NodeRecord record;
    record.type = element;
    g_markup_parse_context_get_position(context, &record.line, nullptr);
    const char* name = attributeValue(names, values, "Name");
    record.symbolic = name ? name : "";
    record.name = record.symbolic;
    const char* nameSpace = attributeValue(names, values, "NameSpace");
    record.nameSpace = nameSpace ? nameSpace : "";
    state->description->records.push_back(std::move(record));
    return static_cast<int>(state->description->records.size()) - 1;
}

void startElement(GMarkupParseContext* context, const gchar* element, const gchar** names,
                  const gchar** values, gpointer userData, GError** error)
{
    auto* state = static_cast<ParseState*>(userData);
    NodeDescription* description = state->description;

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
            state->structShared = NodeRecord();
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
            state->nodeStack.push_back(addRecord(context, state, element, names, values));
            state->frames.push_back(Frame::Node);
        } else {
            state->frames.push_back(Frame::Group);
        }
        return;
    case Frame::StructReg:
        if (std::strcmp(element, "StructEntry") == 0) {
            int index = addRecord(context, state, element, names, values);
            state->structEntries.push_back(index);
            state->nodeStack.push_back(index);
            state->frames.push_back(Frame::Node);
        } else {
            state->structShared.addProperty(element, std::string(), names[0] ? values[0] : nullptr);
            state->text.clear();
            state->frames.push_back(Frame::Property);
        }
        return;
    case Frame::Node: {
        const int owner = state->nodeStack.back();
        if (std::strcmp(element, "EnumEntry") == 0 && description->records[owner].type == "Enumeration") {
            int index = addRecord(context, state, element, names, values);
            NodeRecord& entry = description->records[index];
            NodeRecord& enumeration = description->records[owner];
            entry.name = "EnumEntry_" + enumeration.name + "_" + entry.symbolic;
            entry.enumeration = owner;
            enumeration.entries.push_back(index);
            state->nodeStack.push_back(index);
            state->frames.push_back(Frame::Node);
            return;
        }
        description->records[owner].addProperty(element, std::string(), names[0] ? values[0] : nullptr);
        state->text.clear();
        state->frames.push_back(Frame::Property);
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
    NodeDescription* description = state->description;
    const Frame frame = state->frames.back();
    state->frames.pop_back();

    switch (frame) {
    case Frame::Property: {
        const Frame owner = state->frames.back();
        if (owner == Frame::StructReg)
            state->structShared.properties.back().value = trimmed(state->text);
        else
            description->records[state->nodeStack.back()].properties.back().value = trimmed(state->text);
        state->text.clear();
        break;
    }
    case Frame::Node:
        state->nodeStack.pop_back();
        break;
    case Frame::StructReg:
        // Every entry shares the register's elements (address, port, length,
        // access, ...) unless it sets them itself.
        for (int index : state->structEntries) {
            NodeRecord& entry = description->records[index];
            for (const NodeProperty& shared : state->structShared.properties) {
                if (!entry.has(shared.name)) {
                    const std::string& attribute = state->structShared.attributeOf(shared);
                    entry.addProperty(shared.name, shared.value,
                                      shared.attribute < 0 ? nullptr : attribute.c_str());
                }
            }
        }
        state->structEntries.clear();
        state->structShared = NodeRecord();
        break;
    default:
        break;
    }
}

void collectText(GMarkupParseContext*, const gchar* text, gsize length, gpointer userData, GError**)
{
    auto* state = static_cast<ParseState*>(userData);
    if (!state->frames.empty() && state->frames.back() == Frame::Property)
        state->text.append(text, length);
}

} // namespace

bool NodeDescription::parse(const std::string& xml, std::string* error)
{
    records.clear();
    byName.clear();
    modelName.clear();
    vendorName.clear();

    GMarkupParser parser = {};
    parser.start_element = startElement;
    parser.end_element = endElement;
    parser.text = collectText;

    ParseState state;
    state.description = this;
    GMarkupParseContext* context = g_markup_parse_context_new(
        &parser, GMarkupParseFlags(G_MARKUP_TREAT_CDATA_AS_TEXT | G_MARKUP_PREFIX_ERROR_POSITION), &state,
        nullptr);
    GError* gerror = nullptr;
    // A UTF-8 byte order mark is not markup.
    const size_t skip = xml.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
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

    // The record lives as long as the device: give back what the vectors
    // grew beyond their contents while parsing (a quarter of its heap on
    // large descriptions).
    records.shrink_to_fit();
    byName.reserve(records.size());
    for (size_t i = 0; i < records.size(); ++i) {
        records[i].properties.shrink_to_fit();
        records[i].entries.shrink_to_fit();
        records[i].attributes.shrink_to_fit();
        byName.emplace(records[i].name, static_cast<int>(i));
    }
    return true;
}

} // namespace Internal
} // namespace GenApi

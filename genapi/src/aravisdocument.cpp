#define G_LOG_DOMAIN "genapi"

#include "aravisdocument.h"

#include "aravisparsegate.h"

#include "simdescription.h"

#include <cstring>

namespace GenApi {
namespace Internal {

namespace {

// Aravis reads register addresses as signed 64-bit numbers and clamps
// anything from 0x8000000000000000 up: such a hexadecimal address is given
// as the negative decimal of the same 64-bit pattern, which it reads right.
std::string addressForAravis(const std::string& text)
{
    long long value = 0;
    if (text.size() < 3 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X') ||
        !ParseInteger(text, &value) || value >= 0)
        return text;
    return std::to_string(value);
}

// Elements that no evaluation reads: the node layer answers them from its own
// record and never asks Aravis. A device's document leaves them out; in a
// large description they are a third of the elements, and every element
// Aravis keeps costs an object for itself and one for its text.
bool onlyReadBack(const char* element)
{
    static const char* const names[] = {"ToolTip",         "Description",     "DisplayName", "Visibility",
                                        "DocuURL",         "pFeature",        "Unit",        "Representation",
                                        "DisplayNotation", "DisplayPrecision"};
    for (const char* name : names) {
        if (std::strcmp(element, name) == 0)
            return true;
    }
    return false;
}

} // namespace

AravisDocumentBuilder::~AravisDocumentBuilder()
{
    g_clear_object(&m_gc);
}

ArvGc* AravisDocumentBuilder::take()
{
    ArvGc* gc = m_gc;
    m_gc = nullptr;
    m_current = nullptr;
    return gc;
}

void AravisDocumentBuilder::flushText()
{
    if (m_text.empty())
        return;
    std::string text;
    text.swap(m_text);
    if (m_skipped > 0 || !m_current)
        return;
    const size_t start = text.find_first_not_of(" \t\r\n");
    if (start == std::string::npos)
        return;
    text.erase(0, start);
    if (!m_address.empty() && m_address.back()) {
        const size_t end = text.find_last_not_of(" \t\r\n");
        text = addressForAravis(text.substr(0, end + 1));
    }
    ArvDomText* node = arv_dom_document_create_text_node(ARV_DOM_DOCUMENT(m_gc), text.c_str());
    if (node)
        arv_dom_node_append_child(m_current, ARV_DOM_NODE(node));
}

void AravisDocumentBuilder::startElement(const char* element, const char** names, const char** values)
{
    flushText();
    if (m_skipped > 0) {
        ++m_skipped;
        return;
    }
    if (!m_gc) {
        // The root: a document with an empty root element, over the device.
        static const char root[] = "<RegisterDescription/>";
        if (std::strcmp(element, "RegisterDescription") == 0) {
            AravisParseScope parsing;
            m_gc = arv_gc_new(m_device, root, sizeof(root) - 1);
        }
        ArvDomElement* top = m_gc ? arv_dom_document_get_document_element(ARV_DOM_DOCUMENT(m_gc)) : nullptr;
        if (!top) {
            g_clear_object(&m_gc);
            m_skipped = 1;
            return;
        }
        m_current = ARV_DOM_NODE(top);
        for (int i = 0; names[i]; ++i)
            arv_dom_element_set_attribute(top, names[i], values[i]);
        m_address.push_back(false);
        return;
    }
    if (m_content == EvaluatedOnly && onlyReadBack(element)) {
        m_skipped = 1;
        return;
    }
    ArvDomElement* created = arv_dom_document_create_element(ARV_DOM_DOCUMENT(m_gc), element);
    // Aravis takes the new element (and drops it when it cannot append it).
    ArvDomNode* node = created ? arv_dom_node_append_child(m_current, ARV_DOM_NODE(created)) : nullptr;
    if (!node) {
        m_skipped = 1;
        return;
    }
    for (int i = 0; names[i]; ++i)
        arv_dom_element_set_attribute(ARV_DOM_ELEMENT(node), names[i], values[i]);
    m_current = node;
    m_address.push_back(std::strcmp(element, "Address") == 0);
}

void AravisDocumentBuilder::endElement()
{
    flushText();
    if (m_skipped > 0) {
        --m_skipped;
        return;
    }
    if (!m_current)
        return;
    m_address.pop_back();
    m_current = m_address.empty() ? nullptr : arv_dom_node_get_parent_node(m_current);
}

void AravisDocumentBuilder::text(const char* text, size_t length)
{
    if (m_skipped == 0 && m_current)
        m_text.append(text, length);
}

} // namespace Internal
} // namespace GenApi

#include "documentprobe.h"

#include "aravisdocument.h"
#include "simdescription.h"

#include <arv.h>

namespace campane {

namespace {

using namespace GenApi::Internal;

void describe(ArvDomNode* node, bool address, std::string* out)
{
    for (ArvDomNode* child = arv_dom_node_get_first_child(node); child;
         child = arv_dom_node_get_next_sibling(child)) {
        if (ARV_IS_DOM_TEXT(child)) {
            std::string text = arv_dom_character_data_get_data(ARV_DOM_CHARACTER_DATA(child));
            long long value = 0;
            if (address && ParseInteger(text, &value))
                text = std::to_string(value);
            for (char c : text) {
                if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
                    *out += c;
            }
            continue;
        }
        const std::string name = arv_dom_node_get_node_name(child);
        *out += "<" + name;
        const char* feature = ARV_IS_GC_FEATURE_NODE(child)
                                  ? arv_gc_feature_node_get_name(ARV_GC_FEATURE_NODE(child))
                                  : nullptr;
        if (feature)
            *out += std::string(" ") + feature;
        *out += " ";
        describe(child, name == "Address", out);
        *out += ">";
    }
}

std::string describe(ArvGc* gc)
{
    std::string out;
    if (gc)
        describe(ARV_DOM_NODE(gc), false, &out);
    g_clear_object(&gc);
    return out;
}

} // namespace

std::string DescribeAravisParse(const std::string& xml)
{
    return describe(arv_gc_new(nullptr, xml.data(), xml.size()));
}

std::string DescribeOwnParse(const std::string& xml)
{
    NodeDescription description;
    AravisDocumentBuilder builder(nullptr);
    std::string error;
    if (!description.parse(xml, &error, {&builder}))
        return std::string();
    return describe(builder.take());
}

} // namespace campane

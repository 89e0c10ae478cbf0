#define G_LOG_DOMAIN "genapi"

#include "devicecontext.h"

#include "aravisdocument.h"

#include <zlib.h>

namespace GenApi {
namespace Internal {

DeviceContext::~DeviceContext()
{
    // The description first: its nodes point at the device.
    g_clear_object(&gc);
    g_clear_object(&device);
}

void DeviceContext::packDescription()
{
    std::lock_guard<std::recursive_mutex> lock(mutex);
    if (xml.empty() || !packedXml.empty())
        return;
    uLongf size = compressBound(static_cast<uLong>(xml.size()));
    std::vector<unsigned char> packed(size);
    // The fastest level: descriptions are repetitive markup and shrink
    // tenfold or more even so.
    if (compress2(packed.data(), &size, reinterpret_cast<const Bytef*>(xml.data()),
                  static_cast<uLong>(xml.size()), Z_BEST_SPEED) != Z_OK)
        return;
    packed.resize(size);
    packed.shrink_to_fit();
    packedXml = std::move(packed);
    packedXmlSize = xml.size();
    std::string().swap(xml);
}

std::string DeviceContext::descriptionText() const
{
    std::lock_guard<std::recursive_mutex> lock(mutex);
    if (packedXml.empty() || !xml.empty())
        return xml;
    std::string text(packedXmlSize, '\0');
    uLongf size = static_cast<uLongf>(packedXmlSize);
    if (uncompress(reinterpret_cast<Bytef*>(&text[0]), &size, packedXml.data(),
                   static_cast<uLong>(packedXml.size())) != Z_OK ||
        size != packedXmlSize) {
        g_warning("%s: the kept description cannot be unpacked", name.c_str());
        return std::string();
    }
    return text;
}

const std::string& DeviceContext::unpackedDescription()
{
    std::lock_guard<std::recursive_mutex> lock(mutex);
    if (xml.empty() && !packedXml.empty())
        xml = descriptionText();
    return xml;
}

bool BuildDescription(DeviceContext* ctx, std::string* error, MarkupSink* also)
{
    ctx->xml = DescriptionText(ctx->xml);
    AravisDocumentBuilder document(ctx->device, AravisDocumentBuilder::EvaluatedOnly);
    std::vector<MarkupSink*> sinks{&document};
    if (also)
        sinks.push_back(also);
    ctx->checked = CheckDescription(ctx->xml, error, sinks);
    if (!ctx->checked)
        return false;
    ctx->gc = document.take();
    if (!ctx->gc) {
        *error = "Aravis cannot read the description";
        ctx->checked.reset();
        return false;
    }
    return true;
}

bool RegisterLengthUsable(ArvGcNode* node, std::string_view type, std::string* why)
{
    if (!ARV_IS_GC_REGISTER(node))
        return true;
    GError* error = nullptr;
    const auto length = static_cast<gint64>(arv_gc_register_get_length(ARV_GC_REGISTER(node), &error));
    if (error) {
        *why = std::string("its length cannot be evaluated: ") + error->message;
        g_error_free(error);
        return false;
    }
    long long minimum = 0;
    long long maximum = 0;
    RegisterLengthBounds(type, &minimum, &maximum);
    if (length < minimum || length > maximum) {
        *why = "register length " + std::to_string(length) + " is outside " + std::to_string(minimum) +
               " to " + std::to_string(maximum) + " bytes for a " + std::string(type);
        return false;
    }
    return true;
}

} // namespace Internal
} // namespace GenApi

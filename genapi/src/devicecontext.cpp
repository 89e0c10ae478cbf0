#define G_LOG_DOMAIN "genapi"

#include "devicecontext.h"

#include "aravisdocument.h"

#include <zlib.h>

#include <mutex>
#include <unordered_map>

namespace GenApi {
namespace Internal {

DeviceContext::~DeviceContext()
{
    // The description first: its nodes point at the device.
    g_clear_object(&gc);
    g_clear_object(&device);
}

namespace {

// The descriptions of open devices, by text. Devices opened from one text
// (cameras of one model, copies of one file) share its checked record and
// its packed text instead of holding one each. The entries are weak: a
// description goes with the last device that holds it. Devices open on
// several threads (the service's, discovery's), hence the mutex.
struct KnownText
{
    std::weak_ptr<const CheckedDescription> checked;
    std::weak_ptr<const PackedText> packed;
};

std::mutex& knownMutex()
{
    static std::mutex mutex;
    return mutex;
}

// Never destroyed: devices may still close while the program exits.
std::unordered_map<std::string, KnownText>& knownTexts()
{
    static auto* texts = new std::unordered_map<std::string, KnownText>;
    return *texts;
}

// Called with knownMutex held.
void forgetClosedTexts()
{
    auto& texts = knownTexts();
    for (auto it = texts.begin(); it != texts.end();) {
        if (it->second.checked.expired() && it->second.packed.expired())
            it = texts.erase(it);
        else
            ++it;
    }
}

// The text comes from the device: a cryptographic digest, so that no crafted
// description can pass for another device's.
std::string keyOfText(const std::string& text)
{
    gchar* digest = g_compute_checksum_for_data(G_CHECKSUM_SHA256,
                                                reinterpret_cast<const guchar*>(text.data()), text.size());
    std::string key = std::string(digest ? digest : "") + ":" + std::to_string(text.size());
    g_free(digest);
    return key;
}

// The checked record of an open device with that text, or null.
std::shared_ptr<const CheckedDescription> knownDescription(const std::string& key)
{
    std::lock_guard<std::mutex> lock(knownMutex());
    auto it = knownTexts().find(key);
    return it == knownTexts().end() ? nullptr : it->second.checked.lock();
}

// Makes ctx's checked record the one that later devices of its text take, or
// takes the one another device registered for that text in the meantime.
void shareDescription(DeviceContext* ctx)
{
    std::lock_guard<std::mutex> lock(knownMutex());
    forgetClosedTexts();
    KnownText& known = knownTexts()[ctx->textKey];
    if (auto same = known.checked.lock())
        ctx->checked = std::move(same);
    else
        known.checked = ctx->checked;
}

// Gives the sinks the events of a text that was checked before (byte for
// byte the same): the events, in the order, that the checking parse gave,
// without building its record again.
bool replayMarkup(const std::string& xml, std::vector<MarkupSink*>& sinks)
{
    GMarkupParser parser = {};
    parser.start_element = [](GMarkupParseContext*, const gchar* element, const gchar** names,
                              const gchar** values, gpointer data, GError**) {
        for (MarkupSink* sink : *static_cast<std::vector<MarkupSink*>*>(data))
            sink->startElement(element, names, values);
    };
    parser.end_element = [](GMarkupParseContext*, const gchar*, gpointer data, GError**) {
        for (MarkupSink* sink : *static_cast<std::vector<MarkupSink*>*>(data))
            sink->endElement();
    };
    parser.text = [](GMarkupParseContext*, const gchar* text, gsize length, gpointer data, GError**) {
        for (MarkupSink* sink : *static_cast<std::vector<MarkupSink*>*>(data))
            sink->text(text, length);
    };
    GMarkupParseContext* context = g_markup_parse_context_new(
        &parser, GMarkupParseFlags(G_MARKUP_TREAT_CDATA_AS_TEXT | G_MARKUP_PREFIX_ERROR_POSITION), &sinks,
        nullptr);
    const bool ok =
        g_markup_parse_context_parse(context, xml.data(), static_cast<gssize>(xml.size()), nullptr) &&
        g_markup_parse_context_end_parse(context, nullptr);
    g_markup_parse_context_free(context);
    return ok;
}

} // namespace

void DeviceContext::packDescription()
{
    std::lock_guard<std::recursive_mutex> lock(mutex);
    if (xml.empty() || packedXml)
        return;
    if (!textKey.empty()) {
        std::lock_guard<std::mutex> knownLock(knownMutex());
        auto it = knownTexts().find(textKey);
        if (it != knownTexts().end()) {
            if (auto same = it->second.packed.lock()) {
                packedXml = std::move(same);
                std::string().swap(xml);
                return;
            }
        }
    }
    uLongf size = compressBound(static_cast<uLong>(xml.size()));
    auto packed = std::make_shared<PackedText>();
    packed->bytes.resize(size);
    // The fastest level: descriptions are repetitive markup and shrink
    // tenfold or more even so.
    if (compress2(packed->bytes.data(), &size, reinterpret_cast<const Bytef*>(xml.data()),
                  static_cast<uLong>(xml.size()), Z_BEST_SPEED) != Z_OK)
        return;
    packed->bytes.resize(size);
    packed->bytes.shrink_to_fit();
    packed->size = xml.size();
    packedXml = std::move(packed);
    std::string().swap(xml);
    if (!textKey.empty()) {
        std::lock_guard<std::mutex> knownLock(knownMutex());
        knownTexts()[textKey].packed = packedXml;
    }
}

std::string DeviceContext::descriptionText() const
{
    std::lock_guard<std::recursive_mutex> lock(mutex);
    if (!packedXml || !xml.empty())
        return xml;
    std::string text(packedXml->size, '\0');
    uLongf size = static_cast<uLongf>(packedXml->size);
    if (uncompress(reinterpret_cast<Bytef*>(&text[0]), &size, packedXml->bytes.data(),
                   static_cast<uLong>(packedXml->bytes.size())) != Z_OK ||
        size != packedXml->size) {
        g_warning("%s: the kept description cannot be unpacked", name.c_str());
        return std::string();
    }
    return text;
}

const std::string& DeviceContext::unpackedDescription()
{
    std::lock_guard<std::recursive_mutex> lock(mutex);
    if (xml.empty() && packedXml)
        xml = descriptionText();
    return xml;
}

bool IsKnownDescription(const std::string& text)
{
    return knownDescription(keyOfText(text)) != nullptr;
}

bool BuildDescription(DeviceContext* ctx, std::string* error, MarkupSink* also)
{
    ctx->xml = DescriptionText(ctx->xml);
    ctx->textKey = keyOfText(ctx->xml);
    AravisDocumentBuilder document(ctx->device, AravisDocumentBuilder::EvaluatedOnly);
    std::vector<MarkupSink*> sinks{&document};
    if (also)
        sinks.push_back(also);
    // A text an open device already has is not checked again.
    ctx->checked = knownDescription(ctx->textKey);
    if (ctx->checked && !replayMarkup(ctx->xml, sinks)) {
        *error = "the description cannot be read again";
        ctx->checked.reset();
        return false;
    }
    if (!ctx->checked)
        ctx->checked = CheckDescription(ctx->xml, error, sinks);
    if (!ctx->checked)
        return false;
    ctx->gc = document.take();
    if (!ctx->gc) {
        *error = "Aravis cannot read the description";
        ctx->checked.reset();
        return false;
    }
    shareDescription(ctx);
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

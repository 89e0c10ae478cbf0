#include "aravisparsegate.h"

#include <arv.h>

namespace GenApi {
namespace Internal {

AravisParseGate& AravisParseGate::instance()
{
    static AravisParseGate gate;
    return gate;
}

uint64_t AravisParseGate::enter(Turn turn)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (turn == Turn::Brief) {
        ++m_briefWaiting;
        m_free.wait(lock, [this] { return m_holder == 0; });
        --m_briefWaiting;
    } else {
        m_free.wait(lock, [this] { return m_holder == 0 && m_briefWaiting == 0; });
    }
    m_holder = ++m_lastTicket;
    return m_holder;
}

void AravisParseGate::leave(uint64_t ticket)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (ticket == 0 || m_holder != ticket)
            return;
        m_holder = 0;
    }
    // Every waiter looks: a brief parse goes first, whoever is woken.
    m_free.notify_all();
}

namespace {

thread_local AravisParseWatch* t_watch = nullptr;
void (*g_documentConstructed)(GObject*) = nullptr;
gboolean (*g_addressToNative)(GSocketAddress*, gpointer, gsize, GError**) = nullptr;

void documentConstructed(GObject* object)
{
    if (g_documentConstructed)
        g_documentConstructed(object);
    if (t_watch)
        t_watch->documentMade();
}

gboolean addressToNative(GSocketAddress* address, gpointer dest, gsize length, GError** error)
{
    if (t_watch)
        t_watch->packetSent();
    return g_addressToNative(address, dest, length, error);
}

} // namespace

AravisParseWatch::AravisParseWatch(std::function<void()> onParsed) : m_onParsed(std::move(onParsed))
{
    static std::once_flag hooked;
    std::call_once(hooked, [] {
        // Both classes stay referenced for the life of the process, and so
        // do the hooks. Made by the process's first Aravis open, holding the
        // gate: no document is being built, and no Aravis device exists yet
        // that could send a packet (our own sockets are plain ones).
        GObjectClass* document = G_OBJECT_CLASS(g_type_class_ref(ARV_TYPE_GC));
        g_documentConstructed = document->constructed;
        document->constructed = &documentConstructed;
        GSocketAddressClass* address = G_SOCKET_ADDRESS_CLASS(g_type_class_ref(G_TYPE_INET_SOCKET_ADDRESS));
        g_addressToNative = address->to_native;
        address->to_native = &addressToNative;
    });
    t_watch = this;
}

AravisParseWatch::~AravisParseWatch()
{
    t_watch = nullptr;
}

void AravisParseWatch::documentMade()
{
    m_documentMade = true;
}

void AravisParseWatch::packetSent()
{
    if (!m_documentMade || !m_onParsed)
        return;
    auto onParsed = std::move(m_onParsed);
    m_onParsed = nullptr;
    onParsed();
}

} // namespace Internal
} // namespace GenApi

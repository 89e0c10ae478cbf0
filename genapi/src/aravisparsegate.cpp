#include "aravisparsegate.h"

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

} // namespace Internal
} // namespace GenApi

#include "aravisparsegate.h"

namespace GenApi {
namespace Internal {

AravisParseGate& AravisParseGate::instance()
{
    static AravisParseGate gate;
    return gate;
}

uint64_t AravisParseGate::enter()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_free.wait(lock, [this] { return m_holder == 0; });
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
    m_free.notify_one();
}

} // namespace Internal
} // namespace GenApi

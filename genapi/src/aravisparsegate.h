// Aravis 0.8 parses XML with its parser state in a static variable: two
// documents parsed at the same time in one process corrupt each other's
// nodes and the heap. Aravis parses in arv_gc_new and in a device's open
// (the device's description, then Aravis's own default features, one small
// parse each). Every call into Aravis that parses goes through this gate,
// one at a time. A brief parse (a new document's root, well under a
// millisecond; it may be the GUI thread's, opening a simulated device) goes
// before the opens that wait, so that it waits for the one under way at most.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

namespace GenApi {
namespace Internal {

class AravisParseGate
{
public:
    static AravisParseGate& instance();

    enum class Turn
    {
        Open,  //!< a device's open: after every brief parse that waits
        Brief, //!< a parse that always returns at once
    };

    //! Waits until no one holds the gate (and, for an open, no brief parse
    //! waits); returns the ticket that leaves it.
    uint64_t enter(Turn turn);
    //! Leaves the gate if ticket still holds it: a later call with the same
    //! ticket does nothing, so that an open that outlives its caller can be
    //! let go by the caller and still leave when Aravis returns.
    void leave(uint64_t ticket);

private:
    std::mutex m_mutex;
    std::condition_variable m_free;
    uint64_t m_holder = 0; //!< 0: free
    uint64_t m_lastTicket = 0;
    int m_briefWaiting = 0;
};

//! Holds the gate for a scope (a brief parse, which always returns).
class AravisParseScope
{
public:
    AravisParseScope() : m_ticket(AravisParseGate::instance().enter(AravisParseGate::Turn::Brief)) {}
    ~AravisParseScope() { AravisParseGate::instance().leave(m_ticket); }
    AravisParseScope(const AravisParseScope&) = delete;
    AravisParseScope& operator=(const AravisParseScope&) = delete;

private:
    uint64_t m_ticket;
};

//! Tells an open, on the thread that runs Aravis's open of a GigE Vision
//! device, when Aravis is done parsing, so that the open lets the gate go at
//! once rather than after a fixed allowance. Aravis's open reads the
//! description, builds its document (an ArvGc, made at the text's first
//! element), parses its own default features into it, and only then sends
//! its next packet, the control channel request; nothing after that parses.
//! Parsing does no I/O, so the first packet this thread sends after the
//! document was made is the sign. Both are seen through class hooks (ArvGc's
//! constructed, GInetSocketAddress's to_native, which every packet sent to an
//! address goes through), installed once while the gate is held and passing
//! every call on. An open that never gives the sign (a device opened by id
//! over another transport, another Aravis) keeps its fixed allowance.
class AravisParseWatch
{
public:
    //! onParsed runs on this thread, once, at the sign.
    explicit AravisParseWatch(std::function<void()> onParsed);
    ~AravisParseWatch();
    AravisParseWatch(const AravisParseWatch&) = delete;
    AravisParseWatch& operator=(const AravisParseWatch&) = delete;

    void documentMade();
    void packetSent();

private:
    std::function<void()> m_onParsed;
    bool m_documentMade = false;
};

} // namespace Internal
} // namespace GenApi

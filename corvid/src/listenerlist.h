// A list of listeners that may be registered and unregistered from any thread
// while calls to them are under way.
//
// Calls go through forEach()/callOne(): the list is copied under the lock, and
// each listener is marked busy (with the calling thread) for the duration of
// its call, after checking under the same lock that it is still registered.
// remove() takes the listener out of the list and then waits until no call to
// it is running on another thread, so that a listener can be deleted as soon
// as remove() returns. Two situations must not turn that wait into a
// deadlock:
//  - remove() from inside a call on the same thread (a listener that
//    unregisters itself or another one): calls on the caller's own thread are
//    not waited for; they are further up its stack;
//  - remove() on a thread that the running call itself waits for (the host's
//    device-list listener blocks the service thread until the GUI thread has
//    handled the list, and the GUI thread unregisters at shutdown): the wait
//    is bounded by kRemoveWaitLimit. Such a listener gives up its own wait
//    well before that (the window's adapter after about 5 s), so in practice
//    remove() returns once it has; the bound only keeps a listener that never
//    returns from hanging the host forever, and is logged when reached.
#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace Corvid {
namespace Internal {

//! How long remove() waits at most for a call on another thread.
constexpr std::chrono::milliseconds kRemoveWaitLimit{10000};

//! Logs a listener that failed (an exception) or outlived the removal wait.
void logListenerProblem(const char* what);

template <class Listener> class ListenerList
{
public:
    //! False for null or a listener already in the list.
    bool add(Listener* listener)
    {
        if (!listener)
            return false;
        std::lock_guard<std::mutex> lock(m_mutex);
        if (std::find(m_listeners.begin(), m_listeners.end(), listener) != m_listeners.end())
            return false;
        m_listeners.push_back(listener);
        return true;
    }

    //! False when the listener was not in the list. Returns once no call to
    //! it runs on another thread (see above for the bound).
    bool remove(Listener* listener)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        auto it = std::find(m_listeners.begin(), m_listeners.end(), listener);
        const bool found = it != m_listeners.end();
        if (found)
            m_listeners.erase(it);
        const auto self = std::this_thread::get_id();
        const bool finished = m_idle.wait_for(lock, kRemoveWaitLimit, [&] {
            return std::none_of(m_calls.begin(), m_calls.end(), [&](const Call& call) {
                return call.listener == listener && call.thread != self;
            });
        });
        if (!finished)
            logListenerProblem("a listener call still runs after the removal wait; removing it anyway");
        return found;
    }

    bool contains(Listener* listener) const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return std::find(m_listeners.begin(), m_listeners.end(), listener) != m_listeners.end();
    }

    bool empty() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_listeners.empty();
    }

    //! The first listener registered, or null (for single-slot lists).
    Listener* first() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_listeners.empty() ? nullptr : m_listeners.front();
    }

    //! Calls f(listener) for every listener registered now that is still
    //! registered when its turn comes. Exceptions of f are logged.
    template <class F> void forEach(F&& f)
    {
        std::vector<Listener*> targets;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            targets = m_listeners;
        }
        for (Listener* listener : targets)
            callOne(listener, f);
    }

    //! Calls f(listener) when the listener is registered; false when not.
    template <class F> bool callOne(Listener* listener, F&& f)
    {
        const auto self = std::this_thread::get_id();
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (std::find(m_listeners.begin(), m_listeners.end(), listener) == m_listeners.end())
                return false;
            m_calls.push_back({listener, self});
        }
        try {
            f(listener);
        } catch (...) {
            logListenerProblem("a listener threw an exception; it was caught");
        }
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            auto it = std::find_if(m_calls.begin(), m_calls.end(), [&](const Call& call) {
                return call.listener == listener && call.thread == self;
            });
            if (it != m_calls.end())
                m_calls.erase(it);
        }
        m_idle.notify_all();
        return true;
    }

private:
    struct Call
    {
        Listener* listener;
        std::thread::id thread;
    };

    mutable std::mutex m_mutex;
    std::condition_variable m_idle;
    std::vector<Listener*> m_listeners;
    std::vector<Call> m_calls; //!< calls in progress
};

} // namespace Internal
} // namespace Corvid

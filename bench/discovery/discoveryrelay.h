// A discovery relay for fake devices on loopback addresses of their own.
// Loopback has no broadcast: discovery on this computer asks 127.0.0.1 only.
// The relay listens there (port 3956), hands each discovery command on to
// every device it was given and returns their answers to the asker, as a
// network's broadcast would reach them all. The answers still name each
// device's own address, where the asker then reaches it.
#pragma once

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include <netinet/in.h>

class DiscoveryRelay
{
public:
    explicit DiscoveryRelay(std::vector<std::string> devices);
    ~DiscoveryRelay();
    DiscoveryRelay(const DiscoveryRelay&) = delete;
    DiscoveryRelay& operator=(const DiscoveryRelay&) = delete;

    //! Binds 127.0.0.1:3956 and relays on a thread of its own; false with the
    //! reason when the port is taken (Aravis's emulator, another relay).
    bool start(std::string* error);
    void stop();

private:
    void run();

    std::vector<sockaddr_in> m_devices;
    int m_front = -1; //!< 127.0.0.1:3956, where discovery asks
    int m_back = -1;  //!< where the devices answer
    sockaddr_in m_asker{};
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
};

// Test support for the device library without Qt: a post sink that queues
// deliveries and a pump on the test thread standing for the GUI thread, and
// simulated instruments started and stopped as processes.
#pragma once
#include <atomic>
#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "device/MarlixMFC.h"

// One delivered message as the window would see it. For WM_DEVICE_FOUND the
// record is copied while the delivery is alive.
struct SeenMessage {
    HWND hwnd = nullptr;
    UINT msg = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    std::uint32_t ref = 0; // the identity of the command answered
    DeviceInfoRecord device{};
};

class QueueSink : public IMessagePostSink {
public:
    void Post(MxDelivery&& d) override;
    // Runs deliveries (apply, record, release) on this thread until pred() holds
    // or timeoutMs passes; returns pred(). onEach runs for each message after apply.
    bool PumpUntil(const std::function<bool()>& pred, int timeoutMs,
                   const std::function<void(const SeenMessage&)>& onEach = {});
    // Runs everything queued now and whatever arrives within ms.
    void PumpFor(int ms);
    std::vector<SeenMessage> seen;
    std::size_t Count(UINT msg) const;
    const SeenMessage* Last(UINT msg) const;
    std::atomic<std::size_t> posted{0}; // written by the link thread, read by the test

private:
    bool RunOne(std::unique_lock<std::mutex>& lock);
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::deque<MxDelivery> m_queue;
};

// Fake window handles for reply windows.
inline HWND FakeHwnd(std::uintptr_t n) {
    return reinterpret_cast<HWND>(n);
}

// A UDP port for this test process (picked once, free when picked), the same on
// every loopback address.
std::uint16_t TestPort();
// Sets MARLIX_PORT, MARLIX_LOOPBACK_ONLY=1 and MARLIX_DISCOVERY_TARGETS for this process.
void UseLoopback(const std::string& targets);
std::uint32_t Addr(const char* dotted); // network order

class SimProcess {
public:
    SimProcess(std::string bind, std::vector<std::string> extraArgs = {});
    ~SimProcess();
    bool Start(); // waits until it is bound (its log exists)
    bool Stop();  // SIGTERM, waits; true when it exited 0
    bool Signal(int sig);
    // Waits up to ms for it to end by itself; true when it ended.
    bool Wait(int ms);
    bool Running() const { return m_pid > 0; }
    std::string LogPath() const { return m_log; }
    std::vector<std::string> LogLines() const;
    int exitCode = -1;

private:
    std::string m_bind;
    std::vector<std::string> m_args;
    std::string m_dir, m_log;
    pid_t m_pid = -1;
};

std::string SimBinary();

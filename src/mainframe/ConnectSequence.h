// The road from an address to a running link, as a small state machine: the
// old link is ended, the sequence pauses 500 ms on a one-shot timer (the GUI
// keeps running), then the link thread starts and the connect is queued.
#pragma once
#include <QString>
#include <QTimer>
#include <cstdint>
#include <functional>

class CConnectSequence {
public:
    static constexpr int kPauseMs = 500;

    struct Hooks {
        std::function<void()> disconnect;                // end any link that exists or is being made
        std::function<void(std::uint32_t)> storeAddress; // the new address, network order
        std::function<void()> beginLink;                 // start the library's link thread
        std::function<void()> queueConnect;              // state 1, then the connect command
    };

    CConnectSequence();
    void SetHooks(Hooks hooks) { m_hooks = std::move(hooks); }

    // False (and nothing done) when the text is not a usable IPv4 address.
    bool Start(const QString& address);
    // The pause's end; the timer calls it, tests may call it to skip the wait.
    void PauseElapsed();
    // A disconnect drops a pending start and outdates the current link.
    void Cancel();

    bool IsPausing() const { return m_bPausing; }
    // Changes with every start and every cancel: a step that waited (a modal box)
    // compares it to tell whether its link is still the current one.
    unsigned Serial() const { return m_nSerial; }

private:
    Hooks m_hooks;
    QTimer m_timer;
    bool m_bPausing = false;
    bool m_bStarting = false;
    unsigned m_nSerial = 0;
};

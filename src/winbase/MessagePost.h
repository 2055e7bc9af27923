// The one way code below the program (device library threads) hands work to the
// GUI thread. Pure C++, no Qt. The platform layer installs the real sink.
#pragma once
#include "winbase/WinTypes.h"
#include <cstdint>
#include <functional>

struct MxDelivery {
    HWND hwnd = nullptr;
    UINT msg = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    // The identity of the command this message answers (what MxAddCmd gave for
    // it), 0 for none; the handler reads it with CurrentReplyRef().
    std::uint32_t ref = 0;
    // Runs on the GUI thread right before the message is handled (writes the
    // fields the handler will read). Runs even when the window is gone.
    std::function<void()> apply;
    // Runs on the GUI thread after the handler returned, or when the message is
    // dropped: frees whatever lParam points at.
    std::function<void()> release;
};

class IMessagePostSink {
public:
    virtual ~IMessagePostSink() = default;
    // Thread-safe; deliveries from one thread arrive in posting order.
    virtual void Post(MxDelivery&& d) = 0;
};

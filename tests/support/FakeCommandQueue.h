// Window tests without an instrument: stands for the device library's command
// queue (every command gets an identity, 1, 2, ..., or is refused on demand),
// and delivers answers naming the command they answer, as the library does.
#pragma once
#include <QByteArray>
#include <cstdint>
#include <vector>

#include "app/MarlixExApp.h"
#include "platform/MsgTarget.h"

class FakeCommandQueue {
public:
    struct Cmd {
        MX_CMD_ID_e id;
        QByteArray payload;
        HWND reply;
        std::uint32_t ref; // 0: refused
    };
    FakeCommandQueue() {
        theApp.m_fnCommandQueue = [this](MX_CMD_ID_e id, MX_RW_ID_e, unsigned size, const void* p, HWND h,
                                         std::uint32_t* pRef) {
            if (acceptLeft == 0)
                refuse = true;
            else if (acceptLeft > 0)
                --acceptLeft;
            const std::uint32_t ref = refuse ? 0 : next++;
            cmds.push_back({id, QByteArray(static_cast<const char*>(p), int(size)), h, ref});
            if (pRef)
                *pRef = ref;
            return ref != 0 ? 1 : 0;
        };
    }
    ~FakeCommandQueue() { theApp.m_fnCommandQueue = nullptr; }
    FakeCommandQueue(const FakeCommandQueue&) = delete;
    FakeCommandQueue& operator=(const FakeCommandQueue&) = delete;

    // The identity of the last command id queued, 0 for none.
    std::uint32_t LastRef(MX_CMD_ID_e id) const {
        for (auto it = cmds.rbegin(); it != cmds.rend(); ++it)
            if (it->id == id)
                return it->ref;
        return 0;
    }

    std::vector<Cmd> cmds;
    bool refuse = false;
    int acceptLeft = -1; // >= 0: that many more are queued, then every one is refused
    std::uint32_t next = 1;
};

// msg to window h as the library posts it: the answer to command ref, handled now.
inline void DeliverAnswer(HWND h, UINT msg, WPARAM wParam, std::uint32_t ref) {
    MxDelivery d;
    d.hwnd = h;
    d.msg = msg;
    d.wParam = wParam;
    d.ref = ref;
    PostDelivery(std::move(d));
    PumpPostedMessages();
}

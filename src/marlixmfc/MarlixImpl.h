// Inner state of CMarlixMFC: threads, sockets, queues, guarded settings.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "device/MarlixMFC.h"
#include "marlixmfc/MxCounters.h"
#include "marlixmfc/MxLinkConfig.h"
#include "marlixmfc/MxLinkTransport.h"
#include "marlixmfc/MxProtocol.h"
#include "marlixmfc/spectrum/MxSpectrumEngine.h"

// Spectrum computation of one block on the link thread (MarlixSpectrum.cpp), with
// the block's own sample clock and full scale. iq: points I samples then points Q
// samples; out: points bins in the current unit. False when the block cannot be
// computed (an odd or tiny point count): it then goes on as I/Q only.
bool MxComputeSpectrum(MxSpectrumEngine& engine, int wantInv, const mxp::MeasureHead& head,
                       const std::int16_t* iq, double* out);

struct QueuedCmd {
    std::uint16_t id = 0;
    std::uint16_t selector = 0;
    std::vector<std::uint8_t> payload;
    HWND hReply = nullptr;
    std::uint32_t seq = 0;    // the command's identity on the wire
    std::uint32_t target = 0; // MX_CMD_CONNECT: the instrument to connect to (network order)
    std::uint32_t link = 0;   // MX_CMD_CONNECT: Impl::linkSerial of the connection it starts
};

struct CMarlixMFC::Impl {
    explicit Impl(CMarlixMFC* o) : owner(o) {}
    CMarlixMFC* owner;
    std::atomic<IMessagePostSink*> sink{nullptr};
    MxCounters counters;

    // Spectrum computation; its setters are guarded inside. The inversion the
    // program asked for is kept apart: a block mirrored by the instrument is not
    // mirrored again.
    MxSpectrumEngine engine;
    std::atomic<int> spectralInv{0};

    // GUI-thread-only state.
    int excludeCnt = 0;
    // What the instrument of the current connection reported. A new connection
    // or a closed link forgets it, and a late delivery of an earlier connection
    // (another serial) does not bring it back.
    std::uint32_t linkSerial = 0;
    bool haveLimits = false;
    mxp::Limits limits;
    bool haveSWVer = false;
    _MxVer_u swVer{};
    void ForgetInstrument() {
        ++linkSerial;
        haveLimits = false;
        haveSWVer = false;
        swVer = _MxVer_u{};
    }
    std::uint32_t lastConnectTarget = 0; // the instrument of the current or last link
    MxLinkTransport tx;                  // SendCmdData's socket
    std::uint32_t txSeq = 0x40000000u;
    unsigned linkTimeoutOverride = 0;

    // Measurement deliveries in flight (bounded).
    std::shared_ptr<std::atomic<int>> measureInFlight = std::make_shared<std::atomic<int>>(0);

    // Discovery.
    std::thread discoveryThread;
    MxLinkTransport discovery;
    std::atomic<HWND> discoveryReply{nullptr};
    std::atomic<bool> discoveryStop{false};
    std::uint32_t discoverySeq = 1;

    // Connected link.
    std::thread linkThread;
    MxLinkTransport link;
    std::atomic<bool> linkStop{false};
    std::mutex queueMutex;
    std::deque<QueuedCmd> queue;
    // Message numbers of the connected link, one series for commands and keep-alives
    // (never 0: "answers nothing"), so an answer of an earlier connection names no
    // command of this one.
    // Below 0x40000000, where SendCmdData's series starts.
    std::atomic<std::uint32_t> nextSeq{0};
    std::uint32_t TakeSeq() { return nextSeq.fetch_add(1) % 0x3FFFFFFFu + 1; }

    void Post(MxDelivery&& d);
    void DiscoveryLoop(mxp::LinkConfig cfg);
    void LinkLoop(mxp::LinkConfig cfg, HWND notify);
};

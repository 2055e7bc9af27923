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
#include "marlixmfc/MxLinkConfig.h"
#include "marlixmfc/MxProtocol.h"
#include "marlixmfc/spectrum/MxSpectrumEngine.h"

// Spectrum computation of one block on the link thread (MarlixSpectrum.cpp), with
// the block's own sample clock and full scale. iq: points I samples then points Q
// samples; out: points bins in the current unit. False when the block cannot be
// computed (an odd or tiny point count): it then goes on as I/Q only.
bool MxComputeSpectrum(MxSpectrumEngine& engine, int wantInv, const mxp::MeasureHead& head,
                       const std::int16_t* iq, double* out);

struct MxCounters {
    std::atomic<std::uint64_t> txDatagrams{0}, rxDatagrams{0}, rxAccepted{0}, dropBadMagic{0},
        dropTruncated{0}, dropOversized{0}, dropMalformed{0}, dropForeign{0}, dropUnexpected{0},
        dropReassembly{0}, dropDeliveries{0}, refusedTargets{0}, linkLost{0};
};

struct QueuedCmd {
    std::uint16_t id = 0;
    std::uint16_t selector = 0;
    std::vector<std::uint8_t> payload;
    HWND hReply = nullptr;
    std::uint32_t target = 0; // MX_CMD_CONNECT: the instrument to connect to (network order)
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
    bool haveLimits = false;
    mxp::Limits limits;
    std::uint32_t lastConnectTarget = 0; // the instrument of the current or last link
    int txFd = -1;
    std::uint32_t txSeq = 0x40000000u;
    unsigned linkTimeoutOverride = 0;
    std::uint64_t generation = 1; // bumped when the link thread is closed

    // Measurement deliveries in flight (bounded).
    std::shared_ptr<std::atomic<int>> measureInFlight = std::make_shared<std::atomic<int>>(0);

    // Discovery.
    std::thread discoveryThread;
    int discoveryFd = -1;
    int discoveryWake = -1;
    std::atomic<HWND> discoveryReply{nullptr};
    std::atomic<bool> discoveryStop{false};
    std::uint32_t discoverySeq = 1;

    // Connected link.
    std::thread linkThread;
    int linkWake = -1;
    std::atomic<bool> linkStop{false};
    std::mutex queueMutex;
    std::deque<QueuedCmd> queue;

    void Post(MxDelivery&& d);
    void DiscoveryLoop(mxp::LinkConfig cfg);
    void LinkLoop(mxp::LinkConfig cfg, HWND notify, std::uint64_t gen);
};

// The device library: command queue, discovery, connected link, deliveries.
#include "device/MarlixMFC.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "marlixmfc/MarlixImpl.h"
#include "marlixmfc/MxEventTable.h"
#include "marlixmfc/MxLatestPost.h"
#include "marlixmfc/MxLinkStateMachine.h"

CMarlixMFC g_Marlix;

namespace {

std::uint64_t NowMs() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

std::u16string ProfileSectionFor(const DeviceInfoRecord& r, std::uint32_t addr) {
    std::string serial(r.m_szSerial); // terminated: checked by the decoder
    if (serial.empty())
        serial = mxp::Dotted(addr);
    return mxp::FromUtf8("Marlix_" + serial);
}

} // namespace

void CMarlixMFC::Impl::Post(MxDelivery&& d) {
    IMessagePostSink* s = sink.load(std::memory_order_acquire);
    if (s != nullptr) {
        s->Post(std::move(d));
        return;
    }
    if (d.release)
        d.release();
}

// ---------------------------------------------------------------- construction

CMarlixMFC::CMarlixMFC() : m_pImpl(std::make_unique<Impl>(this)) {}

CMarlixMFC::~CMarlixMFC() {
    CloseBroadCastRxThread();
    CloseConnectedUDPThread();
}

void CMarlixMFC::SetPostSink(IMessagePostSink* sink) {
    m_pImpl->sink.store(sink, std::memory_order_release);
}

// ---------------------------------------------------------------- commands

int CMarlixMFC::MxAddCmd(MX_CMD_ID_e cmd, MX_RW_ID_e rw, unsigned int size, const void* payload, HWND hReply,
                         std::uint32_t* pRef) {
    Impl& m = *m_pImpl;
    if (pRef)
        *pRef = 0;
    if ((size > 0 && payload == nullptr) || size > mxp::kMaxMessage)
        return 0;
    if (!m.linkThread.joinable())
        return 0;
    QueuedCmd c;
    c.id = cmd;
    c.selector = rw;
    c.hReply = hReply;
    if (size) {
        const auto* p = static_cast<const std::uint8_t*>(payload);
        c.payload.assign(p, p + size);
    }
    if (cmd == MX_CMD_CONNECT) {
        c.target = DeviceState.m_nDeviceIP;
        const mxp::LinkConfig cfg = mxp::ReadLinkConfig();
        if (mxp::MaySendTo(cfg, c.target, false))
            m.lastConnectTarget = c.target;
        m.ForgetInstrument();
        c.link = m.linkSerial;
    }
    {
        std::lock_guard<std::mutex> lock(m.queueMutex);
        if (m.queue.size() >= kMaxQueued)
            return 0;
        c.seq = m.TakeSeq();
        if (pRef)
            *pRef = c.seq;
        m.queue.push_back(std::move(c));
    }
    m.link.Wake();
    return 1;
}

BOOL CMarlixMFC::CreateUDP_TxSocket() {
    Impl& m = *m_pImpl;
    if (!m.tx.IsOpen())
        m.tx.Open(false);
    return m.tx.IsOpen() ? TRUE : FALSE;
}

int CMarlixMFC::SendCmdData(MX_CMD_ID_e cmd, MX_RW_ID_e rw, unsigned int size, const void* payload) {
    Impl& m = *m_pImpl;
    if ((size > 0 && payload == nullptr) || size > mxp::kMaxMessage)
        return 0;
    if (m.lastConnectTarget == 0)
        return 0;
    const mxp::LinkConfig cfg = mxp::ReadLinkConfig();
    if (!mxp::MaySendTo(cfg, m.lastConnectTarget, false)) {
        m.counters.refusedTargets++;
        return 0;
    }
    if (!CreateUDP_TxSocket())
        return 0;
    const auto dgrams =
        mxp::EncodeMessage(0, cmd, rw, m.txSeq++, 0, static_cast<const std::uint8_t*>(payload), size);
    return m.tx.Send(dgrams, m.lastConnectTarget, cfg.port, m.counters) ? 1 : 0;
}

// ---------------------------------------------------------------- discovery

BOOL CMarlixMFC::BeginBroadCastRxThread() {
    Impl& m = *m_pImpl;
    if (m.discoveryThread.joinable())
        return TRUE;
    const mxp::LinkConfig cfg = mxp::ReadLinkConfig();
    if (!m.discovery.Open(!cfg.loopbackOnly))
        return FALSE;
    m.discoveryStop = false;
    m.discoveryThread = std::thread([&m, cfg] { m.DiscoveryLoop(cfg); });
    return TRUE;
}

void CMarlixMFC::CloseBroadCastRxThread() {
    Impl& m = *m_pImpl;
    if (!m.discoveryThread.joinable())
        return;
    m.discoveryStop = true;
    m.discovery.Wake();
    m.discoveryThread.join();
    m.discovery.Close();
    m.discoveryReply = nullptr;
}

int CMarlixMFC::MxSendtoBroadCast(MX_CMD_ID_e cmd, MX_RW_ID_e rw, unsigned int size, const void* payload,
                                  HWND hReply) {
    Impl& m = *m_pImpl;
    if ((size > 0 && payload == nullptr) || size > mxp::kMaxPayload)
        return 0;
    const mxp::LinkConfig cfg = mxp::ReadLinkConfig();
    if (cfg.loopbackOnly && !cfg.targetsOverridden) {
        m.counters.refusedTargets++;
        std::fprintf(
            stderr,
            "MarlixMFC: discovery refused: MARLIX_LOOPBACK_ONLY=1 without MARLIX_DISCOVERY_TARGETS\n");
        return 0;
    }
    if (!m.discovery.IsOpen())
        return 0;
    m.discoveryReply = hReply;
    const auto dgrams =
        mxp::EncodeMessage(0, cmd, rw, m.discoverySeq++, 0, static_cast<const std::uint8_t*>(payload), size);
    int sent = 0;
    for (std::uint32_t t : cfg.targets) {
        if (!mxp::MaySendTo(cfg, t, true)) {
            m.counters.refusedTargets++;
            continue;
        }
        if (m.discovery.Send(dgrams, t, cfg.port, m.counters))
            ++sent;
    }
    return sent > 0 ? 1 : 0;
}

void CMarlixMFC::Impl::DiscoveryLoop(mxp::LinkConfig cfg) {
    std::vector<std::uint8_t> buf(65536);
    while (!discoveryStop.load()) {
        discovery.Wait(200);
        std::uint32_t fromAddr = 0;
        std::uint16_t fromPort = 0;
        long n;
        while ((n = discovery.Receive(buf.data(), buf.size(), fromAddr, fromPort)) >= 0) {
            counters.rxDatagrams++;
            if (fromAddr == 0 || (cfg.loopbackOnly && !mxp::IsLoopback(fromAddr))) {
                counters.dropForeign++;
                continue;
            }
            mxp::Datagram d;
            const mxp::DecodeError e = mxp::DecodeDatagram(buf.data(), static_cast<std::size_t>(n), d);
            if (e != mxp::DecodeError::None) {
                counters.CountDecodeError(e);
                continue;
            }
            if (!(d.h.flags & mxp::FLAG_FROM_INSTRUMENT) || (d.h.flags & mxp::FLAG_FRAGMENT) ||
                d.h.id != mxp::EV_DEVICE_INFO) {
                counters.dropUnexpected++;
                continue;
            }
            mxp::Reader rd(d.payload, d.size);
            auto rec = std::make_unique<DeviceInfoRecord>();
            if (d.size != mxp::kDeviceInfoSize || !mxp::GetDeviceInfo(rd, *rec)) {
                counters.dropMalformed++;
                continue;
            }
            // The address shown is the one that answered, whatever the record says.
            rec->m_nIPAddress = fromAddr;
            const HWND h = discoveryReply.load();
            if (h == nullptr) {
                counters.dropUnexpected++;
                continue;
            }
            counters.rxAccepted++;
            DeviceInfoRecord* raw = rec.release();
            MxDelivery dv;
            dv.hwnd = h;
            dv.msg = WM_DEVICE_FOUND;
            dv.wParam = 0;
            dv.lParam = reinterpret_cast<LPARAM>(raw);
            dv.release = [raw] { delete raw; };
            Post(std::move(dv));
        }
    }
}

// ---------------------------------------------------------------- connected link

void CMarlixMFC::SetLinkTimeoutMs(unsigned int ms) {
    m_pImpl->linkTimeoutOverride = ms;
}

BOOL CMarlixMFC::BeginConnectedUDPThread() {
    Impl& m = *m_pImpl;
    if (m.linkThread.joinable())
        return TRUE;
    mxp::LinkConfig cfg = mxp::ReadLinkConfig();
    if (m.linkTimeoutOverride)
        cfg.linkTimeoutMs = mxp::SafeLinkTimeoutMs(m.linkTimeoutOverride);
    if (!m.link.Open(false))
        return FALSE;
    m.linkStop = false;
    {
        std::lock_guard<std::mutex> lock(m.queueMutex);
        m.queue.clear();
    }
    const HWND notify = m_hNotifyWnd;
    m.linkThread = std::thread([&m, cfg, notify] { m.LinkLoop(cfg, notify); });
    return TRUE;
}

void CMarlixMFC::CloseConnectedUDPThread() {
    Impl& m = *m_pImpl;
    if (!m.linkThread.joinable())
        return;
    m.linkStop = true;
    m.link.Wake();
    m.linkThread.join();
    m.link.Close();
    m.ForgetInstrument();
    std::lock_guard<std::mutex> lock(m.queueMutex);
    m.queue.clear();
}

namespace {

struct MeasureBlock {
    mxp::MeasureHead head;
    std::vector<std::int16_t> iq;
    std::vector<double> spectrum;
};

// One connected link on the link thread: the queued commands go out through
// the transport, what comes back is sorted by the state machine and turned
// into deliveries by the event table (connection states and measurement blocks
// here, as they change the link's state or need the spectrum engine).
class LinkSession {
public:
    LinkSession(CMarlixMFC::Impl& impl, const mxp::LinkConfig& cfg, HWND notify)
        : m(impl), g(impl.owner), cfg(cfg), notify(notify), state(cfg.linkTimeoutMs, cfg.port, notify) {
        CMarlixMFC::Impl* self = &m;
        for (auto& r : reports)
            r = MxLatestPost::Create([self](MxDelivery&& d) { self->Post(std::move(d)); });
        askerStatus = MxLatestPost::Create([self](MxDelivery&& d) { self->Post(std::move(d)); });
        for (auto& r : resets)
            r = std::make_unique<MxSamePost>([self](MxDelivery&& d) { self->Post(std::move(d)); });
    }

    // Pacing: at most kWindow commands go out before the instrument has shown,
    // by answering a keep-alive sent after them, that it took them in (it handles
    // datagrams in order). So however many are queued, no more than kWindow wait
    // in the instrument's socket buffer.
    static constexpr std::size_t kWindow = 32;
    static constexpr std::uint64_t kBarrierWaitMs = 1000; // an instrument that does not answer

    // How many queued commands may go out now.
    std::size_t Room() {
        if (barrierSeq != 0) {
            if (NowMs() - barrierAt < kBarrierWaitMs)
                return 0;
            m.counters.pacingTimeouts++;
            barrierSeq = 0;
            sentSinceAck = 0;
        }
        return kWindow - std::min(sentSinceAck, kWindow);
    }

    void SendQueued(std::deque<QueuedCmd>& cmds) {
        for (auto& c : cmds) {
            if (c.id == MX_CMD_CONNECT) {
                if (!mxp::MaySendTo(cfg, c.target, false)) {
                    m.counters.refusedTargets++;
                    continue;
                }
                state.Connect(c.target, c.hReply, NowMs());
                reasm.Clear();
                link = c.link;
                barrierSeq = 0;
                sentSinceAck = 0;
            }
            if (!state.MaySend())
                continue; // no instrument to send to
            state.Sent(c.seq, c.id, c.selector, c.hReply);
            Send(c.id, c.selector, c.seq, c.payload);
            ++sentSinceAck;
        }
        if (sentSinceAck >= kWindow && barrierSeq == 0 && state.MaySend()) {
            barrierSeq = m.TakeSeq();
            barrierAt = NowMs();
            Send(mxp::LINK_KEEPALIVE, MX_RW_DEFAULT, barrierSeq, {});
        }
    }

    // A bounded part of what waits (by count and by time), so that however fast the
    // instrument sends, each pass of the loop also sends what is queued and runs the
    // timers. Reading is cheap: a run of measurement blocks is only decoded and kept,
    // the newest few of it handled (spectrum, posting) when the run ends; every other
    // message is handled as it comes, so no answer is lost to a flood of blocks.
    static constexpr int kReadsPerPass = 256;
    static constexpr auto kReadTime = std::chrono::milliseconds(5);
    static constexpr std::size_t kKeptBlocks = 3; // as many as may wait for the GUI thread

    void ReceiveSome() {
        const auto until = std::chrono::steady_clock::now() + kReadTime;
        std::uint32_t fromAddr = 0;
        std::uint16_t fromPort = 0;
        long n;
        for (int i = 0; i < kReadsPerPass && std::chrono::steady_clock::now() < until &&
                        (n = m.link.Receive(buf.data(), buf.size(), fromAddr, fromPort)) >= 0;
             ++i)
            OnDatagram(fromAddr, fromPort, buf.data(), static_cast<std::size_t>(n));
        HandleKeptBlocks();
    }

    void Tick() {
        const MxLinkStateMachine::Due due = state.Tick(NowMs());
        if (due.keepAlive)
            Send(mxp::LINK_KEEPALIVE, MX_RW_DEFAULT, m.TakeSeq(), {});
        if (due.lost)
            ReportLost();
    }

private:
    void Send(std::uint16_t id, std::uint16_t sel, std::uint32_t seq,
              const std::vector<std::uint8_t>& payload) {
        m.link.Send(mxp::EncodeMessage(0, id, sel, seq, 0, payload.data(), payload.size()), state.Peer(),
                    cfg.port, m.counters);
    }

    static MxDelivery Delivery(HWND h, UINT msg, WPARAM w, LPARAM l, std::function<void()> apply,
                               std::uint32_t ref) {
        MxDelivery d;
        d.hwnd = h;
        d.ref = ref;
        d.msg = msg;
        d.wParam = w;
        d.lParam = l;
        d.apply = std::move(apply);
        return d;
    }

    // Every message but the coalesced reports and the blocks: a reset that comes
    // after it is not the one waiting before it.
    void Post(HWND h, UINT msg, WPARAM w, LPARAM l, std::function<void()> apply, std::uint32_t ref = 0) {
        for (auto& r : resets)
            r->Break();
        m.Post(Delivery(h, msg, w, l, std::move(apply), ref));
    }

    void ReportLost() {
        m.counters.linkLost++;
        reasm.Clear();
        Post(state.ConnectReply(), WM_CONNECT_STATE, MX_CONNECT_LOST, 0, {});
    }

    void OnDatagram(std::uint32_t fromAddr, std::uint16_t fromPort, const std::uint8_t* data, std::size_t n) {
        m.counters.rxDatagrams++;
        switch (state.Classify(fromAddr, fromPort)) {
        case MxLinkStateMachine::Inbound::Foreign:
            m.counters.dropForeign++;
            return;
        case MxLinkStateMachine::Inbound::AfterLoss:
            m.counters.dropUnexpected++;
            return;
        case MxLinkStateMachine::Inbound::Accept:
            break;
        }
        mxp::Datagram d;
        const mxp::DecodeError e = mxp::DecodeDatagram(data, n, d);
        if (e != mxp::DecodeError::None) {
            m.counters.CountDecodeError(e);
            return;
        }
        if (!(d.h.flags & mxp::FLAG_FROM_INSTRUMENT)) {
            m.counters.dropUnexpected++;
            return;
        }
        const std::uint64_t now = NowMs();
        state.Heard(now);
        if (!(d.h.flags & mxp::FLAG_FRAGMENT)) {
            Count(OnMessage(d.h, d.payload, d.size));
            return;
        }
        mxp::Message msg;
        const std::uint64_t before = reasm.Dropped();
        const auto r = reasm.Add(d, now, msg);
        m.counters.dropReassembly += reasm.Dropped() - before;
        if (r == mxp::Reassembler::Result::Complete)
            Count(OnMessage(msg.h, msg.payload.data(), msg.payload.size()));
    }

    enum class Taken { Accepted, Malformed, Unexpected };
    void Count(Taken t) {
        switch (t) {
        case Taken::Accepted:
            m.counters.rxAccepted++;
            break;
        case Taken::Malformed:
            m.counters.dropMalformed++;
            break;
        case Taken::Unexpected:
            m.counters.dropUnexpected++;
            break;
        }
    }

    // One complete message from the instrument.
    Taken OnMessage(const mxp::Header& h, const std::uint8_t* p, std::size_t n) {
        // The answer to a keep-alive sent after the window: every command before it arrived.
        if (h.id == mxp::EV_KEEPALIVE && barrierSeq != 0 && h.ref >= barrierSeq) {
            barrierSeq = 0;
            sentSinceAck = 0;
        }
        if (h.id == mxp::EV_MEASURE)
            return KeepBlock(p, n);
        // Blocks kept before any other message are handled first: they write fields
        // (the play position) that what follows them may write again.
        HandleKeptBlocks();
        if (h.id == mxp::EV_CONNECT_STATE)
            return OnConnectState(p, n);
        MxEventOutcome out;
        switch (MxEventTable::Decode(h.id, p, n, out)) {
        case MxEventTable::Result::NotInTable:
            return Taken::Unexpected; // unknown, or a discovery answer on the link
        case MxEventTable::Result::Malformed: {
            // The window waiting for this answer hears that it will not come.
            if (out.refusalMsg != 0) {
                const MxLinkStateMachine::Route route = state.Answered(h.ref, true);
                if (route.matched)
                    Post(route.hwnd, out.refusalMsg, out.refusalWParam, 0, {}, h.ref);
            }
            return Taken::Malformed;
        }
        case MxEventTable::Result::NoMessage:
            return Taken::Accepted;
        case MxEventTable::Result::Delivery:
            break;
        }
        HWND to = notify;
        if (out.toReplyWindow) {
            const MxLinkStateMachine::Route route = state.Answered(h.ref, out.finalAnswer);
            // An answer whose command is not outstanding (late, repeated, never
            // asked) is dropped here, before its fields are written.
            if (out.answersCommand && !route.matched) {
                m.counters.dropUnmatched++;
                return Taken::Accepted;
            }
            to = route.hwnd;
        }
        CMarlixMFC* const owner = g;
        std::function<void()> apply;
        if (out.hasLimits) {
            // The limits are kept for Mx2InitMinMaxValueForSystemMode, and they
            // name the block size the graphs are set up for next.
            const mxp::Limits l = out.limits;
            axesPoints = l.spectrumPoints;
            CMarlixMFC::Impl* self = &m;
            apply = [owner, self, l, link = link] {
                if (self->linkSerial == link) {
                    self->limits = l;
                    self->haveLimits = true;
                }
                owner->Mx2InitMinMaxValueForSystemMode(l.systemMode, nullptr);
            };
        } else if (out.apply) {
            apply = [owner, f = std::move(out.apply)] { f(*owner); };
        }
        // A status that answers a window's own command (a refused copy) reaches that window too,
        // coalesced as the main frame's: a flood naming a command kept for its positions
        // (a play) must not fill the queue either.
        if (h.id == mxp::EV_STATUS) {
            const HWND asker = state.ReplyWindow(h.ref);
            if (asker != notify)
                askerStatus->Post(Delivery(asker, out.msg, out.wParam, out.lParam, {}, h.ref));
        }
        if (out.sameReport >= 0) {
            resets[out.sameReport]->Post(
                Delivery(to, out.msg, out.wParam, out.lParam, std::move(apply), h.ref));
            return Taken::Accepted;
        }
        if (out.latestReport >= 0) {
            reports[out.latestReport]->Post(
                Delivery(to, out.msg, out.wParam, out.lParam, std::move(apply), h.ref));
            return Taken::Accepted;
        }
        Post(to, out.msg, out.wParam, out.lParam, std::move(apply), h.ref);
        return Taken::Accepted;
    }

    Taken OnConnectState(const std::uint8_t* p, std::size_t n) {
        mxp::Reader rd(p, n);
        std::int32_t value;
        DeviceInfoRecord rec;
        if (n != 4 + mxp::kDeviceInfoSize || !rd.I32(value) || !mxp::GetDeviceInfo(rd, rec))
            return Taken::Malformed;
        switch (state.OnConnectState(value, NowMs())) {
        case MxLinkStateMachine::Answer::Malformed:
            return Taken::Malformed;
        case MxLinkStateMachine::Answer::Ignored:
            return Taken::Accepted; // not asked for
        case MxLinkStateMachine::Answer::Lost:
            ReportLost(); // ended by the instrument: the road of a link that fell silent
            return Taken::Accepted;
        case MxLinkStateMachine::Answer::Connected:
            break;
        }
        const std::u16string section = ProfileSectionFor(rec, state.Peer());
        const std::int32_t catalog = rec.m_nProductCatalog;
        const std::uint32_t points = rec.m_nSpectrumPoints;
        const bool pointsOk = points >= 1 && points <= MX_MAX_POINTS;
        if (pointsOk)
            axesPoints = points;
        CMarlixMFC* const owner = g;
        CMarlixMFC::Impl* self = &m;
        _MxVer_u ver{};
        std::memcpy(ver.m_abVer, rec.m_abSWVer, sizeof ver.m_abVer);
        Post(state.ConnectReply(), WM_CONNECT_STATE, MX_CONNECT_CONNECTED, 0,
             [owner, self, link = link, ver, section, catalog, points, pointsOk] {
                 if (self->linkSerial == link) {
                     self->swVer = ver;
                     self->haveSWVer = true;
                 }
                 owner->DeviceState.m_strProfileSection = section;
                 owner->DeviceState.m_nProductCatalog = catalog;
                 if (pointsOk)
                     owner->DeviceState.m_nSpectrumPoints = static_cast<std::int32_t>(points);
             });
        return Taken::Accepted;
    }

    Taken KeepBlock(const std::uint8_t* p, std::size_t n) {
        auto blk = std::make_shared<MeasureBlock>();
        if (!mxp::DecodeMeasure(p, n, blk->head, blk->iq))
            return Taken::Malformed;
        if (kept.size() >= kKeptBlocks) {
            kept.pop_front(); // superseded before it was handled
            m.counters.dropDeliveries++;
        }
        kept.push_back(std::move(blk));
        return Taken::Accepted;
    }

    void HandleKeptBlocks() {
        for (auto& blk : kept)
            OnMeasure(std::move(blk));
        kept.clear();
    }

    void OnMeasure(std::shared_ptr<MeasureBlock> blk) {
        if (m.measureInFlight->load() >= 3) {
            m.counters.dropDeliveries++;
            return;
        }
        const int points = static_cast<int>(blk->head.points);
        if (blk->head.kind != 1) {
            blk->spectrum.resize(static_cast<std::size_t>(points));
            if (!MxComputeSpectrum(m.engine, m.spectralInv.load(), blk->head, blk->iq.data(),
                                   blk->spectrum.data()))
                blk->spectrum.clear();
        }
        CMarlixMFC* const owner = g;
        // A block of another size than the graphs were set up for: axes first.
        if (blk->head.points != axesPoints) {
            axesPoints = blk->head.points;
            const auto pts = static_cast<std::int32_t>(axesPoints);
            Post(notify, WM_GRAPH_AXES_UPDATE, 0, 0,
                 [owner, pts] { owner->DeviceState.m_nSpectrumPoints = pts; });
        }
        auto inFlight = m.measureInFlight;
        inFlight->fetch_add(1);
        MxDelivery d;
        d.hwnd = notify;
        d.msg = WM_MEASURE_DATA;
        d.wParam = blk->spectrum.empty() ? 1 : 0;
        d.apply = [owner, blk] {
            const auto n2 = static_cast<std::size_t>(blk->head.points);
            std::memcpy(owner->DeviceDataStore.m_asISamples, blk->iq.data(), n2 * sizeof(std::int16_t));
            std::memcpy(owner->DeviceDataStore.m_asQSamples, blk->iq.data() + n2, n2 * sizeof(std::int16_t));
            if (!blk->spectrum.empty())
                std::memcpy(owner->DeviceDataStore.m_adSpectrum, blk->spectrum.data(), n2 * sizeof(double));
            owner->DeviceState.m_nSpectrumPoints = static_cast<std::int32_t>(n2);
            owner->DeviceDataStore.m_nPlayPosSec = blk->head.positionSec;
            owner->DeviceState.m_nPlayMode = blk->head.playMode;
        };
        d.release = [inFlight] { inFlight->fetch_sub(1); };
        m.Post(std::move(d));
    }

    CMarlixMFC::Impl& m;
    CMarlixMFC* const g;
    const mxp::LinkConfig cfg;
    const HWND notify;
    MxLinkStateMachine state;
    mxp::Reassembler reasm;
    std::uint32_t axesPoints = 0; // points per block the program's graphs were last set up for
    std::deque<std::shared_ptr<MeasureBlock>> kept; // decoded this pass, not yet handled
    std::shared_ptr<MxLatestPost> reports[MxEventTable::kReportKinds];
    std::shared_ptr<MxLatestPost> askerStatus; // statuses to the window of the command they name
    std::unique_ptr<MxSamePost> resets[MxEventTable::kSameReportKinds];
    std::uint32_t link = 0;       // Impl::linkSerial of the connection under way
    std::size_t sentSinceAck = 0; // commands sent since the instrument last showed it had all
    std::uint32_t barrierSeq = 0; // the keep-alive whose answer is awaited, 0 for none
    std::uint64_t barrierAt = 0;
    std::vector<std::uint8_t> buf = std::vector<std::uint8_t>(65536);
};

} // namespace

void CMarlixMFC::Impl::LinkLoop(mxp::LinkConfig cfg, HWND notify) {
    LinkSession session(*this, cfg, notify);
    while (!linkStop.load()) {
        link.Wait(100);
        if (linkStop.load())
            break;
        session.ReceiveSome(); // answers first: they may open the window
        std::deque<QueuedCmd> cmds;
        {
            std::lock_guard<std::mutex> lock(queueMutex);
            const std::size_t n = std::min(session.Room(), queue.size());
            for (std::size_t i = 0; i < n; ++i) {
                cmds.push_back(std::move(queue.front()));
                queue.pop_front();
            }
        }
        session.SendQueued(cmds);
        session.Tick();
    }
}

// ---------------------------------------------------------------- limits and misc

BOOL CMarlixMFC::Mx2InitMinMaxValueForSystemMode(int nSystemMode, void* pReserved) {
    (void)pReserved;
    Impl& m = *m_pImpl;
    mxp::Limits l;
    if (m.haveLimits && m.limits.systemMode == nSystemMode) {
        l = m.limits;
    } else {
        // Until the instrument reports its own: the family's, with the block size
        // of its connection answer. The mode parameter is the family's too: the
        // field may still hold another instrument's.
        l = mxp::DefaultLimits(nSystemMode);
        l.spectrumPoints = static_cast<std::uint32_t>(DeviceState.m_nSpectrumPoints);
    }
    DeviceState.m_nFreqMinHz = l.freqMinHz;
    DeviceState.m_nFreqMaxHz = l.freqMaxHz;
    DeviceState.m_nRateMinHz = l.rateMinHz;
    DeviceState.m_nRateMaxHz = l.rateMaxHz;
    DeviceState.m_nRangeMin = l.rangeMin;
    DeviceState.m_nRangeMax = l.rangeMax;
    DeviceState.m_nLevelMin = l.levelMin;
    DeviceState.m_nLevelMax = l.levelMax;
    if (l.spectrumPoints >= 1 && l.spectrumPoints <= MX_MAX_POINTS)
        DeviceState.m_nSpectrumPoints = static_cast<std::int32_t>(l.spectrumPoints);
    DeviceState.m_nModeParamA = l.modeParamA;
    if (m.haveLimits && l.productCatalog != 0)
        DeviceState.m_nProductCatalog = l.productCatalog;
    return TRUE;
}

std::uint32_t CMarlixMFC::Mx2IQRateConfirm(int nProductCatalog, std::uint32_t nRateHz) {
    (void)nProductCatalog;
    const Impl& m = *m_pImpl;
    if (m.haveLimits && m.limits.iqRateMaxHz != 0 && nRateHz > m.limits.iqRateMaxHz)
        return m.limits.iqRateMaxHz;
    return nRateHz;
}

_MxVer_u CMarlixMFC::GetSWVer() const {
    return m_pImpl->haveSWVer ? m_pImpl->swVer : _MxVer_u{};
}

bool CMarlixMFC::HasSWVer() const {
    return m_pImpl->haveSWVer;
}

BOOL CMarlixMFC::AllocPlayPowerGPSLogBuffer(int nPlayTimeSec) {
    return nPlayTimeSec >= 0 ? TRUE : FALSE;
}

void CMarlixMFC::MxExtensionFullBandSpectrumFree() {}

MxLinkCounters CMarlixMFC::GetLinkCounters() const {
    const MxCounters& c = m_pImpl->counters;
    MxLinkCounters r;
    r.txDatagrams = c.txDatagrams;
    r.rxDatagrams = c.rxDatagrams;
    r.rxAccepted = c.rxAccepted;
    r.dropBadMagic = c.dropBadMagic;
    r.dropTruncated = c.dropTruncated;
    r.dropOversized = c.dropOversized;
    r.dropMalformed = c.dropMalformed;
    r.dropForeign = c.dropForeign;
    r.dropUnexpected = c.dropUnexpected;
    r.dropReassembly = c.dropReassembly;
    r.dropDeliveries = c.dropDeliveries;
    r.dropUnmatched = c.dropUnmatched;
    r.pacingTimeouts = c.pacingTimeouts;
    r.refusedTargets = c.refusedTargets;
    r.linkLost = c.linkLost;
    return r;
}

std::vector<std::string> CMarlixMFC::GetDiscoveryTargets() const {
    const mxp::LinkConfig cfg = mxp::ReadLinkConfig();
    std::vector<std::string> v;
    if (cfg.loopbackOnly && !cfg.targetsOverridden)
        return v;
    for (std::uint32_t t : cfg.targets)
        if (mxp::MaySendTo(cfg, t, true))
            v.push_back(mxp::Dotted(t));
    return v;
}

std::uint16_t CMarlixMFC::GetPort() const {
    return mxp::ReadLinkConfig().port;
}

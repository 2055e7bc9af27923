// The device library: command queue, discovery, connected link, deliveries.
#include "device/MarlixMFC.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>

#include "marlixmfc/MarlixImpl.h"

CMarlixMFC g_Marlix;

namespace {

std::uint64_t NowMs() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

int MakeUdpSocket(bool broadcast) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    if (broadcast) {
        int on = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    }
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_ANY);
    a.sin_port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void Wake(int efd) {
    if (efd < 0)
        return;
    const std::uint64_t one = 1;
    [[maybe_unused]] ssize_t r = ::write(efd, &one, sizeof one);
}

void Drain(int efd) {
    std::uint64_t v;
    [[maybe_unused]] ssize_t r = ::read(efd, &v, sizeof v);
}

bool SendAll(int fd, const std::vector<std::vector<std::uint8_t>>& dgrams, std::uint32_t addr,
             std::uint16_t port, MxCounters& c) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = addr;
    to.sin_port = htons(port);
    bool ok = !dgrams.empty();
    for (const auto& d : dgrams) {
        if (::sendto(fd, d.data(), d.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to) < 0)
            ok = false;
        else
            c.txDatagrams.fetch_add(1, std::memory_order_relaxed);
    }
    return ok;
}

void CountDecodeError(mxp::DecodeError e, MxCounters& c) {
    switch (e) {
    case mxp::DecodeError::Truncated:
        c.dropTruncated++;
        break;
    case mxp::DecodeError::Oversized:
        c.dropOversized++;
        break;
    case mxp::DecodeError::BadMagic:
    case mxp::DecodeError::BadVersion:
    case mxp::DecodeError::BadFlags:
        c.dropBadMagic++;
        break;
    case mxp::DecodeError::BadFragment:
        c.dropReassembly++;
        break;
    case mxp::DecodeError::None:
        break;
    }
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
    if (m_pImpl->txFd >= 0)
        ::close(m_pImpl->txFd);
}

void CMarlixMFC::SetPostSink(IMessagePostSink* sink) {
    m_pImpl->sink.store(sink, std::memory_order_release);
}

// ---------------------------------------------------------------- commands

int CMarlixMFC::MxAddCmd(MX_CMD_ID_e cmd, MX_RW_ID_e rw, unsigned int size, const void* payload,
                         HWND hReply) {
    Impl& m = *m_pImpl;
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
    }
    {
        std::lock_guard<std::mutex> lock(m.queueMutex);
        if (m.queue.size() >= 4096)
            return 0;
        m.queue.push_back(std::move(c));
    }
    Wake(m.linkWake);
    return 1;
}

BOOL CMarlixMFC::CreateUDP_TxSocket() {
    Impl& m = *m_pImpl;
    if (m.txFd < 0)
        m.txFd = MakeUdpSocket(false);
    return m.txFd >= 0 ? TRUE : FALSE;
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
    return SendAll(m.txFd, dgrams, m.lastConnectTarget, cfg.port, m.counters) ? 1 : 0;
}

// ---------------------------------------------------------------- discovery

BOOL CMarlixMFC::BeginBroadCastRxThread() {
    Impl& m = *m_pImpl;
    if (m.discoveryThread.joinable())
        return TRUE;
    const mxp::LinkConfig cfg = mxp::ReadLinkConfig();
    m.discoveryFd = MakeUdpSocket(!cfg.loopbackOnly);
    if (m.discoveryFd < 0)
        return FALSE;
    m.discoveryWake = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    m.discoveryStop = false;
    const HWND notify = m_hNotifyWnd;
    (void)notify;
    m.discoveryThread = std::thread([&m, cfg] { m.DiscoveryLoop(cfg); });
    return TRUE;
}

void CMarlixMFC::CloseBroadCastRxThread() {
    Impl& m = *m_pImpl;
    if (!m.discoveryThread.joinable())
        return;
    m.discoveryStop = true;
    Wake(m.discoveryWake);
    m.discoveryThread.join();
    ::close(m.discoveryFd);
    ::close(m.discoveryWake);
    m.discoveryFd = -1;
    m.discoveryWake = -1;
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
    if (m.discoveryFd < 0)
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
        if (SendAll(m.discoveryFd, dgrams, t, cfg.port, m.counters))
            ++sent;
    }
    return sent > 0 ? 1 : 0;
}

void CMarlixMFC::Impl::DiscoveryLoop(mxp::LinkConfig cfg) {
    std::vector<std::uint8_t> buf(65536);
    while (!discoveryStop.load()) {
        pollfd fds[2] = {{discoveryFd, POLLIN, 0}, {discoveryWake, POLLIN, 0}};
        if (::poll(fds, 2, 200) < 0)
            continue;
        if (fds[1].revents & POLLIN)
            Drain(discoveryWake);
        for (;;) {
            sockaddr_in from{};
            socklen_t len = sizeof from;
            const ssize_t n =
                ::recvfrom(discoveryFd, buf.data(), buf.size(), 0, reinterpret_cast<sockaddr*>(&from), &len);
            if (n < 0)
                break;
            counters.rxDatagrams++;
            if (from.sin_family != AF_INET || (cfg.loopbackOnly && !mxp::IsLoopback(from.sin_addr.s_addr))) {
                counters.dropForeign++;
                continue;
            }
            mxp::Datagram d;
            const mxp::DecodeError e = mxp::DecodeDatagram(buf.data(), static_cast<std::size_t>(n), d);
            if (e != mxp::DecodeError::None) {
                CountDecodeError(e, counters);
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
            rec->m_nIPAddress = from.sin_addr.s_addr;
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
    m.linkWake = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (m.linkWake < 0)
        return FALSE;
    m.linkStop = false;
    {
        std::lock_guard<std::mutex> lock(m.queueMutex);
        m.queue.clear();
    }
    const HWND notify = m_hNotifyWnd;
    const std::uint64_t gen = m.generation;
    m.linkThread = std::thread([&m, cfg, notify, gen] { m.LinkLoop(cfg, notify, gen); });
    return TRUE;
}

void CMarlixMFC::CloseConnectedUDPThread() {
    Impl& m = *m_pImpl;
    if (!m.linkThread.joinable())
        return;
    m.linkStop = true;
    Wake(m.linkWake);
    m.linkThread.join();
    ::close(m.linkWake);
    m.linkWake = -1;
    ++m.generation;
    std::lock_guard<std::mutex> lock(m.queueMutex);
    m.queue.clear();
}

namespace {

struct ReplyEntry {
    std::uint32_t seq = 0;
    std::uint16_t cmd = 0;
    HWND hwnd = nullptr;
};

struct MeasureBlock {
    mxp::MeasureHead head;
    std::vector<std::int16_t> iq;
    std::vector<double> spectrum;
};

} // namespace

void CMarlixMFC::Impl::LinkLoop(mxp::LinkConfig cfg, HWND notify, std::uint64_t gen) {
    (void)gen;
    const int fd = MakeUdpSocket(false);
    if (fd < 0)
        return;
    std::int32_t st = MX_CONNECT_DISCONNECTED; // _MxConnectState_e, the link's own view
    std::uint32_t peerAddr = 0;
    std::uint32_t seq = 1;
    std::vector<ReplyEntry> table(1024);
    HWND connectReply = notify;
    mxp::Reassembler reasm;
    std::uint32_t axesPoints = 0; // points per block the program's graphs were last set up for
    std::uint64_t lastRx = 0, lastKeepAlive = 0;
    std::vector<std::uint8_t> buf(65536);
    CMarlixMFC* const g = owner;

    auto send = [&](std::uint16_t id, std::uint16_t sel, const std::vector<std::uint8_t>& payload, HWND h) {
        const std::uint32_t s = seq++;
        if (seq == 0)
            seq = 1;
        table[s % table.size()] = ReplyEntry{s, id, h};
        const auto dgrams = mxp::EncodeMessage(0, id, sel, s, 0, payload.data(), payload.size());
        SendAll(fd, dgrams, peerAddr, cfg.port, counters);
    };
    auto replyWindow = [&](std::uint32_t ref) -> HWND {
        if (ref != 0) {
            const ReplyEntry& e = table[ref % table.size()];
            if (e.seq == ref && e.hwnd != nullptr)
                return e.hwnd;
        }
        return notify;
    };
    auto post = [&](HWND h, UINT msg, WPARAM w, LPARAM l, std::function<void()> apply) {
        MxDelivery d;
        d.hwnd = h;
        d.msg = msg;
        d.wParam = w;
        d.lParam = l;
        d.apply = std::move(apply);
        Post(std::move(d));
    };

    // One complete message from the instrument; false when its payload is malformed.
    auto dispatch = [&](const mxp::Header& h, const std::uint8_t* p, std::size_t n) -> bool {
        if (mxp::EventName(h.id) == nullptr || h.id == mxp::EV_DEVICE_INFO) {
            counters.dropUnexpected++;
            return true;
        }
        std::uint32_t v[3] = {};
        switch (h.id) {
        case mxp::EV_CONNECT_STATE: {
            mxp::Reader rd(p, n);
            std::int32_t state;
            DeviceInfoRecord rec;
            if (n != 4 + mxp::kDeviceInfoSize || !rd.I32(state) || !mxp::GetDeviceInfo(rd, rec))
                return false;
            // An instrument answers a connect with 2, or ends the link with 4;
            // anything else would stop the link without a word.
            if (state != MX_CONNECT_CONNECTED && state != MX_CONNECT_LOST)
                return false;
            if (st != MX_CONNECT_CONNECTING && st != MX_CONNECT_CONNECTED)
                return true; // not asked for: ignored
            if (state == MX_CONNECT_CONNECTED) {
                st = MX_CONNECT_CONNECTED;
                lastKeepAlive = NowMs();
                const std::u16string section = ProfileSectionFor(rec, peerAddr);
                const std::int32_t catalog = rec.m_nProductCatalog;
                const std::uint32_t points = rec.m_nSpectrumPoints;
                if (points >= 1 && points <= MX_MAX_POINTS)
                    axesPoints = points;
                post(connectReply, WM_CONNECT_STATE, MX_CONNECT_CONNECTED, 0, [g, section, catalog, points] {
                    g->DeviceState.m_strProfileSection = section;
                    g->DeviceState.m_nProductCatalog = catalog;
                    if (points >= 1 && points <= MX_MAX_POINTS)
                        g->DeviceState.m_nSpectrumPoints = static_cast<std::int32_t>(points);
                });
            } else {
                // Ended by the instrument: the same road as a link that fell silent.
                st = MX_CONNECT_LOST;
                counters.linkLost++;
                reasm.Clear();
                post(connectReply, WM_CONNECT_STATE, MX_CONNECT_LOST, 0, {});
            }
            return true;
        }
        case mxp::EV_STATUS:
            if (!mxp::DecodeU32s(p, n, v, 1))
                return false;
            // Only the main frame shows status texts, whoever sent the command.
            post(notify, WM_STATUS_MESSAGE, static_cast<WPARAM>(v[0]), 0, {});
            return true;
        case mxp::EV_WAIT:
            if (!mxp::DecodeU32s(p, n, v, 1) || v[0] > 1)
                return false;
            post(notify, v[0] == 0 ? WM_WAIT_SHOW : WM_WAIT_DONE, 0, 0, {});
            return true;
        case mxp::EV_LIMITS: {
            mxp::Limits l;
            if (!mxp::DecodeLimits(p, n, l))
                return false;
            if (l.spectrumPoints >= 1 && l.spectrumPoints <= MX_MAX_POINTS)
                axesPoints = l.spectrumPoints;
            Impl* self = this;
            post(notify, WM_GRAPH_AXES_UPDATE, 0, 0, [g, self, l] {
                self->limits = l;
                self->haveLimits = true;
                g->Mx2InitMinMaxValueForSystemMode(l.systemMode, nullptr);
            });
            return true;
        }
        case mxp::EV_FOLDER_LIST: {
            auto vec = std::make_shared<std::vector<FolderItemRecord>>();
            if (!mxp::DecodeFolderList(p, n, *vec))
                return false;
            post(replyWindow(h.ref), WM_FOLDER_LIST_READY, 0, 0,
                 [g, vec] { g->DeviceDataStore.m_vecFolders = std::move(*vec); });
            return true;
        }
        case mxp::EV_FILE_LIST: {
            auto vec = std::make_shared<std::vector<FileInfoRecord>>();
            if (!mxp::DecodeFileList(p, n, *vec))
                return false;
            post(replyWindow(h.ref), WM_FILE_LIST_READY, 0, 0,
                 [g, vec] { g->DeviceDataStore.m_vecFiles = std::move(*vec); });
            return true;
        }
        case mxp::EV_PLAY_FILE_RESULT:
            if (!mxp::DecodeU32s(p, n, v, 1))
                return false;
            post(replyWindow(h.ref), WM_PLAY_FILE_RESULT, v[0], 0, {});
            return true;
        case mxp::EV_PLAY_POSITION: {
            if (!mxp::DecodeU32s(p, n, v, 3))
                return false;
            const std::uint32_t pos = v[1];
            const auto mode = static_cast<std::int32_t>(v[2]);
            post(replyWindow(h.ref), WM_PLAY_POSITION, v[0], 0, [g, pos, mode] {
                g->DeviceDataStore.m_nPlayPosSec = pos;
                g->DeviceState.m_nPlayMode = mode;
            });
            return true;
        }
        case mxp::EV_PLAY_EVENT: {
            if (!mxp::DecodeU32s(p, n, v, 2))
                return false;
            const auto mode = static_cast<std::int32_t>(v[1]);
            post(notify, WM_PLAY_EVENT, v[0], 0, [g, mode] { g->DeviceState.m_nPlayMode = mode; });
            return true;
        }
        case mxp::EV_RENAME_RESULT:
            if (!mxp::DecodeU32s(p, n, v, 1))
                return false;
            post(replyWindow(h.ref), WM_RENAME_RESULT, v[0], 0, {});
            return true;
        case mxp::EV_COPY_PROGRESS:
            if (!mxp::DecodeU32s(p, n, v, 1) || v[0] > 100)
                return false;
            post(replyWindow(h.ref), WM_COPY_PROGRESS, v[0], 0, {});
            return true;
        case mxp::EV_DRIVE_FOUND:
            if (!mxp::DecodeU32s(p, n, v, 1) || v[0] > 25)
                return false;
            post(replyWindow(h.ref), WM_DRIVE_FOUND, v[0], 0, {});
            return true;
        case mxp::EV_DRIVE_LIST_RESET:
            if (n != 0)
                return false;
            post(replyWindow(h.ref), WM_DRIVE_LIST_RESET, 0, 0, {});
            return true;
        case mxp::EV_CAL_VALUE:
            if (!mxp::DecodeU32s(p, n, v, 2))
                return false;
            post(replyWindow(h.ref), WM_CAL_VALUE, v[0], static_cast<LPARAM>(static_cast<std::int32_t>(v[1])),
                 {});
            return true;
        case mxp::EV_TRANSFER: {
            if (!mxp::DecodeU32s(p, n, v, 2))
                return false;
            const std::uint32_t total = v[0], done = v[1];
            post(notify, WM_TRANSFER_PROGRESS, 0, 0, [g, total, done] {
                g->DeviceDataStore.m_nTransferTotal = total;
                g->DeviceDataStore.m_nTransferDone = done;
            });
            return true;
        }
        case mxp::EV_TRANSFER_RATE:
            if (!mxp::DecodeU32s(p, n, v, 1))
                return false;
            post(notify, WM_TRANSFER_RATE, v[0], 0, {});
            return true;
        case mxp::EV_PLAY_LIST_CLEAR:
            if (n != 0)
                return false;
            post(notify, WM_PLAY_LIST_CLEAR, 0, 0, {});
            return true;
        case mxp::EV_KEEPALIVE:
            return n == 0;
        case mxp::EV_MEASURE: {
            auto blk = std::make_shared<MeasureBlock>();
            if (!mxp::DecodeMeasure(p, n, blk->head, blk->iq))
                return false;
            if (measureInFlight->load() >= 3) {
                counters.dropDeliveries++;
                return true;
            }
            const int points = static_cast<int>(blk->head.points);
            if (blk->head.kind != 1) {
                blk->spectrum.resize(static_cast<std::size_t>(points));
                if (!MxComputeSpectrum(engine, spectralInv.load(), blk->head, blk->iq.data(),
                                       blk->spectrum.data()))
                    blk->spectrum.clear();
            }
            // A block of another size than the graphs were set up for: axes first.
            if (blk->head.points != axesPoints) {
                axesPoints = blk->head.points;
                const auto pts = static_cast<std::int32_t>(axesPoints);
                post(notify, WM_GRAPH_AXES_UPDATE, 0, 0,
                     [g, pts] { g->DeviceState.m_nSpectrumPoints = pts; });
            }
            auto inFlight = measureInFlight;
            inFlight->fetch_add(1);
            MxDelivery d;
            d.hwnd = notify;
            d.msg = WM_MEASURE_DATA;
            d.wParam = blk->spectrum.empty() ? 1 : 0;
            d.apply = [g, blk] {
                const auto n2 = static_cast<std::size_t>(blk->head.points);
                std::memcpy(g->DeviceDataStore.m_asISamples, blk->iq.data(), n2 * sizeof(std::int16_t));
                std::memcpy(g->DeviceDataStore.m_asQSamples, blk->iq.data() + n2, n2 * sizeof(std::int16_t));
                if (!blk->spectrum.empty())
                    std::memcpy(g->DeviceDataStore.m_adSpectrum, blk->spectrum.data(), n2 * sizeof(double));
                g->DeviceState.m_nSpectrumPoints = static_cast<std::int32_t>(n2);
                g->DeviceDataStore.m_nPlayPosSec = blk->head.positionSec;
                g->DeviceState.m_nPlayMode = blk->head.playMode;
            };
            d.release = [inFlight] { inFlight->fetch_sub(1); };
            Post(std::move(d));
            return true;
        }
        default:
            return true;
        }
    };

    auto accept = [&](const mxp::Header& h, const std::uint8_t* p, std::size_t n) {
        const std::uint64_t unexpectedBefore = counters.dropUnexpected.load();
        if (!dispatch(h, p, n))
            counters.dropMalformed++;
        else if (counters.dropUnexpected.load() == unexpectedBefore)
            counters.rxAccepted++;
    };

    auto handleDatagram = [&](const sockaddr_in& from, const std::uint8_t* data, std::size_t n) {
        counters.rxDatagrams++;
        if (st == MX_CONNECT_DISCONNECTED || from.sin_family != AF_INET || from.sin_addr.s_addr != peerAddr ||
            from.sin_port != htons(cfg.port)) {
            counters.dropForeign++;
            return;
        }
        if (st == MX_CONNECT_LOST) {
            counters.dropUnexpected++;
            return;
        }
        mxp::Datagram d;
        const mxp::DecodeError e = mxp::DecodeDatagram(data, n, d);
        if (e != mxp::DecodeError::None) {
            CountDecodeError(e, counters);
            return;
        }
        if (!(d.h.flags & mxp::FLAG_FROM_INSTRUMENT)) {
            counters.dropUnexpected++;
            return;
        }
        lastRx = NowMs();
        if (d.h.flags & mxp::FLAG_FRAGMENT) {
            mxp::Message msg;
            const std::uint64_t before = reasm.Dropped();
            const auto r = reasm.Add(d, lastRx, msg);
            counters.dropReassembly += reasm.Dropped() - before;
            if (r != mxp::Reassembler::Result::Complete)
                return;
            accept(msg.h, msg.payload.data(), msg.payload.size());
            return;
        }
        accept(d.h, d.payload, d.size);
    };

    while (!linkStop.load()) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {linkWake, POLLIN, 0}};
        ::poll(fds, 2, 100);
        if (fds[1].revents & POLLIN)
            Drain(linkWake);
        if (linkStop.load())
            break;

        std::deque<QueuedCmd> cmds;
        {
            std::lock_guard<std::mutex> lock(queueMutex);
            cmds.swap(queue);
        }
        for (auto& c : cmds) {
            if (c.id == MX_CMD_CONNECT) {
                if (!mxp::MaySendTo(cfg, c.target, false)) {
                    counters.refusedTargets++;
                    continue;
                }
                peerAddr = c.target;
                st = MX_CONNECT_CONNECTING;
                reasm.Clear();
                connectReply = c.hReply != nullptr ? c.hReply : notify;
                lastRx = NowMs();
            }
            if (st == MX_CONNECT_DISCONNECTED || st == MX_CONNECT_LOST)
                continue; // no instrument to send to
            send(c.id, c.selector, c.payload, c.hReply);
        }

        for (;;) {
            sockaddr_in from{};
            socklen_t len = sizeof from;
            const ssize_t n =
                ::recvfrom(fd, buf.data(), buf.size(), 0, reinterpret_cast<sockaddr*>(&from), &len);
            if (n < 0)
                break;
            handleDatagram(from, buf.data(), static_cast<std::size_t>(n));
        }

        const std::uint64_t now = NowMs();
        if (st == MX_CONNECT_CONNECTED) {
            if (now - lastKeepAlive >= mxp::kKeepAlivePeriodMs) {
                lastKeepAlive = now;
                send(mxp::LINK_KEEPALIVE, MX_RW_DEFAULT, {}, nullptr);
            }
            if (now - lastRx > cfg.linkTimeoutMs) {
                st = MX_CONNECT_LOST;
                counters.linkLost++;
                reasm.Clear();
                post(connectReply, WM_CONNECT_STATE, MX_CONNECT_LOST, 0, {});
            }
        }
    }
    ::close(fd);
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
        // and mode parameter as they are.
        l = mxp::DefaultLimits(nSystemMode);
        l.spectrumPoints = static_cast<std::uint32_t>(DeviceState.m_nSpectrumPoints);
        l.modeParamA = DeviceState.m_nModeParamA;
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
    _MxVer_u v{};
    v.m_abVer[3] = 1; // shown "1.0.1.4"
    v.m_abVer[2] = 0;
    v.m_abVer[1] = 1;
    v.m_abVer[0] = 4;
    return v;
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

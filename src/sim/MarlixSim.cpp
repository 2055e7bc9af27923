#include "sim/MarlixSim.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

#include "marlixmfc/MxLinkConfig.h"

namespace {
constexpr std::size_t kPaceBurst = 16;  // datagrams sent back to back
constexpr unsigned kPacePauseUs = 1000; // then a pause
std::uint64_t SteadyMs() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}
std::int32_t I32At(const std::uint8_t* p) {
    return static_cast<std::int32_t>(
        static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
        (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24));
}
// Status codes of refused output settings ("Err:FFS freq param", "Err:Atten Param",
// "Err:Invalid RF Out Param").
constexpr std::uint32_t kStatusBadFrequency = 0x1308;
constexpr std::uint32_t kStatusBadLevel = 0x1901;
constexpr std::uint32_t kStatusBadClock = 0x1E04;

std::vector<std::uint8_t> Header(std::uint32_t magic, std::uint8_t version, std::uint8_t flags,
                                 std::uint16_t id, std::uint16_t length, std::uint32_t seq) {
    mxp::Writer w;
    w.U32(magic);
    w.U8(version);
    w.U8(flags);
    w.U16(id);
    w.U16(MX_RW_DEFAULT);
    w.U16(length);
    w.U32(seq);
    w.U32(0);
    return std::move(w.Data());
}
} // namespace

CMarlixSim::CMarlixSim(SimOptions opt) : m_opt(std::move(opt)), m_storage(m_opt.externalDrives) {
    m_t0 = SteadyMs();
    m_measure.SetIntervalOverrideMs(m_opt.measureIntervalMs);
}

CMarlixSim::~CMarlixSim() {
    if (m_nBlocksSent > 0)
        std::fprintf(stderr, "marlix-sim %s: %llu measurement blocks sent\n", m_opt.bind.c_str(),
                     static_cast<unsigned long long>(m_nBlocksSent));
    if (m_fd >= 0)
        ::close(m_fd);
    if (m_log)
        std::fclose(m_log);
}

std::uint64_t CMarlixSim::Ms() const {
    return SteadyMs() - m_t0;
}

bool CMarlixSim::Open() {
    if (!mxp::ParseDotted(m_opt.bind, m_bindAddr)) {
        std::fprintf(stderr, "marlix-sim: --bind %s is not an IPv4 address\n", m_opt.bind.c_str());
        return false;
    }
    if (m_opt.serial.empty()) {
        m_opt.serial = "SIM-" + m_opt.bind;
        std::replace(m_opt.serial.begin(), m_opt.serial.end(), '.', '-');
    }
    m_fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_fd < 0)
        return false;
    if (m_opt.rcvBufBytes > 0) {
        // The system doubles what it is asked for (its own bookkeeping): ask for half.
        const int want = m_opt.rcvBufBytes / 2;
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &want, sizeof want);
    }
    {
        int got = 0;
        socklen_t len = sizeof got;
        ::getsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &got, &len);
        std::fprintf(stderr, "marlix-sim %s: receive buffer %d bytes\n", m_opt.bind.c_str(), got);
    }
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = m_bindAddr;
    a.sin_port = htons(m_opt.port);
    if (::bind(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        std::fprintf(stderr, "marlix-sim: cannot bind %s:%u: %s\n", m_opt.bind.c_str(), m_opt.port,
                     std::strerror(errno));
        return false;
    }
    // Opened after the bind: a log file that exists means the instrument answers.
    if (!m_opt.logPath.empty()) {
        m_log = std::fopen(m_opt.logPath.c_str(), "w");
        if (!m_log) {
            std::fprintf(stderr, "marlix-sim: cannot write the log %s\n", m_opt.logPath.c_str());
            return false;
        }
    }
    return true;
}

void CMarlixSim::Poll(int timeoutMs) {
    static thread_local std::vector<std::uint8_t> buf(65536);
    {
        pollfd p{m_fd, POLLIN, 0};
        if (m_bPlaying) {
            const int due = m_measure.MsUntilDue(SteadyMs());
            if (due >= 0)
                timeoutMs = std::min(timeoutMs, due);
        }
        if (!m_copies.empty())
            timeoutMs = std::min(timeoutMs, static_cast<int>(m_opt.copyStepMs));
        ::poll(&p, 1, timeoutMs);
        for (;;) {
            sockaddr_in from{};
            socklen_t len = sizeof from;
            const ssize_t n =
                ::recvfrom(m_fd, buf.data(), buf.size(), 0, reinterpret_cast<sockaddr*>(&from), &len);
            if (n < 0)
                break;
            Peer peer{from.sin_addr.s_addr, from.sin_port};
            Receive(peer, buf.data(), static_cast<std::size_t>(n));
        }
        Tick();
    }
}

void CMarlixSim::SetSilent(bool on) {
    m_bSilent = on;
    if (on)
        std::fprintf(stderr, "marlix-sim %s: silent: %llu measurement blocks sent\n", m_opt.bind.c_str(),
                     static_cast<unsigned long long>(m_nBlocksSent));
    else
        std::fprintf(stderr, "marlix-sim %s: answering\n", m_opt.bind.c_str());
}

// ---------------------------------------------------------------- receiving

void CMarlixSim::Receive(const Peer& from, const std::uint8_t* data, std::size_t n) {
    mxp::Datagram d;
    if (mxp::DecodeDatagram(data, n, d) != mxp::DecodeError::None)
        return;
    if (d.h.flags & mxp::FLAG_FROM_INSTRUMENT)
        return; // another instrument's datagram
    if (d.h.flags & mxp::FLAG_FRAGMENT) {
        mxp::Message m;
        if (m_reasm.Add(d, SteadyMs(), m) != mxp::Reassembler::Result::Complete)
            return;
        Command(from, m.h, m.payload.data(), m.payload.size());
        return;
    }
    Command(from, d.h, d.payload, d.size);
}

void CMarlixSim::Log(const mxp::Header& h, const std::uint8_t* p, std::size_t n) {
    if (!m_log)
        return;
    const char* name = MxCmdName(h.id);
    std::string hex;
    static const char digits[] = "0123456789abcdef";
    for (std::size_t i = 0; i < n; ++i) {
        hex += digits[p[i] >> 4];
        hex += digits[p[i] & 15];
    }
    std::fprintf(m_log, "%llu %u %s %u %zu %s\n", static_cast<unsigned long long>(Ms()), h.id,
                 name ? name : "MX_CMD_UNKNOWN", h.selector, n, n ? hex.c_str() : "-");
    std::fflush(m_log);
}

void CMarlixSim::Command(const Peer& from, const mxp::Header& h, const std::uint8_t* p, std::size_t n) {
    if (h.id == mxp::LINK_KEEPALIVE) {
        if (m_bConnected && from.addr == m_client.addr && from.port == m_client.port)
            Reply(mxp::EV_KEEPALIVE, h.seq, {});
        return;
    }
    Log(h, p, n);
    const int want = mxp::CommandPayloadSize(h.id, h.selector);
    if (want == -2)
        return;
    if (want >= 0 && n != static_cast<std::size_t>(want))
        return;
    if (want == -1 && (n % 2 != 0 || n > 2048))
        return;
    std::u16string text;
    if (want == -1)
        mxp::DecodeText(p, n, text, 1024);

    if (h.id == MX_CMD_DISCOVER) {
        if (h.selector != MX_RW_BROADCAST)
            return;
        mxp::Writer w;
        mxp::PutDeviceInfo(w, Info());
        Send(from, mxp::EV_DEVICE_INFO, h.seq, w.Data());
        return;
    }
    if (h.id == MX_CMD_CONNECT) {
        m_bConnected = true;
        m_client = from;
        m_connectedAt = SteadyMs();
        // With the count at each silence, a long run tells the blocks of each connected stretch.
        std::fprintf(stderr, "marlix-sim %s: connected: %llu measurement blocks sent\n", m_opt.bind.c_str(),
                     static_cast<unsigned long long>(m_nBlocksSent));
        m_reasm.Clear();
        StopPlay(false);
        m_playLoads.clear();
        mxp::Writer w;
        w.I32(MX_CONNECT_CONNECTED);
        mxp::PutDeviceInfo(w, Info());
        Reply(mxp::EV_CONNECT_STATE, h.seq, w.Data());
        if (m_opt.malformedOnConnect) {
            SendMalformedBurst();
            SendForeignBurst();
        }
        return;
    }
    if (!m_bConnected || from.addr != m_client.addr)
        return;
    if (h.id == MX_CMD_DISCONNECT) { // from any port of the client (the library's send-at-once socket)
        m_bConnected = false;
        StopPlay(false);
        m_copies.clear();
        m_playLoads.clear();
        return;
    }
    if (from.port != m_client.port)
        return;

    const std::int32_t v = n >= 4 ? I32At(p) : 0;
    switch (h.id) {
    case MX_CMD_STATUS:
        Reply(mxp::EV_STATUS, h.seq, mxp::EncodeU32s({static_cast<std::uint32_t>(m_opt.statusCode)}));
        break;
    case MX_CMD_SYSTEM_MODE:
        m_nSystemMode = v;
        Reply(mxp::EV_WAIT, h.seq, mxp::EncodeU32s({0}));
        Reply(mxp::EV_LIMITS, h.seq, mxp::EncodeLimits(CurrentLimits()));
        Reply(mxp::EV_WAIT, h.seq, mxp::EncodeU32s({1}));
        break;
    case MX_CMD_REF_10MHZ:
        m_nRef10MHz = v;
        break;
    case MX_CMD_TRIGGER:
        m_nTrigger = v;
        break;
    case MX_CMD_TRIGGER_OUT:
        m_nTriggerOut = v;
        break;
    case MX_CMD_RES_BW:
        m_nResBW = v;
        break;
    case MX_CMD_UPDATE_SPEED:
        m_nUpdateSpeed = v;
        break;
    case MX_CMD_SPECTRAL_INV:
        m_nSpectralInv = v;
        break;
    case MX_CMD_ZEPHYRA_FREQ: {
        // Out of range is refused and the output stays as it was, as on the instrument.
        const mxp::Limits l = CurrentLimits();
        const auto hz = static_cast<std::uint32_t>(v);
        if (hz < l.freqMinHz || hz > l.freqMaxHz)
            Reply(mxp::EV_STATUS, h.seq, mxp::EncodeU32s({kStatusBadFrequency}));
        else
            m_nFreqHz = hz;
        break;
    }
    case MX_CMD_ZEPHYRA_POWER: {
        const mxp::Limits l = CurrentLimits();
        const auto level = static_cast<std::int16_t>(p[0] | (p[1] << 8));
        if (level < l.levelMin || level > l.levelMax)
            Reply(mxp::EV_STATUS, h.seq, mxp::EncodeU32s({kStatusBadLevel}));
        else
            m_sPower = level;
        break;
    }
    case MX_CMD_SAMPLE_CLOCK: {
        double clock;
        std::memcpy(&clock, p, 8);
        if (!(clock > 0.0) || !(clock <= mxp::kMaxMeasureClock))
            Reply(mxp::EV_STATUS, h.seq, mxp::EncodeU32s({kStatusBadClock}));
        else
            m_dSampleClockKHz = clock;
        break;
    }
    case MX_CMD_MODE_PARAM_A:
        m_nModeParamA = v;
        break;
    case MX_CMD_MODE_PARAM_B:
        m_nModeParamB = static_cast<std::uint32_t>(v);
        break;
    case MX_CMD_STORAGE:
        m_nStorage = v;
        if (v == 1) {
            const auto drives = m_storage.ExternalDrives();
            if (drives.empty()) {
                Reply(mxp::EV_DRIVE_FOUND, h.seq, mxp::EncodeU32s({25}));
            } else {
                Reply(mxp::EV_DRIVE_LIST_RESET, h.seq, {});
                for (int dr : drives)
                    Reply(mxp::EV_DRIVE_FOUND, h.seq, mxp::EncodeU32s({static_cast<std::uint32_t>(dr)}));
            }
        } else if (m_opt.answerInternalStorage) {
            // As a rescan in internal storage is answered.
            Reply(mxp::EV_DRIVE_LIST_RESET, h.seq, {});
            Reply(mxp::EV_DRIVE_FOUND, h.seq, mxp::EncodeU32s({25}));
        }
        break;
    case MX_CMD_STORAGE_DRIVE:
        m_nStorageDrive = v;
        break;
    case MX_CMD_RESCAN_DISK: {
        const auto drives = m_storage.ExternalDrives();
        Reply(mxp::EV_DRIVE_LIST_RESET, h.seq, {});
        if (drives.empty() || m_nStorage != 1)
            Reply(mxp::EV_DRIVE_FOUND, h.seq, mxp::EncodeU32s({25}));
        else
            for (int dr : drives)
                Reply(mxp::EV_DRIVE_FOUND, h.seq, mxp::EncodeU32s({static_cast<std::uint32_t>(dr)}));
        break;
    }
    case MX_CMD_FOLDER_LIST:
    case MX_CMD_FILE_LIST: {
        mxp::Reader rd(p, n);
        FolderItemRecord req;
        if (!mxp::GetFolderItem(rd, req))
            break;
        const std::u16string path = mxp::FromZ(req.m_szPath, 260);
        if (h.id == MX_CMD_FOLDER_LIST) {
            std::vector<FolderItemRecord> out;
            const auto names = path == u"root" ? m_storage.Roots(m_nStorage == 1) : m_storage.Folders(path);
            for (const auto& name : names) {
                FolderItemRecord r{};
                r.m_hItem = req.m_hItem;
                mxp::CopyZ(r.m_szPath, 260, name);
                out.push_back(r);
            }
            Reply(mxp::EV_FOLDER_LIST, h.seq, mxp::EncodeFolderList(out));
        } else {
            std::vector<FileInfoRecord> out;
            if (const auto* files = path == u"root" ? nullptr : m_storage.Files(path)) {
                for (const auto& f : *files) {
                    if (out.size() >= mxp::kMaxFileEntries)
                        break;
                    FileInfoRecord r{};
                    mxp::CopyZ(r.m_szName, 100, f.name);
                    r.m_bFM = f.fm ? 1 : 0;
                    r.m_llSize = f.size;
                    r.m_dSampleClock = f.sampleClockKHz;
                    r.m_nTimeSec = f.timeSec;
                    r.m_nPower = f.power;
                    out.push_back(r);
                }
            }
            Reply(mxp::EV_FILE_LIST, h.seq, mxp::EncodeFileList(out));
        }
        break;
    }
    case MX_CMD_PLAY_FILE:
        StopPlay(false);
        if (m_opt.playFileMs > 0) { // a drive that takes its time: other commands are answered meanwhile
            m_bFileLoaded = false;
            m_playLoads.push_back({text, h.seq, SteadyMs() + m_opt.playFileMs});
        } else
            LoadPlayFile(text, h.seq);
        break;
    case MX_CMD_PLAY_START:
    case MX_CMD_PLAY_START_STATE8:
    case MX_CMD_PLAY_START_STATE10:
        if (!m_bFileLoaded) {
            Reply(mxp::EV_STATUS, h.seq, mxp::EncodeU32s({0x1B00}));
            break;
        }
        m_bPlaying = true;
        m_nPlayMode = 5;
        m_playRef = h.seq;
        m_lastPlayTick = m_lastPosReport = SteadyMs();
        m_measure.Start(m_lastPlayTick, m_nUpdateSpeed);
        Reply(mxp::EV_PLAY_POSITION, h.seq,
              mxp::EncodeU32s(
                  {138, static_cast<std::uint32_t>(m_dPos), static_cast<std::uint32_t>(m_nPlayMode)}));
        break;
    case MX_CMD_PLAY_STOP:
        m_playRef = h.seq;
        StopPlay(true);
        break;
    case MX_CMD_PLAY_SEEK: {
        const double limit = m_bFileLoaded ? m_playFile.timeSec : 0.0;
        m_dPos = std::clamp(static_cast<double>(v), 0.0, limit);
        if (m_bPlaying)
            m_playRef = h.seq;
        Reply(mxp::EV_PLAY_POSITION, h.seq,
              mxp::EncodeU32s(
                  {145, static_cast<std::uint32_t>(m_dPos), static_cast<std::uint32_t>(m_nPlayMode)}));
        break;
    }
    case MX_CMD_FILE_DELETE:
        if (m_opt.failDelete || !m_storage.Delete(text))
            Reply(mxp::EV_STATUS, h.seq, mxp::EncodeU32s({0x1B02})); // "Err:delete"
        break;
    case MX_CMD_FILE_RENAME_FROM:
        m_strRenameFrom = text;
        break;
    case MX_CMD_FILE_RENAME_TO: {
        const bool ok =
            !m_opt.failRename && !m_strRenameFrom.empty() && m_storage.Rename(m_strRenameFrom, text);
        m_strRenameFrom.clear();
        Reply(mxp::EV_RENAME_RESULT, h.seq, mxp::EncodeU32s({ok ? 2u : 0u}));
        if (!ok)
            Reply(mxp::EV_STATUS, h.seq, mxp::EncodeU32s({0x1B0D})); // "Err:rename"
        break;
    }
    case MX_CMD_COPY_DRIVE:
        m_nCopyDrive = v;
        break;
    case MX_CMD_COPY_FILE:
        if (!m_storage.HasDrive(m_nCopyDrive) || !m_storage.Find(text)) {
            Reply(mxp::EV_STATUS, h.seq,
                  mxp::EncodeU32s({m_storage.HasDrive(m_nCopyDrive) ? 0x1B00u : 0x1B0Bu}));
            break;
        }
        m_copies.push_back(CopyJob{text, m_nCopyDrive, h.seq, 0});
        if (m_copies.size() == 1)
            m_lastCopyTick = SteadyMs();
        break;
    case MX_CMD_COPY_CANCEL:
        m_copies.clear();
        break;
    case MX_CMD_MODULE_CAL:
        if (h.selector >= MX_RW_CAL_UPC_SET && h.selector <= MX_RW_CAL_DOC_SET) {
            m_anCal[h.selector - MX_RW_CAL_UPC_SET] = v;
        } else if (h.selector >= MX_RW_CAL_UPC_GET && h.selector <= MX_RW_CAL_DOC_GET) {
            const unsigned idx = h.selector - MX_RW_CAL_UPC_GET;
            Reply(mxp::EV_CAL_VALUE, h.seq, mxp::EncodeU32s({idx, static_cast<std::uint32_t>(m_anCal[idx])}));
        }
        break;
    case MX_CMD_TEXT_COMMAND:
        std::fprintf(stderr, "marlix-sim %s console: %s\n", m_opt.bind.c_str(), mxp::ToUtf8(text).c_str());
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------- sending

void CMarlixSim::SendRaw(const Peer& to, const std::vector<std::uint8_t>& dgram, int fd) {
    if (m_bSilent)
        return;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = to.addr;
    a.sin_port = to.port;
    ::sendto(fd >= 0 ? fd : m_fd, dgram.data(), dgram.size(), 0, reinterpret_cast<sockaddr*>(&a), sizeof a);
}

void CMarlixSim::Send(const Peer& to, std::uint16_t id, std::uint32_t ref,
                      const std::vector<std::uint8_t>& payload) {
    if (m_bSilent)
        return;
    const std::uint32_t s = m_seq++;
    const auto dgrams = mxp::EncodeMessage(mxp::FLAG_FROM_INSTRUMENT, id, MX_RW_DEFAULT, s, ref,
                                           payload.data(), payload.size());
    // A long message (a folder of thousands of files) is paced, so that the
    // receiver's socket buffer is not overrun and the message arrives whole.
    for (std::size_t i = 0; i < dgrams.size(); ++i) {
        if (i > 0 && i % kPaceBurst == 0)
            ::usleep(kPacePauseUs);
        SendRaw(to, dgrams[i]);
    }
}

void CMarlixSim::Reply(std::uint16_t id, std::uint32_t ref, const std::vector<std::uint8_t>& payload) {
    if (m_bConnected)
        Send(m_client, id, ref, payload);
}

DeviceInfoRecord CMarlixSim::Info() const {
    DeviceInfoRecord r{};
    mxp::CopyZ(r.m_szModel, sizeof r.m_szModel, "Marlix Zephyra");
    mxp::CopyZ(r.m_szSerial, sizeof r.m_szSerial, m_opt.serial);
    const std::uint32_t host = ntohl(m_bindAddr);
    const std::uint8_t mac[6] = {0x02,
                                 0x4D,
                                 static_cast<std::uint8_t>(host >> 24),
                                 static_cast<std::uint8_t>(host >> 16),
                                 static_cast<std::uint8_t>(host >> 8),
                                 static_cast<std::uint8_t>(host)};
    std::memcpy(r.m_abMAC, mac, 6);
    r.m_nProductCatalog = MX_PRODUCT_ZEPHYRA;
    r.m_nSubnetMask = htonl(0xFF000000u);
    r.m_wUdpPort = m_opt.port;
    r.m_nSpectrumPoints = m_opt.spectrumPoints;
    r.m_nIPAddress = m_bindAddr;
    const std::uint8_t hw[4] = {0, 0, 1, 2}, sw[4] = {7, 3, 2, 1}, pump[4] = {0, 0, 4, 1},
                       dsp[4] = {2, 0, 5, 3};
    std::memcpy(r.m_abHWVer, hw, 4); // shown 2.1.0.0 (byte 3 first)
    std::memcpy(r.m_abSWVer, sw, 4);
    std::memcpy(r.m_abPumpVer, pump, 4);
    std::memcpy(r.m_abDSPVer, dsp, 4);
    mxp::CopyZ(r.m_szDescription, sizeof r.m_szDescription, m_opt.name);
    r.m_nBoardRev = 11; // "(2.0)"
    return r;
}

mxp::Limits CMarlixSim::CurrentLimits() const {
    mxp::Limits l = mxp::DefaultLimits(m_nSystemMode);
    l.spectrumPoints = m_opt.spectrumPoints;
    return l;
}

void CMarlixSim::StopPlay(bool report) {
    const bool was = m_bPlaying;
    m_bPlaying = false;
    m_nPlayMode = 9;
    if (report)
        Reply(mxp::EV_PLAY_POSITION, m_playRef,
              mxp::EncodeU32s(
                  {146, static_cast<std::uint32_t>(m_dPos), static_cast<std::uint32_t>(m_nPlayMode)}));
    (void)was;
}

// While a file plays: one block per update interval, at the output level (the
// level sent plus the file's own power, as the front panel shows it).
void CMarlixSim::SendMeasureBlock(std::uint64_t nowMs) {
    if (!m_bConnected)
        return;
    const double levelDbm = m_sPower / 10.0 + m_playFile.power / 10.0;
    const auto block =
        m_measure.NextBlock(nowMs, m_nUpdateSpeed, static_cast<int>(m_opt.spectrumPoints), m_nPlayMode,
                            m_dPos, m_dSampleClockKHz, levelDbm, m_nSpectralInv != 0);
    if (block.empty())
        return;
    if (!m_bSilent)
        ++m_nBlocksSent;
    Reply(mxp::EV_MEASURE, 0, block);
}

void CMarlixSim::LoadPlayFile(const std::u16string& path, std::uint32_t ref) {
    const SimFile* f = m_storage.Find(path);
    if (f) {
        m_playFile = *f;
        m_strPlayPath = path;
        m_measure.Load(f->name);
        m_bFileLoaded = true;
        m_dPos = 0.0;
        m_dSampleClockKHz = f->sampleClockKHz;
        Reply(mxp::EV_PLAY_FILE_RESULT, ref, mxp::EncodeU32s({2}));
    } else {
        m_bFileLoaded = false;
        Reply(mxp::EV_PLAY_FILE_RESULT, ref, mxp::EncodeU32s({0}));
        Reply(mxp::EV_STATUS, ref, mxp::EncodeU32s({0x1B00})); // "Err:Play file"
    }
}

void CMarlixSim::Tick() {
    const std::uint64_t now = SteadyMs();
    while (!m_playLoads.empty() && now >= m_playLoads.front().due) {
        const PlayLoad load = m_playLoads.front();
        m_playLoads.pop_front();
        LoadPlayFile(load.path, load.ref);
    }
    if (m_bConnected && m_opt.silentAfterMs && !m_bSilent && now - m_connectedAt >= m_opt.silentAfterMs)
        SetSilent(true);
    if (m_bPlaying) {
        m_dPos += (now - m_lastPlayTick) / 1000.0 * m_opt.playSpeed;
        m_lastPlayTick = now;
        if (m_dPos >= m_playFile.timeSec) {
            m_dPos = 0.0;
            m_bPlaying = false;
            m_nPlayMode = 9;
            Reply(mxp::EV_PLAY_EVENT, 0, mxp::EncodeU32s({9, 9}));
            Reply(mxp::EV_PLAY_POSITION, m_playRef, mxp::EncodeU32s({146, 0, 9}));
        } else if (now - m_lastPosReport >= (m_opt.playSpeed > 1.0 ? 200u : 1000u)) {
            m_lastPosReport = now;
            Reply(mxp::EV_PLAY_POSITION, m_playRef,
                  mxp::EncodeU32s(
                      {138, static_cast<std::uint32_t>(m_dPos), static_cast<std::uint32_t>(m_nPlayMode)}));
        }
    }
    if (m_bPlaying)
        SendMeasureBlock(now);
    if (!m_copies.empty() && now - m_lastCopyTick >= m_opt.copyStepMs) {
        m_lastCopyTick = now;
        CopyJob& job = m_copies.front();
        if (m_opt.copyFailAfter >= 0 && m_nFilesCopied >= m_opt.copyFailAfter && job.percent >= 50) {
            // The drive fills up half-way through this file: the rest is dropped.
            Reply(mxp::EV_STATUS, job.ref, mxp::EncodeU32s({0x1B0C})); // "Err:Hard Disk FULL"
            m_copies.clear();
            return;
        }
        job.percent = std::min(100, job.percent + 25);
        const SimFile* f = m_storage.Find(job.path);
        const std::uint64_t size = f ? f->size : 0;
        const auto total = static_cast<std::uint32_t>(std::min<std::uint64_t>(size, 0xFFFFFFFFu));
        const auto done = static_cast<std::uint32_t>(static_cast<std::uint64_t>(total) * job.percent / 100);
        Reply(mxp::EV_TRANSFER, 0, mxp::EncodeU32s({total, done}));
        Reply(mxp::EV_TRANSFER_RATE, 0, mxp::EncodeU32s({25000000u}));
        Reply(mxp::EV_COPY_PROGRESS, job.ref, mxp::EncodeU32s({static_cast<std::uint32_t>(job.percent)}));
        if (job.percent >= 100) {
            m_storage.CopyToDrive(job.path, job.drive);
            m_copies.pop_front();
            ++m_nFilesCopied;
        }
    }
}

// ---------------------------------------------------------------- test hooks

void CMarlixSim::SendMalformedBurst() {
    if (!m_bConnected)
        return;
    const Peer to = m_client;
    std::uint32_t s = 0x70000000u;
    // 1 wrong magic, 2 wrong version, 3 unknown flag bits.
    auto ok4 = mxp::EncodeU32s({0x1400});
    auto d = Header(0xDEADBEEFu, mxp::kVersion, mxp::FLAG_FROM_INSTRUMENT, mxp::EV_STATUS, 4, s++);
    d.insert(d.end(), ok4.begin(), ok4.end());
    SendRaw(to, d);
    d = Header(mxp::kMagic, 9, mxp::FLAG_FROM_INSTRUMENT, mxp::EV_STATUS, 4, s++);
    d.insert(d.end(), ok4.begin(), ok4.end());
    SendRaw(to, d);
    d = Header(mxp::kMagic, mxp::kVersion, 0x80 | mxp::FLAG_FROM_INSTRUMENT, mxp::EV_STATUS, 4, s++);
    d.insert(d.end(), ok4.begin(), ok4.end());
    SendRaw(to, d);
    // 4 shorter than a header, 5 stated length beyond the datagram, 6 bytes beyond the stated length.
    SendRaw(to, std::vector<std::uint8_t>{0x4D, 0x52, 0x4C, 0x58, 1, 1, 3, 1, 1, 0});
    d = Header(mxp::kMagic, mxp::kVersion, mxp::FLAG_FROM_INSTRUMENT, mxp::EV_STATUS, 100, s++);
    d.insert(d.end(), ok4.begin(), ok4.end());
    SendRaw(to, d);
    d = Header(mxp::kMagic, mxp::kVersion, mxp::FLAG_FROM_INSTRUMENT, mxp::EV_STATUS, 4, s++);
    d.insert(d.end(), 12, 0x55);
    SendRaw(to, d);
    // 7 oversized datagram.
    d = Header(mxp::kMagic, mxp::kVersion, mxp::FLAG_FROM_INSTRUMENT, mxp::EV_STATUS, 4, s++);
    d.resize(4000, 0xAA);
    SendRaw(to, d);
    // 8 fragment with an impossible total, 9 a fragmented message that never completes.
    {
        mxp::Writer w;
        w.U32(100);
        w.U32(0);
        w.Zeros(100);
        d = Header(mxp::kMagic, mxp::kVersion, mxp::FLAG_FROM_INSTRUMENT | mxp::FLAG_FRAGMENT,
                   mxp::EV_FILE_LIST, static_cast<std::uint16_t>(w.Data().size()), s++);
        d.insert(d.end(), w.Data().begin(), w.Data().end());
        SendRaw(to, d);
        std::vector<std::uint8_t> big(10000, 0);
        auto frags = mxp::EncodeMessage(mxp::FLAG_FROM_INSTRUMENT, mxp::EV_FILE_LIST, MX_RW_DEFAULT, s++, 0,
                                        big.data(), big.size());
        SendRaw(to, frags[0]);
        SendRaw(to, frags[1]);
    }
    auto msg = [&](std::uint16_t id, const std::vector<std::uint8_t>& payload) {
        for (const auto& dg : mxp::EncodeMessage(mxp::FLAG_FROM_INSTRUMENT, id, MX_RW_DEFAULT, s++, 0,
                                                 payload.data(), payload.size()))
            SendRaw(to, dg);
    };
    // 10 folder list claiming a million entries.
    msg(mxp::EV_FOLDER_LIST, mxp::EncodeU32s({1000000u, 0, 0}));
    // 11 file list whose name has no terminator.
    {
        FileInfoRecord r{};
        for (auto& c : r.m_szName)
            c = u'X';
        mxp::Writer w;
        w.U32(1);
        mxp::PutFileInfo(w, r);
        msg(mxp::EV_FILE_LIST, w.Data());
    }
    // 12 connect state whose description has no terminator.
    {
        DeviceInfoRecord r = Info();
        std::memset(r.m_szDescription, 'Y', sizeof r.m_szDescription);
        mxp::Writer w;
        w.I32(MX_CONNECT_CONNECTED);
        mxp::PutDeviceInfo(w, r);
        msg(mxp::EV_CONNECT_STATE, w.Data());
    }
    // 13 status with 3 bytes, 14 unknown event, 15 discovery reply on the link,
    // 16 a command (not from an instrument), 17 too many measurement points, 18 progress 250 %.
    msg(mxp::EV_STATUS, {1, 2, 3});
    msg(0x1FF, mxp::EncodeU32s({1}));
    {
        mxp::Writer w;
        mxp::PutDeviceInfo(w, Info());
        msg(mxp::EV_DEVICE_INFO, w.Data());
    }
    for (const auto& dg : mxp::EncodeMessage(0, MX_CMD_STATUS, MX_RW_DEFAULT, s++, 0, nullptr, 0))
        SendRaw(to, dg);
    {
        mxp::Writer w;
        w.U32(0);
        w.U32(40000);
        w.I32(5);
        w.U32(0);
        msg(mxp::EV_MEASURE, w.Data());
    }
    msg(mxp::EV_COPY_PROGRESS, mxp::EncodeU32s({250}));
    // 19 well-formed connect states that the link does not define.
    for (std::int32_t state : {-1, 0, 1, 3, 5, INT32_MAX, INT32_MIN}) {
        mxp::Writer w;
        w.I32(state);
        mxp::PutDeviceInfo(w, Info());
        msg(mxp::EV_CONNECT_STATE, w.Data());
    }
    std::fprintf(stderr, "marlix-sim %s: malformed burst sent\n", m_opt.bind.c_str());
}

void CMarlixSim::SendForeignBurst() {
    if (!m_bConnected)
        return;
    // A well-formed status report from another port of this address, and from another address.
    const auto dg = mxp::EncodeMessage(mxp::FLAG_FROM_INSTRUMENT, mxp::EV_STATUS, MX_RW_DEFAULT, 0x7FFFFFFFu,
                                       0, mxp::EncodeU32s({0x1404}).data(), 4)[0];
    std::vector<std::uint32_t> sources = {m_bindAddr};
    if (mxp::IsLoopback(m_bindAddr))
        sources.push_back(htonl(0x7F0000FAu)); // 127.0.0.250
    for (std::uint32_t src : sources) {
        const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (fd < 0)
            continue;
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = src;
        a.sin_port = 0;
        if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0)
            SendRaw(m_client, dg, fd);
        ::close(fd);
    }
    std::fprintf(stderr, "marlix-sim %s: foreign burst sent\n", m_opt.bind.c_str());
}

void CMarlixSim::ControlLine(const std::string& line) {
    if (line == "silent")
        SetSilent(true);
    else if (line == "resume")
        SetSilent(false);
    else if (line == "malformed")
        SendMalformedBurst();
    else if (line == "foreign")
        SendForeignBurst();
    else if (line.rfind("status ", 0) == 0)
        m_opt.statusCode = static_cast<std::int32_t>(std::strtol(line.c_str() + 7, nullptr, 0));
    else if (!line.empty())
        std::fprintf(stderr, "marlix-sim: unknown control line: %s\n", line.c_str());
}

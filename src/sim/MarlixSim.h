// The simulated instrument: one UDP socket on its own address and port, the
// protocol of docs/link-protocol.md, a command log, and test hooks.
#pragma once
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "device/MxTypes.h"
#include "marlixmfc/MxProtocol.h"
#include "sim/SimMeasureStream.h"
#include "sim/SimStorage.h"

struct SimOptions {
    std::string bind = "127.0.0.1";
    std::uint16_t port = mxp::kDefaultPort;
    std::string name = "Marlix Zephyra (simulated)";
    std::string serial;                 // default: from the address
    std::string logPath;                // --log
    std::int32_t statusCode = 0;        // --status: code reported to MX_CMD_STATUS
    unsigned silentAfterMs = 0;         // --silent-after: fall silent this long after a connection
    bool malformedOnConnect = false;    // --malformed-on-connect
    bool externalDrives = true;         // --no-external
    double playSpeed = 1.0;             // --play-speed: play seconds per real second
    unsigned spectrumPoints = 8192;     // --points
    unsigned measureIntervalMs = 0;     // --measure-ms: blocks this often instead of by update speed
    int copyFailAfter = -1;             // --copy-fail-after N: the copy after N whole files fails half-way
    unsigned copyStepMs = 100;          // --copy-ms: each quarter of a file's copy takes this long
    unsigned playFileMs = 0;            // --play-file-ms: a file to play is loaded and answered this late
    int rcvBufBytes = 0;                // --rcvbuf: the socket's receive buffer as the system reports it;
                                        // 0 keeps the system's default, as an instrument does
    bool failDelete = false;            // --fail-delete: every delete is refused
    bool failRename = false;            // --fail-rename: every rename is refused
    bool answerInternalStorage = false; // --answer-internal-storage: storage 0 answered as a rescan
};

class CMarlixSim {
public:
    explicit CMarlixSim(SimOptions opt);
    ~CMarlixSim();
    // Binds; false (with a message on stderr) when the address cannot be used.
    bool Open();
    // One turn: waits up to timeoutMs for datagrams, handles them, advances play and copies.
    void Poll(int timeoutMs);

    // Test hooks (also reachable by signals and control lines, see main.cpp).
    void SetSilent(bool on);
    void ToggleSilent() { SetSilent(!m_bSilent); }
    // Measurement blocks that went out; none is counted while silent.
    std::uint64_t BlocksSent() const { return m_nBlocksSent; }
    void SetStatusCode(std::int32_t code) { m_opt.statusCode = code; }
    void SendMalformedBurst();
    void SendForeignBurst();
    void ControlLine(const std::string& line);

    // The output as the instrument now plays it (tests).
    std::uint32_t OutputFrequencyHz() const { return m_nFreqHz; }
    std::int16_t OutputLevel() const { return m_sPower; }
    double SampleClockKHz() const { return m_dSampleClockKHz; }

private:
    struct Peer {
        std::uint32_t addr = 0; // network order
        std::uint16_t port = 0; // network order
    };
    std::uint64_t Ms() const;
    void Receive(const Peer& from, const std::uint8_t* data, std::size_t n);
    void Command(const Peer& from, const mxp::Header& h, const std::uint8_t* p, std::size_t n);
    void Log(const mxp::Header& h, const std::uint8_t* p, std::size_t n);
    void Send(const Peer& to, std::uint16_t id, std::uint32_t ref, const std::vector<std::uint8_t>& payload);
    void SendRaw(const Peer& to, const std::vector<std::uint8_t>& dgram, int fd = -1);
    void Reply(std::uint16_t id, std::uint32_t ref, const std::vector<std::uint8_t>& payload);
    DeviceInfoRecord Info() const;
    mxp::Limits CurrentLimits() const;
    void Tick();
    void StopPlay(bool report);
    void LoadPlayFile(const std::u16string& path, std::uint32_t ref);
    void SendMeasureBlock(std::uint64_t nowMs);

    SimOptions m_opt;
    int m_fd = -1;
    std::uint32_t m_bindAddr = 0;
    std::FILE* m_log = nullptr;
    std::uint64_t m_t0 = 0;
    std::uint32_t m_seq = 1;
    bool m_bSilent = false;
    std::uint64_t m_nBlocksSent = 0;
    mxp::Reassembler m_reasm;
    SimStorage m_storage;

    // Link.
    bool m_bConnected = false;
    Peer m_client;
    std::uint64_t m_connectedAt = 0;

    // Settings as last sent.
    std::int32_t m_nSystemMode = 0, m_nRef10MHz = 0, m_nTrigger = 0, m_nTriggerOut = 0, m_nResBW = 1,
                 m_nUpdateSpeed = 1, m_nSpectralInv = 0, m_nStorage = 0, m_nStorageDrive = 3,
                 m_nModeParamA = 0;
    std::uint32_t m_nFreqHz = 0, m_nModeParamB = 0;
    std::int16_t m_sPower = 0;
    double m_dSampleClockKHz = 0.0;
    std::int32_t m_anCal[3] = {0, 0, 0};
    std::u16string m_strRenameFrom;

    // Playing.
    std::u16string m_strPlayPath;
    SimFile m_playFile;
    bool m_bFileLoaded = false;
    bool m_bPlaying = false;
    std::int32_t m_nPlayMode = 9;
    double m_dPos = 0.0;
    std::uint64_t m_lastPlayTick = 0, m_lastPosReport = 0;
    std::uint32_t m_playRef = 0;
    struct PlayLoad {
        std::u16string path;
        std::uint32_t ref = 0;
        std::uint64_t due = 0;
    };
    std::deque<PlayLoad> m_playLoads; // files still loading (--play-file-ms)
    SimMeasureStream m_measure;

    // Copies.
    struct CopyJob {
        std::u16string path;
        int drive = 0;
        std::uint32_t ref = 0;
        int percent = 0;
    };
    int m_nCopyDrive = -1;
    std::deque<CopyJob> m_copies;
    std::uint64_t m_lastCopyTick = 0;
    int m_nFilesCopied = 0; // whole files copied since start
};

// The device library as the program uses it: the class
// CMarlixMFC, its one object g_Marlix, and the public blocks DeviceState and
// DeviceDataStore. Pure C++ (std + POSIX inside the library), no Qt.
//
// Threads: every method is called from the GUI thread. The library's receive
// threads never write DeviceState or DeviceDataStore themselves: they post, through
// the sink installed with SetPostSink, an MxDelivery whose apply writes the fields
// on the GUI thread right before the message is handled. A record passed by lParam
// (WM_DEVICE_FOUND) is owned by the delivery and freed by its release.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "device/MxMessages.h"
#include "device/MxTypes.h"
#include "winbase/MessagePost.h"
#include "winbase/WinTypes.h"

// Eleven colours of one graph; m_clrText and m_clrTextFo are
// 0x00BBGGRR, the others 0xAARRGGBB.
struct GraphColorSet {
    std::uint32_t m_clrBG = 0xFF000000u;
    std::uint32_t m_clrAxis = 0xFF7F7F7Fu;
    std::uint32_t m_clrGrid = 0xFF3C3C3Cu;
    std::uint32_t m_clrText = 0x000E7AE8u;
    std::uint32_t m_clrTextFo = 0x00F0CAA6u;
    std::uint32_t m_clrTextSe = 0x7FFFFFFFu;
    std::uint32_t m_clrData = 0xAAE87A0Eu;
    std::uint32_t m_clrFade = 0xFEFFFFFFu;
    std::uint32_t m_clrDrag = 0x7F007FFFu;
    std::uint32_t m_clrMaxHold = 0xAA00FF00u;
    std::uint32_t m_clrMinHold = 0xAA00FFFFu;
};
static_assert(sizeof(GraphColorSet) == 44);

// First field of DeviceState.
struct DeviceStateHead {
    std::int32_t m_nConnectState = MX_CONNECT_DISCONNECTED; // _MxConnectState_e
};

// The fields m_nRecordFreqHz .. m_dSampleClockKHz of DeviceState as one record,
// so a window can keep a copy of them (DeviceState derives from it).
struct DeviceSettings {
    std::uint32_t m_nRecordFreqHz = 474000000u; // Hz
    std::int16_t m_sRecordRange = 100;
    std::int32_t m_anRecordOptions[5] = {0, 2, 0, 0, 200};
    std::uint32_t m_nZephyraFreqHz = 87900000u; // Hz, output frequency
    std::int16_t m_sZephyraPower = -200;        // tenths of a dB, output level
    std::int32_t m_nPlaySource = 2;
    std::uint32_t m_nPlayRateHz = 10000000u; // Hz
    std::int64_t m_llPlayTimeSec = 0;        // s
    std::int32_t m_nPlayStartSec = 0;        // s; library
    std::int32_t m_nPlayTimeSec = 0;         // s
    std::int32_t m_nSpectralInv = 0;         // _MxSpectralInv_e
    std::int32_t m_nRef10MHz = 0;            // 0 internal, 1 external
    std::int32_t m_nTrigger = 0;             // 0 off, 1 on
    std::int32_t m_nStorage = 0;             // 0 internal, 1 external
    std::int32_t m_nStorageDrive = 3;        // 0 = A
    std::int32_t m_nPlayMode = 9;            // instrument play state; 9 stopped
    std::int32_t m_nResBW = 1;               // _MxResBWType_e
    std::int32_t m_nOptionA = 0;
    std::int32_t m_nOptionB = 30;
    std::int32_t m_nUpdateSpeed = 1;       // 0 fastest .. 4 slowest
    std::int32_t m_nProductCatalog = 0;    // _MxProductCatalog_e; library
    std::int32_t m_nTriggerOut = 0;        // 0 low, 1 high
    std::int32_t m_nSystemMode = 7;        // _Mx2SystemMode_e
    std::uint32_t m_nIQRateHz = 60000000u; // Hz
    std::int32_t m_nModeParamA = 0;        // library
    union {                                // 16384 then 4400 (0x11304000)
        std::uint32_t m_nModeParamB = 0;
        std::uint16_t m_awModeParamB[2];
    };
    double m_dSampleClockKHz = 46511.7188; // kHz
};

struct DeviceStateTail {
    std::uint32_t m_nDeviceIP = 0;     // IPv4, network byte order
    std::int32_t m_nAverageType = 0;   // _MxAverageType_e
    std::int32_t m_nAverageCount = 10; // 1..100
    std::int32_t m_nPlayBusy = 0;
    std::int32_t m_nSpectrumMode = 0;      // 0 2D, 1 Zoom, 2 Marker, 3 Band Power, 4 3D
    std::int32_t m_nFrequencyStep = 0;     // FrequencyStep_t
    std::u16string m_strProfileSection;    // profile section of the connected instrument; library
    std::int32_t m_nSpectrumPoints = 8192; // bins, and I and Q samples, per block; library
    std::int32_t m_nPowerUnitFrom = 0;     // Power_Unit_dB_e
    std::int32_t m_nPowerUnitTo = 0;       // Power_Unit_dB_e; library
    std::int32_t m_bPeakSearch = 0;
    GraphColorSet m_aGraphColors[4]; // 0 spectrum, 1 and 2 unused, 3 IQ
    std::int32_t m_nOptionC = 0;
    std::uint32_t m_nFreqMinHz = 0, m_nFreqMaxHz = 0;   // Hz; library
    std::uint32_t m_nRateMinHz = 0, m_nRateMaxHz = 0;   // Hz; library
    std::int32_t m_nRangeMin = 0, m_nRangeMax = 0;      // library
    std::int32_t m_nLevelMin = -900, m_nLevelMax = 300; // tenths of a dB
    std::uint32_t m_nFullBandStartHz = 48000000u, m_nFullBandEndHz = 1000000000u;
    BOOL m_bInternetAvailable = FALSE;
    std::int32_t m_nPlayListCount = 0;
    BOOL m_bRepeat = FALSE;
    BOOL m_bPlayJump = FALSE;
};

// The status and settings block, fields in their memory order:
// m_nConnectState, then the DeviceSettings record, then the rest.
struct DeviceState : DeviceStateHead, DeviceSettings, DeviceStateTail {};

// The data area, filled by the library (on the GUI thread, in the
// delivery of the message that announces the data).
struct DeviceDataStore {
    std::uint16_t m_wConnectParam = 0;       // payload of MX_CMD_CONNECT
    double m_adSpectrum[MX_MAX_POINTS] = {}; // m_nSpectrumPoints bins
    std::int16_t m_asISamples[MX_MAX_POINTS] = {};
    std::int16_t m_asQSamples[MX_MAX_POINTS] = {};
    std::uint32_t m_nPlayPosSec = 0;            // s
    std::vector<FolderItemRecord> m_vecFolders; // folder-list reply
    std::uint32_t m_nTransferTotal = 0, m_nTransferDone = 0;
    HWND m_hTestNotifyWnd = nullptr; // receiver of 0x829..0x82B; never set by the library
    std::int32_t m_bMaskCheck = 0;
    std::int32_t m_bBandPowerCheck = 0;
    std::vector<FileInfoRecord> m_vecFiles; // file-list reply
};

// What the link has seen; for tests and diagnostics (GetLinkCounters).
struct MxLinkCounters {
    std::uint64_t txDatagrams = 0;    // sent by the library
    std::uint64_t rxDatagrams = 0;    // received (any)
    std::uint64_t rxAccepted = 0;     // decoded and acted on
    std::uint64_t dropBadMagic = 0;   // wrong magic or version
    std::uint64_t dropTruncated = 0;  // shorter than its header or its stated length
    std::uint64_t dropOversized = 0;  // longer than a datagram may be
    std::uint64_t dropMalformed = 0;  // payload does not fit its message (counts, strings, sizes)
    std::uint64_t dropForeign = 0;    // from an address other than the connected instrument's
    std::uint64_t dropUnexpected = 0; // well formed but not expected here (unknown id, wrong socket)
    std::uint64_t dropReassembly = 0; // fragments discarded (inconsistent, expired, over budget)
    std::uint64_t dropDeliveries = 0; // measurement blocks dropped because the GUI fell behind
    std::uint64_t dropUnmatched = 0;  // answers naming no outstanding command (late, repeated, unasked)
    std::uint64_t refusedTargets = 0; // sends refused by the loopback-only rule
    std::uint64_t linkLost = 0;       // WM_CONNECT_STATE 4 posted
    std::uint64_t pacingTimeouts = 0; // command windows sent on without the instrument's answer
};

class CMarlixMFC {
public:
    // First member: the notification window (the main frame). Messages without a
    // reply window of their own go here.
    HWND m_hNotifyWnd = nullptr;
    ::DeviceState DeviceState;
    ::DeviceDataStore DeviceDataStore;

    CMarlixMFC();
    ~CMarlixMFC();
    CMarlixMFC(const CMarlixMFC&) = delete;
    CMarlixMFC& operator=(const CMarlixMFC&) = delete;

    // Where deliveries go (the program installs the platform's sink at start-up).
    // With no sink, deliveries are dropped (their release still runs).
    void SetPostSink(IMessagePostSink* sink);

    // Commands. Payload copied. Returns 1 when queued, 0 when refused (no link
    // thread, a bad payload, or kMaxQueued commands waiting). *pRef, when given,
    // gets the command's identity (never 0; 0 when refused): every message that
    // answers it carries it (CurrentReplyRef() in the handler).
    int MxAddCmd(MX_CMD_ID_e cmd, MX_RW_ID_e rw, unsigned int size, const void* payload, HWND hReply,
                 std::uint32_t* pRef = nullptr);
    static constexpr std::size_t kMaxQueued = 16384; // a copy of a full listing: 2 x 8000
    // One discovery datagram to every discovery target; replies WM_DEVICE_FOUND to
    // hReply while the broadcast receive thread runs.
    int MxSendtoBroadCast(MX_CMD_ID_e cmd, MX_RW_ID_e rw, unsigned int size, const void* payload,
                          HWND hReply);
    // Sent at once (MX_CMD_DISCONNECT) to the instrument of the current or last link.
    int SendCmdData(MX_CMD_ID_e cmd, MX_RW_ID_e rw, unsigned int size, const void* payload);
    BOOL CreateUDP_TxSocket();
    BOOL BeginBroadCastRxThread();
    void CloseBroadCastRxThread();
    // The connected-link thread: connects to DeviceState.m_nDeviceIP when
    // MX_CMD_CONNECT is queued; posts WM_CONNECT_STATE 2 on the instrument's answer
    // and 4 when the instrument falls silent.
    BOOL BeginConnectedUDPThread();
    void CloseConnectedUDPThread();

    // Fills the limit fields of DeviceState for a system mode (from the connected
    // instrument's report when there is one).
    BOOL Mx2InitMinMaxValueForSystemMode(int nSystemMode, void* pReserved);
    std::uint32_t Mx2IQRateConfirm(int nProductCatalog, std::uint32_t nRateHz);
    // The software version of the connected instrument (its connection answer),
    // from that answer until the link is closed; zeros, and HasSWVer false, with
    // no instrument.
    _MxVer_u GetSWVer() const;
    bool HasSWVer() const;
    BOOL AllocPlayPowerGPSLogBuffer(int nPlayTimeSec);
    void MxExtensionFullBandSpectrumFree();

    // Spectrum computation entry points; the link thread reads what
    // these set (guarded inside the library).
    void Zephyra_UI_MFC_ResBW(_MxResBWType_e type);
    // Leaves DeviceState m_nAverageType, m_nAverageCount equal to the arguments.
    void SetAverageType(_MxAverageType_e type, int count);
    // Writes DeviceState m_nPowerUnitTo; posts WM_POWER_UNIT_CHANGED when it changed,
    // whose delivery writes m_nPowerUnitFrom (the unit before) and m_nPowerUnitTo.
    void SetPowerUnitdBType(Power_Unit_dB_e unit);
    Power_Unit_dB_e GetPowerUnitdBType() const;
    // Integer dB shift from one unit to the other (50 ohm): dBm -> dBmV +47, dBm -> dBuV +107.
    int GetAverageRelativePowerdB(int fromUnit, int toUnit) const;
    void SetMarkerCounts(MarkerCountsType_t value); // markers = value + 1
    MarkerCountsType_t GetMarkerCounts() const;
    void SetFrequencyStepHz(FrequencyStep_t step);
    // Mirrors the spectrum of blocks the instrument has not mirrored itself.
    void SetSpectralInv(_MxSpectralInv_e inv);
    // Edge bins left out of the shown part: n * excluded / span, n = m_nSpectrumPoints.
    void CalcuExcludeCnt(double span, double excluded);
    int GetExcludeCnt() const;
    // Channel power of bins first..last of m_adSpectrum (bins summed linearly over the
    // resolution filter's noise bandwidth), in the current unit; see docs/spectrum.md.
    double CalcuBandPower(int first, int last);
    int CheckMaskData();  // 1: mask test failed (notice posted by the caller)
    int CheckBandPower(); // 1: band-power test failed

    // Diagnostics, and what tests look at.
    MxLinkCounters GetLinkCounters() const;
    // The discovery targets MxSendtoBroadCast would use now, dotted (nothing is sent).
    std::vector<std::string> GetDiscoveryTargets() const;
    std::uint16_t GetPort() const;
    // Silence after which a connected link counts as lost (default 4000 ms, or
    // MARLIX_LINK_TIMEOUT_MS); takes effect at the next BeginConnectedUDPThread.
    void SetLinkTimeoutMs(unsigned int ms);

    struct Impl;

private:
    std::unique_ptr<Impl> m_pImpl;
};

// The one object, defined in the library.
extern CMarlixMFC g_Marlix;

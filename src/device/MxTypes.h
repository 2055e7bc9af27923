// Enumerations and records of the device library
// as the program uses them. Pure C++: shared by the program, the library, its
// protocol codec and the simulated instrument. Records are little-endian, with
// their sizes and offsets checked at compile time.
#pragma once
#include <cstddef>
#include <cstdint>

// Device command ids, all 35.
enum MX_CMD_ID_e : std::uint16_t {
    MX_CMD_DISCOVER = 0x00,
    MX_CMD_CONNECT = 0x01,
    MX_CMD_DISCONNECT = 0x02,
    MX_CMD_FILE_DELETE = 0x11,
    MX_CMD_COPY_DRIVE = 0x12,
    MX_CMD_COPY_FILE = 0x13,
    MX_CMD_COPY_CANCEL = 0x14,
    MX_CMD_FILE_RENAME_FROM = 0x15,
    MX_CMD_FILE_RENAME_TO = 0x16,
    MX_CMD_STATUS = 0x17,
    MX_CMD_STORAGE = 0x27,
    MX_CMD_STORAGE_DRIVE = 0x28,
    MX_CMD_FOLDER_LIST = 0x29,
    MX_CMD_RES_BW = 0x36,
    MX_CMD_UPDATE_SPEED = 0x37,
    MX_CMD_RESCAN_DISK = 0x3B,
    MX_CMD_SYSTEM_MODE = 0x46,
    MX_CMD_ZEPHYRA_FREQ = 0x53,
    MX_CMD_SPECTRAL_INV = 0x55,
    MX_CMD_REF_10MHZ = 0x5A,
    MX_CMD_TRIGGER = 0x5B,
    MX_CMD_TRIGGER_OUT = 0x5C,
    MX_CMD_MODE_PARAM_A = 0x6F,
    MX_CMD_MODE_PARAM_B = 0x70,
    MX_CMD_TEXT_COMMAND = 0x72,
    MX_CMD_MODULE_CAL = 0x73,
    MX_CMD_ZEPHYRA_POWER = 0x74,
    MX_CMD_PLAY_START = 0x75,
    MX_CMD_PLAY_STOP = 0x76,
    MX_CMD_PLAY_START_STATE8 = 0x77,
    MX_CMD_PLAY_START_STATE10 = 0x78,
    MX_CMD_FILE_LIST = 0x79,
    MX_CMD_PLAY_FILE = 0x7A,
    MX_CMD_SAMPLE_CLOCK = 0x7B,
    MX_CMD_PLAY_SEEK = 0x7C,
};
constexpr int MX_CMD_COUNT = 35;
// All ids in table order.
inline constexpr MX_CMD_ID_e g_aMxCmdIds[MX_CMD_COUNT] = {
    MX_CMD_DISCOVER,
    MX_CMD_CONNECT,
    MX_CMD_DISCONNECT,
    MX_CMD_FILE_DELETE,
    MX_CMD_COPY_DRIVE,
    MX_CMD_COPY_FILE,
    MX_CMD_COPY_CANCEL,
    MX_CMD_FILE_RENAME_FROM,
    MX_CMD_FILE_RENAME_TO,
    MX_CMD_STATUS,
    MX_CMD_STORAGE,
    MX_CMD_STORAGE_DRIVE,
    MX_CMD_FOLDER_LIST,
    MX_CMD_RES_BW,
    MX_CMD_UPDATE_SPEED,
    MX_CMD_RESCAN_DISK,
    MX_CMD_SYSTEM_MODE,
    MX_CMD_ZEPHYRA_FREQ,
    MX_CMD_SPECTRAL_INV,
    MX_CMD_REF_10MHZ,
    MX_CMD_TRIGGER,
    MX_CMD_TRIGGER_OUT,
    MX_CMD_MODE_PARAM_A,
    MX_CMD_MODE_PARAM_B,
    MX_CMD_TEXT_COMMAND,
    MX_CMD_MODULE_CAL,
    MX_CMD_ZEPHYRA_POWER,
    MX_CMD_PLAY_START,
    MX_CMD_PLAY_STOP,
    MX_CMD_PLAY_START_STATE8,
    MX_CMD_PLAY_START_STATE10,
    MX_CMD_FILE_LIST,
    MX_CMD_PLAY_FILE,
    MX_CMD_SAMPLE_CLOCK,
    MX_CMD_PLAY_SEEK,
};
// "MX_CMD_..." of an id; nullptr for an id that is not one of the 35.
constexpr const char* MxCmdName(unsigned id) {
    switch (id) {
    case MX_CMD_DISCOVER:
        return "MX_CMD_DISCOVER";
    case MX_CMD_CONNECT:
        return "MX_CMD_CONNECT";
    case MX_CMD_DISCONNECT:
        return "MX_CMD_DISCONNECT";
    case MX_CMD_FILE_DELETE:
        return "MX_CMD_FILE_DELETE";
    case MX_CMD_COPY_DRIVE:
        return "MX_CMD_COPY_DRIVE";
    case MX_CMD_COPY_FILE:
        return "MX_CMD_COPY_FILE";
    case MX_CMD_COPY_CANCEL:
        return "MX_CMD_COPY_CANCEL";
    case MX_CMD_FILE_RENAME_FROM:
        return "MX_CMD_FILE_RENAME_FROM";
    case MX_CMD_FILE_RENAME_TO:
        return "MX_CMD_FILE_RENAME_TO";
    case MX_CMD_STATUS:
        return "MX_CMD_STATUS";
    case MX_CMD_STORAGE:
        return "MX_CMD_STORAGE";
    case MX_CMD_STORAGE_DRIVE:
        return "MX_CMD_STORAGE_DRIVE";
    case MX_CMD_FOLDER_LIST:
        return "MX_CMD_FOLDER_LIST";
    case MX_CMD_RES_BW:
        return "MX_CMD_RES_BW";
    case MX_CMD_UPDATE_SPEED:
        return "MX_CMD_UPDATE_SPEED";
    case MX_CMD_RESCAN_DISK:
        return "MX_CMD_RESCAN_DISK";
    case MX_CMD_SYSTEM_MODE:
        return "MX_CMD_SYSTEM_MODE";
    case MX_CMD_ZEPHYRA_FREQ:
        return "MX_CMD_ZEPHYRA_FREQ";
    case MX_CMD_SPECTRAL_INV:
        return "MX_CMD_SPECTRAL_INV";
    case MX_CMD_REF_10MHZ:
        return "MX_CMD_REF_10MHZ";
    case MX_CMD_TRIGGER:
        return "MX_CMD_TRIGGER";
    case MX_CMD_TRIGGER_OUT:
        return "MX_CMD_TRIGGER_OUT";
    case MX_CMD_MODE_PARAM_A:
        return "MX_CMD_MODE_PARAM_A";
    case MX_CMD_MODE_PARAM_B:
        return "MX_CMD_MODE_PARAM_B";
    case MX_CMD_TEXT_COMMAND:
        return "MX_CMD_TEXT_COMMAND";
    case MX_CMD_MODULE_CAL:
        return "MX_CMD_MODULE_CAL";
    case MX_CMD_ZEPHYRA_POWER:
        return "MX_CMD_ZEPHYRA_POWER";
    case MX_CMD_PLAY_START:
        return "MX_CMD_PLAY_START";
    case MX_CMD_PLAY_STOP:
        return "MX_CMD_PLAY_STOP";
    case MX_CMD_PLAY_START_STATE8:
        return "MX_CMD_PLAY_START_STATE8";
    case MX_CMD_PLAY_START_STATE10:
        return "MX_CMD_PLAY_START_STATE10";
    case MX_CMD_FILE_LIST:
        return "MX_CMD_FILE_LIST";
    case MX_CMD_PLAY_FILE:
        return "MX_CMD_PLAY_FILE";
    case MX_CMD_SAMPLE_CLOCK:
        return "MX_CMD_SAMPLE_CLOCK";
    case MX_CMD_PLAY_SEEK:
        return "MX_CMD_PLAY_SEEK";
    default:
        return nullptr;
    }
}

// Selector argument.
enum MX_RW_ID_e : std::uint16_t {
    MX_RW_DEFAULT = 1,
    MX_RW_BROADCAST = 4,
    MX_RW_CAL_UPC_SET = 168,
    MX_RW_CAL_ATT_SET = 169,
    MX_RW_CAL_DOC_SET = 170,
    MX_RW_CAL_UPC_GET = 171,
    MX_RW_CAL_ATT_GET = 172,
    MX_RW_CAL_DOC_GET = 173,
};

// Resolution bandwidth: 0..3 = 200, 300, 400, 500 Hz.
enum _MxResBWType_e : std::int32_t {
    MX_RESBW_200HZ = 0,
    MX_RESBW_300HZ = 1,
    MX_RESBW_400HZ = 2,
    MX_RESBW_500HZ = 3,
};
enum _MxAverageType_e : std::int32_t {
    MX_AVERAGE_OFF = 0,
    MX_AVERAGE_EXPONENTIAL = 1,
};
enum Power_Unit_dB_e : std::int32_t {
    POWER_UNIT_DBM = 0,
    POWER_UNIT_DBMV = 1,
    POWER_UNIT_DBUV = 2,
};
enum _MxSpectralInv_e : std::int32_t {
    MX_SPECTRAL_INV_OFF = 0,
    MX_SPECTRAL_INV_ON = 1,
};
// DeviceState m_nConnectState (the field stays an int32).
enum _MxConnectState_e : std::int32_t {
    MX_CONNECT_DISCONNECTED = 0,
    MX_CONNECT_CONNECTING = 1, // also while the device list searches
    MX_CONNECT_CONNECTED = 2,
    MX_CONNECT_LOST = 4, // until the disconnect it triggers
};
// System modes; 7 is the only one the program enters.
enum _Mx2SystemMode_e : std::int32_t {
    MX2_SYSTEM_MODE_ZEPHYRA = 7,
};
// Product types of the family (the library's choice; reported by the instrument).
enum _MxProductCatalog_e : std::int32_t {
    MX_PRODUCT_UNKNOWN = 0,
    MX_PRODUCT_ZEPHYRA = 1,
    MX_PRODUCT_ZEPHYRA_PLUS = 2,
};
// Markers shown = value + 1 (0..3).
using MarkerCountsType_t = std::int32_t;
// Index of the Viewer page's frequency-step list: 0..13 = 1, 8, 10, 20, 24, 30, 40,
// 48, 50, 60, 70, 80, 90, 100 MHz.
using FrequencyStep_t = std::int32_t;

// Four version bytes; shown "%d.%d.%d.%d" with byte 3 first.
union _MxVer_u {
    std::uint32_t m_dwVer;
    std::uint8_t m_abVer[4];
};
static_assert(sizeof(_MxVer_u) == 4);

// Folder-tree tag of the root (TVI_ROOT as 32 bits).
constexpr std::uint32_t MX_TVI_ROOT = 0xFFFF0000u;

// Request of MX_CMD_FOLDER_LIST / MX_CMD_FILE_LIST and entry of a folder-list
// reply, 524 bytes.
struct FolderItemRecord {
    std::uint32_t m_hItem;  // tree tag; MX_TVI_ROOT for the root
    char16_t m_szPath[260]; // UTF-16, NUL-terminated
};
static_assert(sizeof(FolderItemRecord) == 524);
static_assert(offsetof(FolderItemRecord, m_hItem) == 0);
static_assert(offsetof(FolderItemRecord, m_szPath) == 4);

// Entry of a file-list reply, 256 bytes.
struct FileInfoRecord {
    std::uint32_t m_nReserved0;
    char16_t m_szName[100]; // UTF-16, NUL-terminated
    std::int32_t m_bFM;     // 0 AM, other FM
    std::uint64_t m_llSize; // bytes
    double m_dSampleClock;  // kHz
    std::uint32_t m_nReserved1;
    std::uint32_t m_nTimeSec; // play time, s
    std::uint8_t m_abReserved2[12];
    std::int32_t m_nPower; // tenths of dBm
    std::uint8_t m_abReserved3[8];
};
static_assert(sizeof(FileInfoRecord) == 256);
static_assert(offsetof(FileInfoRecord, m_szName) == 4);
static_assert(offsetof(FileInfoRecord, m_bFM) == 204);
static_assert(offsetof(FileInfoRecord, m_llSize) == 208);
static_assert(offsetof(FileInfoRecord, m_dSampleClock) == 216);
static_assert(offsetof(FileInfoRecord, m_nTimeSec) == 228);
static_assert(offsetof(FileInfoRecord, m_nPower) == 244);

// Discovery reply of one instrument, 256 bytes. The offsets 0x64 ..
// 0xC0 are the ones the program reads; the others are this library's choice.
struct DeviceInfoRecord {
    char m_szModel[32];              // 0x00 model name, NUL-terminated
    char m_szSerial[32];             // 0x20 serial number, NUL-terminated
    std::uint8_t m_abMAC[6];         // 0x40
    std::uint8_t m_abPad0[2];        // 0x46
    std::int32_t m_nProductCatalog;  // 0x48 _MxProductCatalog_e
    std::uint32_t m_nSubnetMask;     // 0x4C network byte order
    std::uint32_t m_nGateway;        // 0x50 network byte order
    std::uint16_t m_wUdpPort;        // 0x54 the instrument's UDP port
    std::uint8_t m_abPad1[2];        // 0x56
    std::uint32_t m_nSpectrumPoints; // 0x58 points per measurement block
    std::uint8_t m_abPad2[8];        // 0x5C
    std::uint32_t m_nIPAddress;      // 0x64 network byte order
    std::uint8_t m_abHWVer[4];       // 0x68
    std::uint8_t m_abPad3[4];        // 0x6C
    char m_szDescription[32];        // 0x70 ANSI, NUL-terminated
    std::uint8_t m_abSWVer[4];       // 0x90
    std::uint8_t m_abPad4[16];       // 0x94
    std::uint32_t m_nBoardRev;       // 0xA4
    std::uint8_t m_abPad5[20];       // 0xA8
    std::uint8_t m_abPumpVer[4];     // 0xBC
    std::uint8_t m_abDSPVer[4];      // 0xC0
    std::uint8_t m_abPad6[60];       // 0xC4
};
static_assert(sizeof(DeviceInfoRecord) == 256);
static_assert(offsetof(DeviceInfoRecord, m_nIPAddress) == 0x64);
static_assert(offsetof(DeviceInfoRecord, m_abHWVer) == 0x68);
static_assert(offsetof(DeviceInfoRecord, m_szDescription) == 0x70);
static_assert(offsetof(DeviceInfoRecord, m_abSWVer) == 0x90);
static_assert(offsetof(DeviceInfoRecord, m_nBoardRev) == 0xA4);
static_assert(offsetof(DeviceInfoRecord, m_abPumpVer) == 0xBC);
static_assert(offsetof(DeviceInfoRecord, m_abDSPVer) == 0xC0);

// Largest number of spectrum bins and of I and Q samples per measurement block.
constexpr int MX_MAX_POINTS = 30720;

// The link protocol of docs/link-protocol.md: datagram header, fragmentation and
// reassembly, and the payloads of commands and events. Shared by the device
// library and the simulated instrument; pure C++, no sockets. Everything decoded
// here comes from the network and is checked before use: a decoder never reads
// past the bytes it is given and rejects what does not fit.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "device/MxTypes.h"

namespace mxp {

constexpr std::uint32_t kMagic = 0x584C524Du; // bytes 'M' 'R' 'L' 'X'
constexpr std::uint8_t kVersion = 1;
constexpr std::size_t kHeaderSize = 20;
constexpr std::size_t kMaxDatagram = 1472;                       // one Ethernet frame's UDP payload
constexpr std::size_t kMaxPayload = kMaxDatagram - kHeaderSize;  // 1452
constexpr std::size_t kFragHeaderSize = 8;                       // u32 total length, u32 offset
constexpr std::size_t kMaxChunk = kMaxPayload - kFragHeaderSize; // 1444
constexpr std::size_t kMaxMessage = 2097152;                     // largest reassembled payload (2 MiB)
constexpr std::uint16_t kDefaultPort = 50600;

enum Flags : std::uint8_t {
    FLAG_FROM_INSTRUMENT = 0x01,
    FLAG_FRAGMENT = 0x02,
};
constexpr std::uint8_t kKnownFlags = FLAG_FROM_INSTRUMENT | FLAG_FRAGMENT;

// Library -> instrument, beyond the MX_CMD ids: link keep-alive (no payload).
constexpr std::uint16_t LINK_KEEPALIVE = 0x00FF;

// Instrument -> library.
enum Event : std::uint16_t {
    EV_DEVICE_INFO = 0x101,      // DeviceInfoRecord (256)               -> WM_DEVICE_FOUND
    EV_CONNECT_STATE = 0x102,    // i32 state, DeviceInfoRecord (260)   -> WM_CONNECT_STATE
    EV_STATUS = 0x103,           // i32 status code (4)                  -> WM_STATUS_MESSAGE
    EV_WAIT = 0x104,             // u32 0 show, 1 done (4)               -> WM_WAIT_SHOW / WM_WAIT_DONE
    EV_LIMITS = 0x105,           // Limits (52)                          -> WM_GRAPH_AXES_UPDATE
    EV_FOLDER_LIST = 0x106,      // u32 n, n x FolderItemRecord          -> WM_FOLDER_LIST_READY
    EV_FILE_LIST = 0x107,        // u32 n, n x FileInfoRecord            -> WM_FILE_LIST_READY
    EV_PLAY_FILE_RESULT = 0x108, // u32 result (4)                       -> WM_PLAY_FILE_RESULT
    EV_PLAY_POSITION = 0x109,    // u32 kind, u32 s, i32 play mode (12)  -> WM_PLAY_POSITION
    EV_PLAY_EVENT = 0x10A,       // u32 code, i32 play mode (8)          -> WM_PLAY_EVENT
    EV_RENAME_RESULT = 0x10B,    // u32 result (4)                       -> WM_RENAME_RESULT
    EV_COPY_PROGRESS = 0x10C,    // u32 percent (4)                      -> WM_COPY_PROGRESS
    EV_DRIVE_FOUND = 0x10D,      // u32 index (4)                        -> WM_DRIVE_FOUND
    EV_DRIVE_LIST_RESET = 0x10E, // none                                 -> WM_DRIVE_LIST_RESET
    EV_CAL_VALUE = 0x10F,        // u32 index, i32 tenths (8)            -> WM_CAL_VALUE
    EV_TRANSFER = 0x110,         // u32 total, u32 done (8)              -> WM_TRANSFER_PROGRESS
    EV_TRANSFER_RATE = 0x111,    // u32 bytes per second (4)             -> WM_TRANSFER_RATE
    EV_MEASURE = 0x112,          // MeasureBlock                         -> WM_MEASURE_DATA
    EV_PLAY_LIST_CLEAR = 0x113,  // none                                 -> WM_PLAY_LIST_CLEAR
    EV_KEEPALIVE = 0x114,        // none; answer to LINK_KEEPALIVE       -> (no message)
};
const char* EventName(unsigned id);

struct Header {
    std::uint8_t version = kVersion;
    std::uint8_t flags = 0;
    std::uint16_t id = 0;
    std::uint16_t selector = 0;
    std::uint16_t length = 0; // payload bytes in this datagram
    std::uint32_t seq = 0;    // sender's message number (all fragments of a message share it)
    std::uint32_t ref = 0;    // seq of the command this answers; 0 none
};

enum class DecodeError {
    None,
    Truncated, // shorter than the header or than the stated length
    Oversized, // more than kMaxDatagram, or bytes beyond the stated length
    BadMagic,
    BadVersion,
    BadFlags,
    BadFragment, // fragment sub-header inconsistent
};
const char* DecodeErrorName(DecodeError e);

// A decoded datagram; payload points into the caller's buffer. For a fragment,
// fragTotal / fragOffset are filled and payload is the chunk.
struct Datagram {
    Header h;
    const std::uint8_t* payload = nullptr;
    std::size_t size = 0;
    std::uint32_t fragTotal = 0;
    std::uint32_t fragOffset = 0;
};
DecodeError DecodeDatagram(const std::uint8_t* data, std::size_t n, Datagram& out);

// One message, encoded into one datagram or (payload > kMaxPayload) fragments of
// kMaxChunk bytes each. An empty result means the payload was over kMaxMessage.
std::vector<std::vector<std::uint8_t>> EncodeMessage(std::uint8_t flags, std::uint16_t id,
                                                     std::uint16_t selector, std::uint32_t seq,
                                                     std::uint32_t ref, const std::uint8_t* payload,
                                                     std::size_t size);

struct Message {
    Header h; // length is the whole payload's, flags without FLAG_FRAGMENT
    std::vector<std::uint8_t> payload;
};

// Reassembles fragmented messages with bounded memory: at most kSlots messages in
// progress, each at most kMaxMessage bytes; a message not completed within
// kExpireMs of its last fragment is discarded, and a new message that finds no
// free slot evicts the oldest.
class Reassembler {
public:
    static constexpr std::size_t kSlots = 4;
    static constexpr std::uint64_t kExpireMs = 2000;
    enum class Result { Incomplete, Complete, Dropped };
    // d must be a fragment (FLAG_FRAGMENT). On Complete, out holds the message.
    Result Add(const Datagram& d, std::uint64_t nowMs, Message& out);
    void Clear();
    std::size_t BytesHeld() const;
    // Fragments dropped or messages discarded so far.
    std::uint64_t Dropped() const { return m_dropped; }

private:
    struct Slot {
        bool used = false;
        std::uint32_t seq = 0;
        std::uint16_t id = 0;
        std::uint16_t selector = 0;
        std::uint32_t ref = 0;
        std::uint8_t flags = 0;
        std::uint32_t total = 0;
        std::uint32_t received = 0; // bytes
        std::uint64_t lastMs = 0;
        std::vector<std::uint8_t> data;
        std::vector<bool> have; // per chunk
    };
    void Expire(std::uint64_t nowMs);
    std::array<Slot, kSlots> m_slots;
    std::uint64_t m_dropped = 0;
};

// ---- little-endian writing and checked reading ----
class Writer {
public:
    void U8(std::uint8_t v) { m_b.push_back(v); }
    void U16(std::uint16_t v);
    void U32(std::uint32_t v);
    void I32(std::int32_t v) { U32(static_cast<std::uint32_t>(v)); }
    void U64(std::uint64_t v);
    void F64(double v);
    void Bytes(const void* p, std::size_t n);
    void Zeros(std::size_t n) { m_b.insert(m_b.end(), n, 0); }
    std::vector<std::uint8_t>& Data() { return m_b; }

private:
    std::vector<std::uint8_t> m_b;
};

class Reader {
public:
    Reader(const std::uint8_t* p, std::size_t n) : m_p(p), m_n(n) {}
    bool U8(std::uint8_t& v);
    bool U16(std::uint16_t& v);
    bool U32(std::uint32_t& v);
    bool I32(std::int32_t& v);
    bool U64(std::uint64_t& v);
    bool F64(double& v);
    bool Bytes(void* dst, std::size_t n);
    bool Skip(std::size_t n);
    std::size_t Left() const { return m_n - m_pos; }
    bool AtEnd() const { return m_pos == m_n; }

private:
    const std::uint8_t* m_p;
    std::size_t m_n;
    std::size_t m_pos = 0;
};

// ---- records ----
constexpr std::size_t kDeviceInfoSize = 256;
constexpr std::size_t kFolderItemSize = 524;
constexpr std::size_t kFileInfoSize = 256;
constexpr std::uint32_t kMaxFolderEntries = 256;
constexpr std::uint32_t kMaxFileEntries = 8000; // a folder of thousands of recordings arrives whole

void PutDeviceInfo(Writer& w, const DeviceInfoRecord& r);
// False when short or when a text field has no terminator inside its array.
bool GetDeviceInfo(Reader& rd, DeviceInfoRecord& r);
void PutFolderItem(Writer& w, const FolderItemRecord& r);
bool GetFolderItem(Reader& rd, FolderItemRecord& r);
void PutFileInfo(Writer& w, const FileInfoRecord& r);
bool GetFileInfo(Reader& rd, FileInfoRecord& r);

// ---- event payloads ----
struct Limits {
    std::int32_t systemMode = 7;
    std::uint32_t freqMinHz = 0, freqMaxHz = 0;
    std::uint32_t rateMinHz = 0, rateMaxHz = 0;
    std::int32_t rangeMin = 0, rangeMax = 0;
    std::int32_t levelMin = 0, levelMax = 0;
    std::uint32_t spectrumPoints = 0;
    std::int32_t modeParamA = 0;
    std::uint32_t iqRateMaxHz = 0;
    std::int32_t productCatalog = 0;
};
constexpr std::size_t kLimitsSize = 52;
// The limits of an instrument of the family in a system mode: what the simulated
// instrument reports and keeps to, and what the library assumes until an
// instrument has reported its own.
Limits DefaultLimits(std::int32_t systemMode);
std::vector<std::uint8_t> EncodeLimits(const Limits& l);
bool DecodeLimits(const std::uint8_t* p, std::size_t n, Limits& l);

std::vector<std::uint8_t> EncodeFolderList(const std::vector<FolderItemRecord>& v);
bool DecodeFolderList(const std::uint8_t* p, std::size_t n, std::vector<FolderItemRecord>& v);
std::vector<std::uint8_t> EncodeFileList(const std::vector<FileInfoRecord>& v);
bool DecodeFileList(const std::uint8_t* p, std::size_t n, std::vector<FileInfoRecord>& v);

// Measurement block: u32 kind (1 I/Q only, 0 spectrum and I/Q), u32 points
// (1..MX_MAX_POINTS), i32 play mode, u32 position s, f64 sample clock (as
// m_dSampleClockKHz holds it), f64 dBm of a full-scale complex tone, u32 flags,
// then points x i16 I, points x i16 Q.
struct MeasureHead {
    std::uint32_t kind = 0;
    std::uint32_t points = 0;
    std::int32_t playMode = 0;
    std::uint32_t positionSec = 0;
    double sampleClock = 46511.71875;
    double fullScaleDbm = 30.0;
    std::uint32_t flags = 0; // MEASURE_INVERTED
};
constexpr std::size_t kMeasureHeadSize = 36;
// The samples are already mirrored by the instrument's own spectral inversion.
constexpr std::uint32_t MEASURE_INVERTED = 0x1;
// Sample clocks and full scales a block may state.
constexpr double kMaxMeasureClock = 1e9;
constexpr double kMinFullScaleDbm = -200.0, kMaxFullScaleDbm = 100.0;
std::vector<std::uint8_t> EncodeMeasure(const MeasureHead& h, const std::int16_t* i, const std::int16_t* q);
// Checks the head and the exact size; iq receives 2 x points samples (I then Q).
bool DecodeMeasure(const std::uint8_t* p, std::size_t n, MeasureHead& h, std::vector<std::int16_t>& iq);

// Simple fixed payloads: a run of 32-bit little-endian values of exactly that count.
std::vector<std::uint8_t> EncodeU32s(std::initializer_list<std::uint32_t> v);
bool DecodeU32s(const std::uint8_t* p, std::size_t n, std::uint32_t* out, std::size_t count);

// Text payload: UTF-16LE code units, no terminator. False for an odd size or more
// than maxUnits units.
bool DecodeText(const std::uint8_t* p, std::size_t n, std::u16string& out, std::size_t maxUnits = 1024);
std::vector<std::uint8_t> EncodeText(const std::u16string& s);

// UTF-16 <-> UTF-8 for logs and names (invalid sequences become U+FFFD).
std::string ToUtf8(const std::u16string& s);
std::u16string FromUtf8(const std::string& s);
// Copies s into a fixed array with a terminator (cut to n - 1 units).
void CopyZ(char16_t* dst, std::size_t n, const std::u16string& s);
void CopyZ(char* dst, std::size_t n, const std::string& s);
std::u16string FromZ(const char16_t* src, std::size_t n);

// Payload sizes the instrument accepts for each MX_CMD id (-1: text, any even size
// up to 520 bytes; -2: unknown id). The simulator and the tests use it.
int CommandPayloadSize(unsigned id, unsigned selector);

} // namespace mxp

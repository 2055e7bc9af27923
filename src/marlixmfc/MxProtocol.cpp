#include "marlixmfc/MxProtocol.h"

#include <algorithm>
#include <cstring>

namespace mxp {

const char* EventName(unsigned id) {
    switch (id) {
    case EV_DEVICE_INFO:
        return "EV_DEVICE_INFO";
    case EV_CONNECT_STATE:
        return "EV_CONNECT_STATE";
    case EV_STATUS:
        return "EV_STATUS";
    case EV_WAIT:
        return "EV_WAIT";
    case EV_LIMITS:
        return "EV_LIMITS";
    case EV_FOLDER_LIST:
        return "EV_FOLDER_LIST";
    case EV_FILE_LIST:
        return "EV_FILE_LIST";
    case EV_PLAY_FILE_RESULT:
        return "EV_PLAY_FILE_RESULT";
    case EV_PLAY_POSITION:
        return "EV_PLAY_POSITION";
    case EV_PLAY_EVENT:
        return "EV_PLAY_EVENT";
    case EV_RENAME_RESULT:
        return "EV_RENAME_RESULT";
    case EV_COPY_PROGRESS:
        return "EV_COPY_PROGRESS";
    case EV_DRIVE_FOUND:
        return "EV_DRIVE_FOUND";
    case EV_DRIVE_LIST_RESET:
        return "EV_DRIVE_LIST_RESET";
    case EV_CAL_VALUE:
        return "EV_CAL_VALUE";
    case EV_TRANSFER:
        return "EV_TRANSFER";
    case EV_TRANSFER_RATE:
        return "EV_TRANSFER_RATE";
    case EV_MEASURE:
        return "EV_MEASURE";
    case EV_PLAY_LIST_CLEAR:
        return "EV_PLAY_LIST_CLEAR";
    case EV_KEEPALIVE:
        return "EV_KEEPALIVE";
    default:
        return nullptr;
    }
}

const char* DecodeErrorName(DecodeError e) {
    switch (e) {
    case DecodeError::None:
        return "none";
    case DecodeError::Truncated:
        return "truncated";
    case DecodeError::Oversized:
        return "oversized";
    case DecodeError::BadMagic:
        return "bad magic";
    case DecodeError::BadVersion:
        return "bad version";
    case DecodeError::BadFlags:
        return "bad flags";
    case DecodeError::BadFragment:
        return "bad fragment";
    }
    return "?";
}

namespace {
std::uint16_t Ld16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::uint32_t Ld32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
void St16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
void St32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
} // namespace

DecodeError DecodeDatagram(const std::uint8_t* data, std::size_t n, Datagram& out) {
    out = Datagram{};
    if (data == nullptr || n < kHeaderSize)
        return DecodeError::Truncated;
    if (n > kMaxDatagram)
        return DecodeError::Oversized;
    if (Ld32(data) != kMagic)
        return DecodeError::BadMagic;
    Header h;
    h.version = data[4];
    h.flags = data[5];
    h.id = Ld16(data + 6);
    h.selector = Ld16(data + 8);
    h.length = Ld16(data + 10);
    h.seq = Ld32(data + 12);
    h.ref = Ld32(data + 16);
    if (h.version != kVersion)
        return DecodeError::BadVersion;
    if ((h.flags & ~kKnownFlags) != 0)
        return DecodeError::BadFlags;
    if (h.length > kMaxPayload)
        return DecodeError::Oversized;
    if (n < kHeaderSize + h.length)
        return DecodeError::Truncated;
    if (n > kHeaderSize + h.length)
        return DecodeError::Oversized;
    out.h = h;
    out.payload = data + kHeaderSize;
    out.size = h.length;
    if (h.flags & FLAG_FRAGMENT) {
        if (h.length < kFragHeaderSize + 1)
            return DecodeError::BadFragment;
        const std::uint32_t total = Ld32(out.payload);
        const std::uint32_t offset = Ld32(out.payload + 4);
        const std::size_t chunk = h.length - kFragHeaderSize;
        if (total <= kMaxPayload || total > kMaxMessage)
            return DecodeError::BadFragment;
        if (offset % kMaxChunk != 0 || offset >= total)
            return DecodeError::BadFragment;
        if (chunk != std::min<std::size_t>(kMaxChunk, total - offset))
            return DecodeError::BadFragment;
        out.fragTotal = total;
        out.fragOffset = offset;
        out.payload += kFragHeaderSize;
        out.size = chunk;
    }
    return DecodeError::None;
}

std::vector<std::vector<std::uint8_t>> EncodeMessage(std::uint8_t flags, std::uint16_t id,
                                                     std::uint16_t selector, std::uint32_t seq,
                                                     std::uint32_t ref, const std::uint8_t* payload,
                                                     std::size_t size) {
    std::vector<std::vector<std::uint8_t>> out;
    if (size > kMaxMessage)
        return out;
    auto header = [&](std::vector<std::uint8_t>& d, std::uint8_t fl, std::size_t len) {
        d.resize(kHeaderSize + len);
        St32(d.data(), kMagic);
        d[4] = kVersion;
        d[5] = fl;
        St16(d.data() + 6, id);
        St16(d.data() + 8, selector);
        St16(d.data() + 10, static_cast<std::uint16_t>(len));
        St32(d.data() + 12, seq);
        St32(d.data() + 16, ref);
    };
    flags &= static_cast<std::uint8_t>(~FLAG_FRAGMENT);
    if (size <= kMaxPayload) {
        std::vector<std::uint8_t> d;
        header(d, flags, size);
        if (size)
            std::memcpy(d.data() + kHeaderSize, payload, size);
        out.push_back(std::move(d));
        return out;
    }
    for (std::size_t off = 0; off < size; off += kMaxChunk) {
        const std::size_t chunk = std::min(kMaxChunk, size - off);
        std::vector<std::uint8_t> d;
        header(d, flags | FLAG_FRAGMENT, kFragHeaderSize + chunk);
        St32(d.data() + kHeaderSize, static_cast<std::uint32_t>(size));
        St32(d.data() + kHeaderSize + 4, static_cast<std::uint32_t>(off));
        std::memcpy(d.data() + kHeaderSize + kFragHeaderSize, payload + off, chunk);
        out.push_back(std::move(d));
    }
    return out;
}

// ---- Reassembler ----
void Reassembler::Expire(std::uint64_t nowMs) {
    for (auto& s : m_slots) {
        if (s.used && nowMs - s.lastMs > kExpireMs) {
            s = Slot{};
            ++m_dropped;
        }
    }
}

void Reassembler::Clear() {
    for (auto& s : m_slots)
        s = Slot{};
}

std::size_t Reassembler::BytesHeld() const {
    std::size_t n = 0;
    for (const auto& s : m_slots)
        n += s.data.size();
    return n;
}

Reassembler::Result Reassembler::Add(const Datagram& d, std::uint64_t nowMs, Message& out) {
    if (!(d.h.flags & FLAG_FRAGMENT) || d.fragTotal <= kMaxPayload || d.fragTotal > kMaxMessage ||
        d.fragOffset % kMaxChunk != 0 || d.fragOffset >= d.fragTotal ||
        d.size != std::min<std::size_t>(kMaxChunk, d.fragTotal - d.fragOffset) || d.payload == nullptr) {
        ++m_dropped;
        return Result::Dropped;
    }
    Expire(nowMs);
    Slot* slot = nullptr;
    for (auto& s : m_slots)
        if (s.used && s.seq == d.h.seq && s.id == d.h.id)
            slot = &s;
    if (slot != nullptr && (slot->total != d.fragTotal || slot->selector != d.h.selector ||
                            slot->ref != d.h.ref || slot->flags != d.h.flags)) {
        // Same message number, different message: the old one is abandoned.
        *slot = Slot{};
        ++m_dropped;
        slot = nullptr;
    }
    if (slot == nullptr) {
        for (auto& s : m_slots)
            if (!s.used) {
                slot = &s;
                break;
            }
        if (slot == nullptr) { // evict the oldest
            slot = &m_slots[0];
            for (auto& s : m_slots)
                if (s.lastMs < slot->lastMs)
                    slot = &s;
            *slot = Slot{};
            ++m_dropped;
        }
        slot->used = true;
        slot->seq = d.h.seq;
        slot->id = d.h.id;
        slot->selector = d.h.selector;
        slot->ref = d.h.ref;
        slot->flags = d.h.flags;
        slot->total = d.fragTotal;
        slot->data.assign(d.fragTotal, 0);
        slot->have.assign((d.fragTotal + kMaxChunk - 1) / kMaxChunk, false);
    }
    slot->lastMs = nowMs;
    const std::size_t index = d.fragOffset / kMaxChunk;
    if (slot->have[index])
        return Result::Incomplete; // duplicate
    slot->have[index] = true;
    std::memcpy(slot->data.data() + d.fragOffset, d.payload, d.size);
    slot->received += static_cast<std::uint32_t>(d.size);
    if (slot->received < slot->total)
        return Result::Incomplete;
    out.h.version = kVersion;
    out.h.flags = static_cast<std::uint8_t>(slot->flags & ~FLAG_FRAGMENT);
    out.h.id = slot->id;
    out.h.selector = slot->selector;
    out.h.length = 0;
    out.h.seq = slot->seq;
    out.h.ref = slot->ref;
    out.payload = std::move(slot->data);
    *slot = Slot{};
    return Result::Complete;
}

// ---- Writer / Reader ----
void Writer::U16(std::uint16_t v) {
    U8(static_cast<std::uint8_t>(v));
    U8(static_cast<std::uint8_t>(v >> 8));
}
void Writer::U32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        U8(static_cast<std::uint8_t>(v >> (8 * i)));
}
void Writer::U64(std::uint64_t v) {
    for (int i = 0; i < 8; ++i)
        U8(static_cast<std::uint8_t>(v >> (8 * i)));
}
void Writer::F64(double v) {
    std::uint64_t u;
    std::memcpy(&u, &v, 8);
    U64(u);
}
void Writer::Bytes(const void* p, std::size_t n) {
    const auto* b = static_cast<const std::uint8_t*>(p);
    m_b.insert(m_b.end(), b, b + n);
}

bool Reader::U8(std::uint8_t& v) {
    if (Left() < 1)
        return false;
    v = m_p[m_pos++];
    return true;
}
bool Reader::U16(std::uint16_t& v) {
    if (Left() < 2)
        return false;
    v = Ld16(m_p + m_pos);
    m_pos += 2;
    return true;
}
bool Reader::U32(std::uint32_t& v) {
    if (Left() < 4)
        return false;
    v = Ld32(m_p + m_pos);
    m_pos += 4;
    return true;
}
bool Reader::I32(std::int32_t& v) {
    std::uint32_t u;
    if (!U32(u))
        return false;
    v = static_cast<std::int32_t>(u);
    return true;
}
bool Reader::U64(std::uint64_t& v) {
    std::uint32_t lo, hi;
    if (Left() < 8)
        return false;
    U32(lo);
    U32(hi);
    v = (static_cast<std::uint64_t>(hi) << 32) | lo;
    return true;
}
bool Reader::F64(double& v) {
    std::uint64_t u;
    if (!U64(u))
        return false;
    std::memcpy(&v, &u, 8);
    return true;
}
bool Reader::Bytes(void* dst, std::size_t n) {
    if (Left() < n)
        return false;
    if (n)
        std::memcpy(dst, m_p + m_pos, n);
    m_pos += n;
    return true;
}
bool Reader::Skip(std::size_t n) {
    if (Left() < n)
        return false;
    m_pos += n;
    return true;
}

// ---- records ----
namespace {
template <std::size_t N> bool Terminated(const char (&s)[N]) {
    return std::memchr(s, 0, N) != nullptr;
}
template <std::size_t N> bool Terminated(const char16_t (&s)[N]) {
    for (std::size_t i = 0; i < N; ++i)
        if (s[i] == 0)
            return true;
    return false;
}
void PutU16s(Writer& w, const char16_t* s, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        w.U16(static_cast<std::uint16_t>(s[i]));
}
bool GetU16s(Reader& rd, char16_t* s, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        std::uint16_t u;
        if (!rd.U16(u))
            return false;
        s[i] = static_cast<char16_t>(u);
    }
    return true;
}
} // namespace

void PutDeviceInfo(Writer& w, const DeviceInfoRecord& r) {
    w.Bytes(r.m_szModel, 32);
    w.Bytes(r.m_szSerial, 32);
    w.Bytes(r.m_abMAC, 6);
    w.Zeros(2);
    w.I32(r.m_nProductCatalog);
    w.Bytes(&r.m_nSubnetMask, 4); // network byte order as stored
    w.Bytes(&r.m_nGateway, 4);
    w.U16(r.m_wUdpPort);
    w.Zeros(2);
    w.U32(r.m_nSpectrumPoints);
    w.Zeros(8);
    w.Bytes(&r.m_nIPAddress, 4); // network byte order as stored
    w.Bytes(r.m_abHWVer, 4);
    w.Zeros(4);
    w.Bytes(r.m_szDescription, 32);
    w.Bytes(r.m_abSWVer, 4);
    w.Zeros(16);
    w.U32(r.m_nBoardRev);
    w.Zeros(20);
    w.Bytes(r.m_abPumpVer, 4);
    w.Bytes(r.m_abDSPVer, 4);
    w.Zeros(60);
}

bool GetDeviceInfo(Reader& rd, DeviceInfoRecord& r) {
    r = DeviceInfoRecord{};
    bool ok = rd.Bytes(r.m_szModel, 32) && rd.Bytes(r.m_szSerial, 32) && rd.Bytes(r.m_abMAC, 6) &&
              rd.Skip(2) && rd.I32(r.m_nProductCatalog) && rd.Bytes(&r.m_nSubnetMask, 4) &&
              rd.Bytes(&r.m_nGateway, 4) && rd.U16(r.m_wUdpPort) && rd.Skip(2) &&
              rd.U32(r.m_nSpectrumPoints) && rd.Skip(8) && rd.Bytes(&r.m_nIPAddress, 4) &&
              rd.Bytes(r.m_abHWVer, 4) && rd.Skip(4) && rd.Bytes(r.m_szDescription, 32) &&
              rd.Bytes(r.m_abSWVer, 4) && rd.Skip(16) && rd.U32(r.m_nBoardRev) && rd.Skip(20) &&
              rd.Bytes(r.m_abPumpVer, 4) && rd.Bytes(r.m_abDSPVer, 4) && rd.Skip(60);
    return ok && Terminated(r.m_szModel) && Terminated(r.m_szSerial) && Terminated(r.m_szDescription);
}

void PutFolderItem(Writer& w, const FolderItemRecord& r) {
    w.U32(r.m_hItem);
    PutU16s(w, r.m_szPath, 260);
}

bool GetFolderItem(Reader& rd, FolderItemRecord& r) {
    r = FolderItemRecord{};
    return rd.U32(r.m_hItem) && GetU16s(rd, r.m_szPath, 260) && Terminated(r.m_szPath);
}

void PutFileInfo(Writer& w, const FileInfoRecord& r) {
    w.U32(r.m_nReserved0);
    PutU16s(w, r.m_szName, 100);
    w.I32(r.m_bFM);
    w.U64(r.m_llSize);
    w.F64(r.m_dSampleClock);
    w.U32(r.m_nReserved1);
    w.U32(r.m_nTimeSec);
    w.Bytes(r.m_abReserved2, 12);
    w.I32(r.m_nPower);
    w.Bytes(r.m_abReserved3, 8);
}

bool GetFileInfo(Reader& rd, FileInfoRecord& r) {
    r = FileInfoRecord{};
    return rd.U32(r.m_nReserved0) && GetU16s(rd, r.m_szName, 100) && rd.I32(r.m_bFM) && rd.U64(r.m_llSize) &&
           rd.F64(r.m_dSampleClock) && rd.U32(r.m_nReserved1) && rd.U32(r.m_nTimeSec) &&
           rd.Bytes(r.m_abReserved2, 12) && rd.I32(r.m_nPower) && rd.Bytes(r.m_abReserved3, 8) &&
           Terminated(r.m_szName);
}

// ---- event payloads ----
Limits DefaultLimits(std::int32_t systemMode) {
    Limits l;
    l.systemMode = systemMode;
    l.freqMinHz = 500000u;
    l.freqMaxHz = 2000000000u;
    l.rateMinHz = 1000000u;
    l.rateMaxHz = 100000000u;
    l.rangeMin = -300;
    l.rangeMax = 300;
    l.levelMin = -900;
    l.levelMax = 300;
    l.spectrumPoints = 8192;
    l.modeParamA = 1;
    l.iqRateMaxHz = 60000000u;
    l.productCatalog = MX_PRODUCT_ZEPHYRA;
    return l;
}

std::vector<std::uint8_t> EncodeLimits(const Limits& l) {
    Writer w;
    w.I32(l.systemMode);
    w.U32(l.freqMinHz);
    w.U32(l.freqMaxHz);
    w.U32(l.rateMinHz);
    w.U32(l.rateMaxHz);
    w.I32(l.rangeMin);
    w.I32(l.rangeMax);
    w.I32(l.levelMin);
    w.I32(l.levelMax);
    w.U32(l.spectrumPoints);
    w.I32(l.modeParamA);
    w.U32(l.iqRateMaxHz);
    w.I32(l.productCatalog);
    return std::move(w.Data());
}

bool DecodeLimits(const std::uint8_t* p, std::size_t n, Limits& l) {
    if (n != kLimitsSize)
        return false;
    Reader r(p, n);
    Limits t;
    bool ok = r.I32(t.systemMode) && r.U32(t.freqMinHz) && r.U32(t.freqMaxHz) && r.U32(t.rateMinHz) &&
              r.U32(t.rateMaxHz) && r.I32(t.rangeMin) && r.I32(t.rangeMax) && r.I32(t.levelMin) &&
              r.I32(t.levelMax) && r.U32(t.spectrumPoints) && r.I32(t.modeParamA) && r.U32(t.iqRateMaxHz) &&
              r.I32(t.productCatalog);
    if (!ok || t.freqMinHz > t.freqMaxHz || t.rateMinHz > t.rateMaxHz || t.rangeMin > t.rangeMax ||
        t.levelMin > t.levelMax || t.spectrumPoints < 1 || t.spectrumPoints > MX_MAX_POINTS)
        return false;
    l = t;
    return true;
}

std::vector<std::uint8_t> EncodeFolderList(const std::vector<FolderItemRecord>& v) {
    Writer w;
    w.U32(static_cast<std::uint32_t>(v.size()));
    for (const auto& r : v)
        PutFolderItem(w, r);
    return std::move(w.Data());
}

bool DecodeFolderList(const std::uint8_t* p, std::size_t n, std::vector<FolderItemRecord>& v) {
    Reader r(p, n);
    std::uint32_t count;
    if (!r.U32(count) || count > kMaxFolderEntries || r.Left() != count * kFolderItemSize)
        return false;
    std::vector<FolderItemRecord> t(count);
    for (auto& e : t)
        if (!GetFolderItem(r, e))
            return false;
    v = std::move(t);
    return true;
}

std::vector<std::uint8_t> EncodeFileList(const std::vector<FileInfoRecord>& v) {
    Writer w;
    w.U32(static_cast<std::uint32_t>(v.size()));
    for (const auto& r : v)
        PutFileInfo(w, r);
    return std::move(w.Data());
}

bool DecodeFileList(const std::uint8_t* p, std::size_t n, std::vector<FileInfoRecord>& v) {
    Reader r(p, n);
    std::uint32_t count;
    if (!r.U32(count) || count > kMaxFileEntries || r.Left() != count * kFileInfoSize)
        return false;
    std::vector<FileInfoRecord> t(count);
    for (auto& e : t)
        if (!GetFileInfo(r, e))
            return false;
    v = std::move(t);
    return true;
}

std::vector<std::uint8_t> EncodeMeasure(const MeasureHead& h, const std::int16_t* i, const std::int16_t* q) {
    Writer w;
    w.U32(h.kind);
    w.U32(h.points);
    w.I32(h.playMode);
    w.U32(h.positionSec);
    w.F64(h.sampleClock);
    w.F64(h.fullScaleDbm);
    w.U32(h.flags);
    for (std::uint32_t k = 0; k < h.points; ++k)
        w.U16(static_cast<std::uint16_t>(i[k]));
    for (std::uint32_t k = 0; k < h.points; ++k)
        w.U16(static_cast<std::uint16_t>(q[k]));
    return std::move(w.Data());
}

bool DecodeMeasure(const std::uint8_t* p, std::size_t n, MeasureHead& h, std::vector<std::int16_t>& iq) {
    Reader r(p, n);
    MeasureHead t;
    if (!(r.U32(t.kind) && r.U32(t.points) && r.I32(t.playMode) && r.U32(t.positionSec) &&
          r.F64(t.sampleClock) && r.F64(t.fullScaleDbm) && r.U32(t.flags)))
        return false;
    // NaN fails every comparison, so it is refused here too.
    if (!(t.sampleClock > 0.0 && t.sampleClock <= kMaxMeasureClock))
        return false;
    if (!(t.fullScaleDbm >= kMinFullScaleDbm && t.fullScaleDbm <= kMaxFullScaleDbm))
        return false;
    if ((t.flags & ~MEASURE_INVERTED) != 0)
        return false;
    if (t.points < 1 || t.points > MX_MAX_POINTS || r.Left() != std::size_t(t.points) * 4)
        return false;
    iq.resize(std::size_t(t.points) * 2);
    for (auto& s : iq) {
        std::uint16_t u;
        r.U16(u);
        s = static_cast<std::int16_t>(u);
    }
    h = t;
    return true;
}

std::vector<std::uint8_t> EncodeU32s(std::initializer_list<std::uint32_t> v) {
    Writer w;
    for (auto x : v)
        w.U32(x);
    return std::move(w.Data());
}

bool DecodeU32s(const std::uint8_t* p, std::size_t n, std::uint32_t* out, std::size_t count) {
    if (n != count * 4)
        return false;
    Reader r(p, n);
    for (std::size_t i = 0; i < count; ++i)
        r.U32(out[i]);
    return true;
}

bool DecodeText(const std::uint8_t* p, std::size_t n, std::u16string& out, std::size_t maxUnits) {
    if (n % 2 != 0 || n / 2 > maxUnits)
        return false;
    out.resize(n / 2);
    for (std::size_t i = 0; i < n / 2; ++i)
        out[i] = static_cast<char16_t>(Ld16(p + 2 * i));
    return true;
}

std::vector<std::uint8_t> EncodeText(const std::u16string& s) {
    Writer w;
    for (char16_t c : s)
        w.U16(static_cast<std::uint16_t>(c));
    return std::move(w.Data());
}

std::string ToUtf8(const std::u16string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        std::uint32_t c = s[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::u16string FromUtf8(const std::string& s) {
    std::u16string out;
    std::size_t i = 0;
    while (i < s.size()) {
        const auto b = static_cast<unsigned char>(s[i]);
        std::uint32_t c;
        std::size_t len;
        if (b < 0x80) {
            c = b;
            len = 1;
        } else if ((b >> 5) == 6) {
            c = b & 0x1F;
            len = 2;
        } else if ((b >> 4) == 14) {
            c = b & 0x0F;
            len = 3;
        } else if ((b >> 3) == 30) {
            c = b & 0x07;
            len = 4;
        } else {
            out += u'\uFFFD';
            ++i;
            continue;
        }
        if (i + len > s.size()) {
            out += u'\uFFFD';
            break;
        }
        bool ok = true;
        for (std::size_t k = 1; k < len; ++k) {
            const auto cb = static_cast<unsigned char>(s[i + k]);
            if ((cb >> 6) != 2) {
                ok = false;
                break;
            }
            c = (c << 6) | (cb & 0x3F);
        }
        if (!ok || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            out += u'\uFFFD';
            ++i;
            continue;
        }
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
        i += len;
    }
    return out;
}

void CopyZ(char16_t* dst, std::size_t n, const std::u16string& s) {
    if (n == 0)
        return;
    const std::size_t k = std::min(n - 1, s.size());
    std::fill(dst, dst + n, u'\0');
    std::copy(s.begin(), s.begin() + static_cast<std::ptrdiff_t>(k), dst);
}

void CopyZ(char* dst, std::size_t n, const std::string& s) {
    if (n == 0)
        return;
    const std::size_t k = std::min(n - 1, s.size());
    std::memset(dst, 0, n);
    std::memcpy(dst, s.data(), k);
}

std::u16string FromZ(const char16_t* src, std::size_t n) {
    std::size_t k = 0;
    while (k < n && src[k] != 0)
        ++k;
    return std::u16string(src, k);
}

int CommandPayloadSize(unsigned id, unsigned selector) {
    switch (id) {
    case MX_CMD_DISCOVER:
    case MX_CMD_DISCONNECT:
    case MX_CMD_COPY_CANCEL:
    case MX_CMD_STATUS:
    case MX_CMD_RESCAN_DISK:
    case MX_CMD_PLAY_START:
    case MX_CMD_PLAY_STOP:
    case MX_CMD_PLAY_START_STATE8:
    case MX_CMD_PLAY_START_STATE10:
    case LINK_KEEPALIVE:
        return 0;
    case MX_CMD_CONNECT:
    case MX_CMD_ZEPHYRA_POWER:
        return 2;
    case MX_CMD_COPY_DRIVE:
    case MX_CMD_STORAGE:
    case MX_CMD_STORAGE_DRIVE:
    case MX_CMD_RES_BW:
    case MX_CMD_UPDATE_SPEED:
    case MX_CMD_SYSTEM_MODE:
    case MX_CMD_ZEPHYRA_FREQ:
    case MX_CMD_SPECTRAL_INV:
    case MX_CMD_REF_10MHZ:
    case MX_CMD_TRIGGER:
    case MX_CMD_TRIGGER_OUT:
    case MX_CMD_MODE_PARAM_A:
    case MX_CMD_MODE_PARAM_B:
    case MX_CMD_PLAY_SEEK:
        return 4;
    case MX_CMD_MODULE_CAL:
        return (selector >= MX_RW_CAL_UPC_SET && selector <= MX_RW_CAL_DOC_SET) ? 4 : 0;
    case MX_CMD_SAMPLE_CLOCK:
        return 8;
    case MX_CMD_FOLDER_LIST:
    case MX_CMD_FILE_LIST:
        return 524;
    case MX_CMD_FILE_DELETE:
    case MX_CMD_COPY_FILE:
    case MX_CMD_FILE_RENAME_FROM:
    case MX_CMD_FILE_RENAME_TO:
    case MX_CMD_TEXT_COMMAND:
    case MX_CMD_PLAY_FILE:
        return -1;
    default:
        return -2;
    }
}

} // namespace mxp

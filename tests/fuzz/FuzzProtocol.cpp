// libFuzzer target: the datagram decoder, reassembly and every payload decoder of
// the link protocol, fed a stream of datagrams (each prefixed by a 16-bit length).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "marlixmfc/MxProtocol.h"

using namespace mxp;

namespace {

void DecodePayload(std::uint16_t id, const std::uint8_t* p, std::size_t n) {
    std::uint32_t v[3];
    switch (id) {
    case EV_DEVICE_INFO:
    case EV_CONNECT_STATE: {
        Reader rd(p, n);
        DeviceInfoRecord r;
        std::int32_t state;
        if (id == EV_CONNECT_STATE && !rd.I32(state))
            return;
        if (GetDeviceInfo(rd, r)) {
            // A decoded record has terminated strings.
            if (!std::memchr(r.m_szDescription, 0, sizeof r.m_szDescription))
                __builtin_trap();
            Writer w;
            PutDeviceInfo(w, r);
            if (w.Data().size() != kDeviceInfoSize)
                __builtin_trap();
        }
        break;
    }
    case EV_FOLDER_LIST: {
        std::vector<FolderItemRecord> f;
        if (DecodeFolderList(p, n, f)) {
            if (f.size() > kMaxFolderEntries)
                __builtin_trap();
            auto again = EncodeFolderList(f);
            if (again.size() != n || std::memcmp(again.data(), p, n) != 0)
                __builtin_trap();
        }
        break;
    }
    case EV_FILE_LIST: {
        std::vector<FileInfoRecord> f;
        if (DecodeFileList(p, n, f)) {
            if (f.size() > kMaxFileEntries)
                __builtin_trap();
            for (const auto& r : f)
                (void)FromZ(r.m_szName, 100);
        }
        break;
    }
    case EV_LIMITS: {
        Limits l;
        if (DecodeLimits(p, n, l) && (l.spectrumPoints < 1 || l.spectrumPoints > MX_MAX_POINTS))
            __builtin_trap();
        break;
    }
    case EV_MEASURE: {
        MeasureHead h;
        std::vector<std::int16_t> iq;
        if (DecodeMeasure(p, n, h, iq) && iq.size() != std::size_t(h.points) * 2)
            __builtin_trap();
        break;
    }
    default: {
        std::u16string s;
        if (DecodeText(p, n, s))
            (void)ToUtf8(s);
        DecodeU32s(p, n, v, 1);
        DecodeU32s(p, n, v, 2);
        DecodeU32s(p, n, v, 3);
        break;
    }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Reassembler reasm;
    std::uint64_t now = 0;
    std::size_t pos = 0;
    while (pos + 2 <= size) {
        const std::size_t len = std::min<std::size_t>(data[pos] | (data[pos + 1] << 8), size - pos - 2);
        pos += 2;
        // Copy so that reading past the datagram is caught by the sanitizer.
        std::vector<std::uint8_t> dgram(data + pos, data + pos + len);
        pos += len;
        now += 50;
        Datagram d;
        if (DecodeDatagram(dgram.data(), dgram.size(), d) != DecodeError::None)
            continue;
        if (d.payload + d.size > dgram.data() + dgram.size())
            __builtin_trap();
        if (d.h.flags & FLAG_FRAGMENT) {
            Message m;
            if (reasm.Add(d, now, m) == Reassembler::Result::Complete) {
                if (m.payload.size() > kMaxMessage)
                    __builtin_trap();
                DecodePayload(m.h.id, m.payload.data(), m.payload.size());
            }
            if (reasm.BytesHeld() > Reassembler::kSlots * kMaxMessage)
                __builtin_trap();
        } else {
            DecodePayload(d.h.id, d.payload, d.size);
        }
    }
    return 0;
}

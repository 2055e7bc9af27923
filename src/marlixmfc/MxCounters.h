// What the library's links have seen: datagrams sent, received, acted on and
// dropped by reason (CMarlixMFC::GetLinkCounters).
#pragma once
#include <atomic>
#include <cstdint>

#include "marlixmfc/MxProtocol.h"

struct MxCounters {
    std::atomic<std::uint64_t> txDatagrams{0}, rxDatagrams{0}, rxAccepted{0}, dropBadMagic{0},
        dropTruncated{0}, dropOversized{0}, dropMalformed{0}, dropForeign{0}, dropUnexpected{0},
        dropReassembly{0}, dropDeliveries{0}, dropUnmatched{0}, refusedTargets{0}, linkLost{0},
        pacingTimeouts{0};

    void CountDecodeError(mxp::DecodeError e) {
        switch (e) {
        case mxp::DecodeError::Truncated:
            dropTruncated++;
            break;
        case mxp::DecodeError::Oversized:
            dropOversized++;
            break;
        case mxp::DecodeError::BadMagic:
        case mxp::DecodeError::BadVersion:
        case mxp::DecodeError::BadFlags:
            dropBadMagic++;
            break;
        case mxp::DecodeError::BadFragment:
            dropReassembly++;
            break;
        case mxp::DecodeError::None:
            break;
        }
    }
};

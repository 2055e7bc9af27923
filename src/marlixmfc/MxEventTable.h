// From a decoded event of the instrument to what the program is told: the
// message, the window it goes to (the notification window, or the reply window
// of the command it answers) and the fields its delivery writes on the GUI
// thread first. One row per event; the connection state, the keep-alive answer
// and the measurement blocks are the link's own (they change its state or need
// the spectrum engine) and have no row.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>

#include "device/MarlixMFC.h"
#include "marlixmfc/MxProtocol.h"

struct MxEventOutcome {
    UINT msg = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    bool toReplyWindow = false;
    // The event answers one outstanding command (by its ref) and means nothing
    // without it; final: that command is answered now (no more answers follow).
    bool answersCommand = false;
    bool finalAnswer = false;
    // A report of which only the newest matters (a flood of them is coalesced):
    // kStatusReport, kTransferReport, kRateReport; -1 for every other event.
    int latestReport = -1;
    // A report that resets state (kPlayListClear, kEndOfFile): one that comes while
    // the same still waits for the GUI thread is that one; -1 for every other event.
    int sameReport = -1;
    // What the window that asked is told when this answer cannot be read: a list
    // refused (MX_LIST_REFUSED), a play or rename failed (0). refusalMsg 0 for the
    // events whose loss it need not hear of.
    UINT refusalMsg = 0;
    WPARAM refusalWParam = 0;
    // Writes the message's fields into the library object; may be empty.
    std::function<void(CMarlixMFC&)> apply;
    // EV_LIMITS: the limits the instrument reported (kept by the library too).
    bool hasLimits = false;
    mxp::Limits limits;
};

class MxEventTable {
public:
    static constexpr int kStatusReport = 0, kTransferReport = 1, kRateReport = 2, kReportKinds = 3;
    static constexpr int kPlayListClear = 0, kEndOfFile = 1, kSameReportKinds = 2;
    static constexpr std::uint32_t kPlayEventEndOfFile = 9; // EV_PLAY_EVENT's code
    enum class Result {
        Delivery,   // out holds the message
        NoMessage,  // well formed, nothing to tell (the keep-alive answer)
        Malformed,  // the payload does not fit the event
        NotInTable, // the link's own event, or no event of an instrument
    };
    // Also when Malformed: out then tells where the event would have gone and
    // what its asker is told instead.
    static Result Decode(std::uint16_t id, const std::uint8_t* payload, std::size_t size,
                         MxEventOutcome& out);
};

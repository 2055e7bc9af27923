#include "marlixmfc/MxEventTable.h"

#include <memory>
#include <vector>

namespace {

using Result = MxEventTable::Result;

// Where an event goes: the notification window, the reply window of the
// command its ref names, or that window only while the command is outstanding
// (Answer: the command's one answer; Progress: one of several, the last at 100).
enum class To { Notify, Reply, Answer, Progress };

struct Row {
    std::uint16_t id;
    To to;
    Result (*decode)(const std::uint8_t* p, std::size_t n, MxEventOutcome& out);
    int latestReport = -1; // MxEventOutcome::latestReport
    UINT refusalMsg = 0;   // MxEventOutcome::refusalMsg, refusalWParam
    WPARAM refusalWParam = 0;
};

constexpr int kNotLatest = -1;

// One 32-bit value, optionally at most max, as wParam of msg.
template <UINT Msg, std::uint32_t Max = 0xFFFFFFFFu>
Result OneValue(const std::uint8_t* p, std::size_t n, MxEventOutcome& out) {
    std::uint32_t v = 0;
    if (!mxp::DecodeU32s(p, n, &v, 1) || v > Max)
        return Result::Malformed;
    out.msg = Msg;
    out.wParam = v;
    return Result::Delivery;
}

template <UINT Msg> Result Empty(const std::uint8_t*, std::size_t n, MxEventOutcome& out) {
    if (n != 0)
        return Result::Malformed;
    out.msg = Msg;
    return Result::Delivery;
}

Result Wait(const std::uint8_t* p, std::size_t n, MxEventOutcome& out) {
    std::uint32_t v = 0;
    if (!mxp::DecodeU32s(p, n, &v, 1) || v > 1)
        return Result::Malformed;
    out.msg = v == 0 ? WM_WAIT_SHOW : WM_WAIT_DONE;
    return Result::Delivery;
}

Result Limits(const std::uint8_t* p, std::size_t n, MxEventOutcome& out) {
    mxp::Limits l;
    if (!mxp::DecodeLimits(p, n, l))
        return Result::Malformed;
    out.msg = WM_GRAPH_AXES_UPDATE;
    out.hasLimits = true;
    out.limits = l;
    return Result::Delivery;
}

Result FolderList(const std::uint8_t* p, std::size_t n, MxEventOutcome& out) {
    auto v = std::make_shared<std::vector<FolderItemRecord>>();
    if (!mxp::DecodeFolderList(p, n, *v))
        return Result::Malformed;
    out.msg = WM_FOLDER_LIST_READY;
    out.apply = [v](CMarlixMFC& g) { g.DeviceDataStore.m_vecFolders = std::move(*v); };
    return Result::Delivery;
}

Result FileList(const std::uint8_t* p, std::size_t n, MxEventOutcome& out) {
    auto v = std::make_shared<std::vector<FileInfoRecord>>();
    if (!mxp::DecodeFileList(p, n, *v))
        return Result::Malformed;
    out.msg = WM_FILE_LIST_READY;
    out.apply = [v](CMarlixMFC& g) { g.DeviceDataStore.m_vecFiles = std::move(*v); };
    return Result::Delivery;
}

Result PlayPosition(const std::uint8_t* p, std::size_t n, MxEventOutcome& out) {
    std::uint32_t v[3] = {};
    if (!mxp::DecodeU32s(p, n, v, 3))
        return Result::Malformed;
    const std::uint32_t pos = v[1];
    const auto mode = static_cast<std::int32_t>(v[2]);
    out.msg = WM_PLAY_POSITION;
    out.wParam = v[0];
    out.apply = [pos, mode](CMarlixMFC& g) {
        g.DeviceDataStore.m_nPlayPosSec = pos;
        g.DeviceState.m_nPlayMode = mode;
    };
    return Result::Delivery;
}

Result PlayEvent(const std::uint8_t* p, std::size_t n, MxEventOutcome& out) {
    std::uint32_t v[2] = {};
    if (!mxp::DecodeU32s(p, n, v, 2))
        return Result::Malformed;
    const auto mode = static_cast<std::int32_t>(v[1]);
    out.msg = WM_PLAY_EVENT;
    out.wParam = v[0];
    if (v[0] == MxEventTable::kPlayEventEndOfFile)
        out.sameReport = MxEventTable::kEndOfFile; // another code is never taken for it
    out.apply = [mode](CMarlixMFC& g) { g.DeviceState.m_nPlayMode = mode; };
    return Result::Delivery;
}

Result CalValue(const std::uint8_t* p, std::size_t n, MxEventOutcome& out) {
    std::uint32_t v[2] = {};
    if (!mxp::DecodeU32s(p, n, v, 2))
        return Result::Malformed;
    out.msg = WM_CAL_VALUE;
    out.wParam = v[0];
    out.lParam = static_cast<LPARAM>(static_cast<std::int32_t>(v[1]));
    return Result::Delivery;
}

Result Transfer(const std::uint8_t* p, std::size_t n, MxEventOutcome& out) {
    std::uint32_t v[2] = {};
    if (!mxp::DecodeU32s(p, n, v, 2))
        return Result::Malformed;
    const std::uint32_t total = v[0], done = v[1];
    out.msg = WM_TRANSFER_PROGRESS;
    out.apply = [total, done](CMarlixMFC& g) {
        g.DeviceDataStore.m_nTransferTotal = total;
        g.DeviceDataStore.m_nTransferDone = done;
    };
    return Result::Delivery;
}

Result PlayListClear(const std::uint8_t* p, std::size_t n, MxEventOutcome& out) {
    const Result r = Empty<WM_PLAY_LIST_CLEAR>(p, n, out);
    out.sameReport = MxEventTable::kPlayListClear;
    return r;
}

Result KeepAlive(const std::uint8_t*, std::size_t n, MxEventOutcome&) {
    return n == 0 ? Result::NoMessage : Result::Malformed;
}

// Status texts go to the main frame whoever sent the command: only it shows them
// (the link passes one naming an outstanding command to that command's window too).
constexpr Row kRows[] = {
    {mxp::EV_STATUS, To::Notify, OneValue<WM_STATUS_MESSAGE>, MxEventTable::kStatusReport},
    {mxp::EV_WAIT, To::Notify, Wait},
    {mxp::EV_LIMITS, To::Notify, Limits},
    {mxp::EV_FOLDER_LIST, To::Answer, FolderList, kNotLatest, WM_FOLDER_LIST_READY, MX_LIST_REFUSED},
    {mxp::EV_FILE_LIST, To::Answer, FileList, kNotLatest, WM_FILE_LIST_READY, MX_LIST_REFUSED},
    {mxp::EV_PLAY_FILE_RESULT, To::Answer, OneValue<WM_PLAY_FILE_RESULT>, kNotLatest, WM_PLAY_FILE_RESULT, 0},
    {mxp::EV_PLAY_POSITION, To::Reply, PlayPosition},
    {mxp::EV_PLAY_EVENT, To::Notify, PlayEvent},
    {mxp::EV_RENAME_RESULT, To::Answer, OneValue<WM_RENAME_RESULT>, kNotLatest, WM_RENAME_RESULT, 0},
    {mxp::EV_COPY_PROGRESS, To::Progress, OneValue<WM_COPY_PROGRESS, 100>},
    {mxp::EV_DRIVE_FOUND, To::Reply, OneValue<WM_DRIVE_FOUND, 25>},
    {mxp::EV_DRIVE_LIST_RESET, To::Reply, Empty<WM_DRIVE_LIST_RESET>},
    {mxp::EV_CAL_VALUE, To::Reply, CalValue},
    {mxp::EV_TRANSFER, To::Notify, Transfer, MxEventTable::kTransferReport},
    {mxp::EV_TRANSFER_RATE, To::Notify, OneValue<WM_TRANSFER_RATE>, MxEventTable::kRateReport},
    {mxp::EV_PLAY_LIST_CLEAR, To::Notify, PlayListClear},
    {mxp::EV_KEEPALIVE, To::Notify, KeepAlive},
};

} // namespace

MxEventTable::Result MxEventTable::Decode(std::uint16_t id, const std::uint8_t* payload, std::size_t size,
                                          MxEventOutcome& out) {
    for (const Row& r : kRows) {
        if (r.id != id)
            continue;
        out = MxEventOutcome{};
        const Result res = r.decode(payload, size, out);
        out.toReplyWindow = r.to != To::Notify;
        out.answersCommand = r.to == To::Answer || r.to == To::Progress;
        out.finalAnswer = r.to == To::Answer || (r.to == To::Progress && out.wParam == 100);
        out.latestReport = r.latestReport;
        out.refusalMsg = r.refusalMsg;
        out.refusalWParam = r.refusalWParam;
        return res;
    }
    return Result::NotInTable;
}

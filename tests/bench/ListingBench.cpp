// A folder of 5000 files over the link on loopback: marlix-sim answers
// MX_CMD_FILE_LIST for its Bulk folder (about 1.28 MB, 887 fragments), the
// library reassembles and decodes it, and this thread, standing for the GUI
// thread, takes the delivery. Prints the time from request to delivery, how many
// listings arrived whole, and the library's drop counters. Then, against the
// instrument's default socket receive buffer (212,992 bytes), the time a copy of
// 1000 of those files takes from the first command queued to the last file's
// progress (the simulator copying a quarter of a file per ms), and a delete of
// all 5000 from the first command queued to the last delete logged by the
// instrument, with how many arrived. Never fails.
//   mxbench_listing [--short]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "LinkTestSupport.h"
#include "marlixmfc/MxProtocol.h"

namespace {
const HWND kBrowser = FakeHwnd(0x200);
constexpr const char* kAddr = "127.0.0.62";
const std::u16string kFolder = u"D:\\Recordings\\Bulk\\";
} // namespace

int main(int argc, char** argv) {
    const bool shortRun = argc > 1 && std::strcmp(argv[1], "--short") == 0;
    const int rounds = shortRun ? 5 : 30;
    UseLoopback(kAddr);
    SimProcess sim(kAddr, {"--rcvbuf", "212992", "--copy-ms", "1"});
    if (!sim.Start()) {
        std::printf("folder listing: the simulator did not start\n");
        return 0;
    }
    QueueSink sink;
    auto lib = std::make_unique<CMarlixMFC>();
    lib->m_hNotifyWnd = kBrowser;
    lib->SetPostSink(&sink);
    lib->DeviceState.m_nDeviceIP = Addr(kAddr);
    lib->BeginConnectedUDPThread();
    const std::uint16_t param = 0;
    lib->MxAddCmd(MX_CMD_CONNECT, MX_RW_DEFAULT, 2, &param, kBrowser);
    if (!sink.PumpUntil([&] { return sink.Count(WM_CONNECT_STATE) > 0; }, 10000)) {
        std::printf("folder listing: the link did not come up\n");
        return 0;
    }
    FolderItemRecord req{};
    req.m_hItem = 7;
    std::memcpy(req.m_szPath, kFolder.data(), kFolder.size() * 2);

    std::vector<double> ms;
    int whole = 0;
    std::size_t entries = 0;
    for (int i = 0; i < rounds; ++i) {
        const std::size_t before = sink.Count(WM_FILE_LIST_READY);
        const auto t0 = std::chrono::steady_clock::now();
        lib->MxAddCmd(MX_CMD_FILE_LIST, MX_RW_DEFAULT, sizeof req, &req, kBrowser);
        const bool got = sink.PumpUntil([&] { return sink.Count(WM_FILE_LIST_READY) > before; }, 5000,
                                        [&](const SeenMessage& m) {
                                            if (m.msg == WM_FILE_LIST_READY)
                                                entries = lib->DeviceDataStore.m_vecFiles.size();
                                        });
        if (got && entries == 5000) {
            ++whole;
            ms.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
        }
    }

    // Bulk commands: a copy of 1000 files, then a delete of all 5000.
    const auto bulkPath = [](int i) {
        std::string n = std::to_string(i);
        n.insert(0, 5 - std::min<std::size_t>(5, n.size()), '0');
        std::u16string p = kFolder + u"bulk_";
        for (char ch : n)
            p += char16_t(ch);
        return p + (i % 2 ? u"_FM.bin" : u"_AM.bin");
    };
    const HWND kCopy = FakeHwnd(0x300);
    const std::int32_t drive = 2;
    std::size_t copied = 0;
    const auto c0 = std::chrono::steady_clock::now();
    for (int i = 1; i <= 1000; ++i) {
        const std::u16string p = bulkPath(i);
        lib->MxAddCmd(MX_CMD_COPY_DRIVE, MX_RW_DEFAULT, 4, &drive, kCopy);
        lib->MxAddCmd(MX_CMD_COPY_FILE, MX_RW_DEFAULT, unsigned(p.size() * 2), p.data(), kCopy);
    }
    sink.PumpUntil([&] { return copied >= 1000; }, 120000,
                   [&](const SeenMessage& m) {
                       if (m.msg == WM_COPY_PROGRESS && m.wParam == 100)
                           ++copied;
                   });
    const double copyMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - c0).count();

    const auto deletes = [&] {
        std::size_t n = 0;
        for (const std::string& l : sim.LogLines())
            n += l.find(" MX_CMD_FILE_DELETE ") != std::string::npos;
        return n;
    };
    const auto d0 = std::chrono::steady_clock::now();
    for (int i = 1; i <= 5000; ++i) {
        const std::u16string p = bulkPath(i);
        lib->MxAddCmd(MX_CMD_FILE_DELETE, MX_RW_DEFAULT, unsigned(p.size() * 2), p.data(), kBrowser);
    }
    std::size_t deleted = 0;
    const auto deadline = d0 + std::chrono::seconds(60);
    while ((deleted = deletes()) < 5000 && std::chrono::steady_clock::now() < deadline)
        sink.PumpFor(5);
    const double deleteMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - d0).count();

    const MxLinkCounters c = lib->GetLinkCounters();
    lib->CloseConnectedUDPThread();
    sink.PumpFor(0);
    lib.reset();
    sim.Stop();

    double sum = 0.0, worst = 0.0;
    for (double v : ms) {
        sum += v;
        worst = v > worst ? v : worst;
    }
    const std::size_t bytes = 4 + 5000 * mxp::kFileInfoSize;
    std::printf("Folder listing on loopback: 5000 files, %zu bytes, %zu fragments per listing\n", bytes,
                (bytes + mxp::kMaxChunk - 1) / mxp::kMaxChunk);
    std::printf("%d of %d listings arrived whole; request to delivery: mean %.1f ms, worst %.1f ms\n", whole,
                rounds, ms.empty() ? 0.0 : sum / double(ms.size()), worst);
    std::printf("library: %llu datagrams received, %llu dropped in reassembly\n",
                static_cast<unsigned long long>(c.rxDatagrams),
                static_cast<unsigned long long>(c.dropReassembly));
    std::printf(
        "Copy of 1000 files (instrument buffer 212992 bytes, 4 ms a file): %zu of 1000 complete in %.0f ms\n",
        copied, copyMs);
    std::printf("Delete of 5000 files (instrument buffer 212992 bytes): %zu of 5000 arrived in %.0f ms "
                "(%llu pacing time-outs)\n",
                deleted, deleteMs, static_cast<unsigned long long>(c.pacingTimeouts));
    return 0;
}

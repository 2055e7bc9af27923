// A folder of 5000 files over the link on loopback: marlix-sim answers
// MX_CMD_FILE_LIST for its Bulk folder (about 1.28 MB, 887 fragments), the
// library reassembles and decodes it, and this thread, standing for the GUI
// thread, takes the delivery. Prints the time from request to delivery, how many
// listings arrived whole, and the library's drop counters. Never fails.
//   mxbench_listing [--short]
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
    SimProcess sim(kAddr);
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
    return 0;
}

// The whole measurement road on loopback: marlix-sim plays a hybrid FM file and
// sends blocks (at the fastest update speed, then faster by --measure-ms), the
// library reassembles them and computes each spectrum, and this thread, standing
// for the GUI thread, takes each delivery. Prints blocks per second offered and
// delivered, losses, and CPU per block on both ends. Never fails.
//   mxbench_road [--short]
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "LinkTestSupport.h"
#include "marlixmfc/MxProtocol.h"

namespace {

const HWND kMain = FakeHwnd(0x100);
constexpr const char* kAddr = "127.0.0.61";
const std::u16string kFile = u"D:\\Vectors\\FM\\IB_FMr208c_e1wfc562.bin";

double CpuSeconds(int who) {
    rusage u{};
    ::getrusage(who, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The simulator's stderr goes to a file, read for its count of blocks sent.
class StderrToFile {
public:
    explicit StderrToFile(const std::string& path) {
        std::fflush(stderr);
        m_saved = ::dup(2);
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd >= 0) {
            ::dup2(fd, 2);
            ::close(fd);
        }
    }
    ~StderrToFile() {
        std::fflush(stderr);
        if (m_saved >= 0) {
            ::dup2(m_saved, 2);
            ::close(m_saved);
        }
    }

private:
    int m_saved = -1;
};

unsigned long long BlocksSent(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    unsigned long long n = 0;
    while (std::getline(in, line)) {
        const auto at = line.find(" measurement blocks sent");
        if (at == std::string::npos)
            continue;
        const auto colon = line.rfind(':', at);
        n = std::strtoull(line.c_str() + colon + 1, nullptr, 10);
    }
    return n;
}

struct Result {
    bool ok = false;
    double seconds = 0.0;
    unsigned long long sent = 0, delivered = 0, droppedReassembly = 0, droppedDeliveries = 0;
    double libCpu = 0.0, simCpu = 0.0;
};

Result Run(int points, int measureMs, double seconds) {
    Result r;
    UseLoopback(kAddr);
    const std::string errPath = "/tmp/mxbench_road." + std::to_string(::getpid()) + ".err";
    std::vector<std::string> args = {"--points", std::to_string(points)};
    if (measureMs > 0)
        args.insert(args.end(), {"--measure-ms", std::to_string(measureMs)});
    auto sim = std::make_unique<SimProcess>(kAddr, args);
    bool started;
    {
        StderrToFile redirect(errPath);
        started = sim->Start();
    }
    if (!started)
        return r;

    QueueSink sink;
    auto lib = std::make_unique<CMarlixMFC>();
    lib->m_hNotifyWnd = kMain;
    lib->SetPostSink(&sink);
    lib->DeviceState.m_nDeviceIP = Addr(kAddr);
    lib->BeginConnectedUDPThread();
    const std::uint16_t param = 0;
    lib->MxAddCmd(MX_CMD_CONNECT, MX_RW_DEFAULT, 2, &param, kMain);
    if (!sink.PumpUntil([&] { return sink.Count(WM_CONNECT_STATE) > 0; }, 10000))
        return r;
    lib->SetAverageType(MX_AVERAGE_EXPONENTIAL, 10);
    const std::int32_t speed = 0;
    lib->MxAddCmd(MX_CMD_UPDATE_SPEED, MX_RW_DEFAULT, 4, &speed, kMain);
    lib->MxAddCmd(MX_CMD_PLAY_FILE, MX_RW_DEFAULT, static_cast<unsigned>(kFile.size() * 2), kFile.data(),
                  kMain);
    if (!sink.PumpUntil([&] { return sink.Count(WM_PLAY_FILE_RESULT) > 0; }, 10000))
        return r;

    const double cpu0 = CpuSeconds(RUSAGE_SELF);
    const auto t0 = std::chrono::steady_clock::now();
    lib->MxAddCmd(MX_CMD_PLAY_START, MX_RW_DEFAULT, 0, nullptr, kMain);
    sink.PumpFor(static_cast<int>(seconds * 1000));
    lib->MxAddCmd(MX_CMD_PLAY_STOP, MX_RW_DEFAULT, 0, nullptr, kMain);
    sink.PumpUntil(
        [&] {
            const SeenMessage* m = sink.Last(WM_PLAY_POSITION);
            return m && m->wParam == 146;
        },
        10000);
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    sink.PumpFor(300); // what was on its way
    r.libCpu = CpuSeconds(RUSAGE_SELF) - cpu0;
    r.delivered = sink.Count(WM_MEASURE_DATA);
    const MxLinkCounters c = lib->GetLinkCounters();
    r.droppedReassembly = c.dropReassembly;
    r.droppedDeliveries = c.dropDeliveries;
    lib->CloseConnectedUDPThread();
    sink.PumpFor(0);
    lib.reset();

    const double child0 = CpuSeconds(RUSAGE_CHILDREN);
    sim->Stop();
    r.simCpu = CpuSeconds(RUSAGE_CHILDREN) - child0;
    sim.reset();
    r.sent = BlocksSent(errPath);
    ::unlink(errPath.c_str());
    r.ok = true;
    return r;
}

} // namespace

int main(int argc, char** argv) {
    const bool shortRun = argc > 1 && std::strcmp(argv[1], "--short") == 0;
    const double seconds = shortRun ? 1.5 : 5.0;
    struct Config {
        int points, measureMs;
    };
    std::vector<Config> configs = {{8192, 0}, {30720, 0}, {8192, 5}, {30720, 5},
                                   {8192, 2}, {30720, 2}, {8192, 1}};
    if (!shortRun)
        configs.push_back({30720, 1});

    std::printf(
        "Measurement road on loopback: marlix-sim -> link -> reassembly -> spectrum -> GUI-thread sink\n");
    std::printf("(hybrid FM file, exponential averaging 10, %.1f s per row; CPU per block delivered)\n",
                seconds);
    std::printf("%7s %9s %10s %10s %9s %8s %12s %12s\n", "points", "interval", "sent/s", "got/s", "sent",
                "lost", "library us", "sim us");
    double bestRate[2] = {0.0, 0.0};
    for (const Config& c : configs) {
        const Result r = Run(c.points, c.measureMs, seconds);
        char interval[32];
        std::snprintf(interval, sizeof interval, "%d ms%s", c.measureMs ? c.measureMs : 50,
                      c.measureMs ? "" : "*");
        if (!r.ok) {
            std::printf("%7d %9s   (simulator or link did not come up)\n", c.points, interval);
            continue;
        }
        const long long lost = static_cast<long long>(r.sent) - static_cast<long long>(r.delivered);
        const double got = r.delivered / r.seconds;
        std::printf("%7d %9s %10.1f %10.1f %9llu %8lld %12.0f %12.0f\n", c.points, interval,
                    r.sent / r.seconds, got, r.sent, lost, r.delivered ? r.libCpu / r.delivered * 1e6 : 0.0,
                    r.sent ? r.simCpu / r.sent * 1e6 : 0.0);
        if (lost <= 0) {
            double& best = bestRate[c.points == 8192 ? 0 : 1];
            if (got > best)
                best = got;
        }
        if (r.droppedReassembly || r.droppedDeliveries)
            std::printf("%7s %9s   dropped: %llu in reassembly, %llu deliveries (GUI behind)\n", "", "",
                        r.droppedReassembly, r.droppedDeliveries);
    }
    std::printf("* the fastest update speed (0); the other rows force the interval with --measure-ms\n");
    std::printf(
        "highest rate delivered without loss: %.0f blocks/s at 8192 points, %.0f blocks/s at 30720 points\n",
        bestRate[0], bestRate[1]);
    return 0;
}

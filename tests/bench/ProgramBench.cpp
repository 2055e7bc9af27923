// The whole program on loopback: the real main frame with the Spectrum and IQ
// windows (offscreen), marlix-sim playing a hybrid FM file, every block through the
// main frame's handler into the graph library. Prints, per block size and interval,
// blocks delivered and lost, GUI-thread CPU per second, frames painted per second
// per graph, the worst event-loop delay and the memory in use. Never fails.
//   mxbench_program [--short]    (without --short also a 60 s memory run)
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>

#include "SimInstrument.h"
#include "app/MarlixExApp.h"
#include "device/MarlixMFC.h"
#include "mainframe/IPComboBox.h"
#include "mainframe/MainFrm.h"
#include "platform/MsgBox.h"
#include "platform/MsgTarget.h"
#include "platform/Profile.h"
#include "res/resource.h"
#include "views/IQFrame.h"
#include "views/IQView.h"
#include "views/SpectrumFrame.h"
#include "views/SpectrumView.h"

namespace {

const QString kSim = QStringLiteral("127.0.0.62");
const std::u16string kFile = u"D:\\Vectors\\FM\\IB_FMr208c_e1wfc562.bin";

double ThreadCpu() {
    rusage u{};
    ::getrusage(RUSAGE_THREAD, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double RssMiB() {
    std::ifstream in("/proc/self/statm");
    long pages = 0, rss = 0;
    in >> pages >> rss;
    return double(rss) * double(::sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

unsigned long long SimBlocksSent(const QString& output) {
    const int at = output.lastIndexOf(QStringLiteral(" measurement blocks sent"));
    if (at < 0)
        return 0;
    const int colon = output.lastIndexOf(QLatin1Char(':'), at);
    return output.mid(colon + 1, at - colon - 1).trimmed().toULongLong();
}

// Blocks reach graph 3 once each (every block carries I/Q).
struct BlockCounter {
    static inline PFN_VarolGraph_SetData real = nullptr;
    static inline unsigned long long blocks = 0;
    static int VG_CALL SetData(int g, int l, const void* d, int c, int b, int f) {
        if (g == 3)
            ++blocks;
        return real(g, l, d, c, b, f);
    }
};

class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

struct Row {
    bool ok = false;
    int points = 0, intervalMs = 0;
    double seconds = 0;
    unsigned long long delivered = 0, libDropped = 0, sent = 0, deliveredAll = 0;
    double guiCpu = 0;
    double fps[3] = {};
    double worstDelayMs = 0;
    double rssStart = 0, rssEnd = 0;
};

void RunFor(int ms, const std::function<void(qint64)>& onTick = {}) {
    QEventLoop loop;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QElapsedTimer since;
    since.start();
    QObject::connect(&tick, &QTimer::timeout, [&] {
        if (onTick)
            onTick(since.restart());
    });
    tick.start(5);
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool WaitUntil(const std::function<bool()>& cond, int ms) {
    QElapsedTimer t;
    t.start();
    while (!cond() && t.elapsed() < ms)
        RunFor(20);
    return cond();
}

Row Run(int points, int intervalMs, int seconds, int port) {
    Row r;
    r.points = points;
    r.intervalMs = intervalMs;
    CMainFrame* frame = theApp.m_pMainWnd;
    SimInstrument sim(kSim, QStringLiteral("Bench Marlix"), port);
    QStringList args{QStringLiteral("--points"), QString::number(points)};
    if (intervalMs > 0)
        args << QStringLiteral("--measure-ms") << QString::number(intervalMs);
    sim.SetExtraArgs(args);
    if (!sim.Start())
        return r;
    frame->GetIPCombo()->setEditText(kSim);
    ::PostMessage(frame->GetSafeHwnd(), WM_COMMAND, ID_IP_COMBO, 0);
    const bool up = WaitUntil(
        [&] {
            return g_Marlix.DeviceState.m_nConnectState == MX_CONNECT_CONNECTED &&
                   theApp.m_bGraphCreated[0] == 1 && theApp.m_bGraphCreated[3] == 1 &&
                   theApp.m_bGraphCreated[4] == 1;
        },
        20000);
    if (!up)
        return r;
    RunFor(1500); // the connection's set-up goes out
    const unsigned long long blocksAtConnect = BlockCounter::blocks;
    frame->OnWindowTileHorz();
    auto* spectrum = qobject_cast<CSpectrumFrame*>(theApp.m_pSpectrumFrame);
    auto* iq = qobject_cast<CIQFrame*>(theApp.m_pIQFrame);
    PaintCounter counters[3];
    QWidget* hosts[3] = {&spectrum->GetActiveView()->m_dlgSpectrum, &iq->GetActiveView()->m_dlgI,
                         &iq->GetActiveView()->m_dlgQ};
    for (int i = 0; i < 3; ++i)
        hosts[i]->installEventFilter(&counters[i]);

    // As the front panel and play bar do for an FM file: clock, level, play.
    DeviceState& ds = g_Marlix.DeviceState;
    ds.m_dSampleClockKHz = 744187.5;
    frame->SendMessage(WM_SAMPLE_CLOCK_CHANGED, 1, 0);
    const std::int32_t fastest = 0;
    theApp.AddCmd(MX_CMD_UPDATE_SPEED, MX_RW_DEFAULT, 4, &fastest, frame->GetSafeHwnd());
    g_Marlix.SetAverageType(MX_AVERAGE_EXPONENTIAL, 10);
    theApp.AddCmd(MX_CMD_PLAY_FILE, MX_RW_DEFAULT, unsigned(kFile.size() * 2), kFile.data(),
                  frame->GetSafeHwnd());
    theApp.AddCmd(MX_CMD_PLAY_START, MX_RW_DEFAULT, 0, nullptr, frame->GetSafeHwnd());
    RunFor(1000); // warm-up

    const unsigned long long blocks0 = BlockCounter::blocks;
    const MxLinkCounters c0 = g_Marlix.GetLinkCounters();
    int paints0[3];
    for (int i = 0; i < 3; ++i)
        paints0[i] = counters[i].paints;
    r.rssStart = RssMiB();
    const double cpu0 = ThreadCpu();
    QElapsedTimer wall;
    wall.start();
    double worst = 0;
    RunFor(seconds * 1000, [&](qint64 gap) { worst = std::max(worst, double(gap) - 5.0); });
    r.seconds = wall.elapsed() / 1000.0;
    r.guiCpu = (ThreadCpu() - cpu0) / r.seconds;
    r.delivered = BlockCounter::blocks - blocks0;
    const MxLinkCounters c1 = g_Marlix.GetLinkCounters();
    r.libDropped = (c1.dropDeliveries - c0.dropDeliveries) + (c1.dropReassembly - c0.dropReassembly);
    for (int i = 0; i < 3; ++i)
        r.fps[i] = (counters[i].paints - paints0[i]) / r.seconds;
    r.worstDelayMs = worst;
    r.rssEnd = RssMiB();

    theApp.AddCmd(MX_CMD_PLAY_STOP, MX_RW_DEFAULT, 0, nullptr, frame->GetSafeHwnd());
    RunFor(300);
    r.deliveredAll = BlockCounter::blocks - blocksAtConnect;
    for (int i = 0; i < 3; ++i)
        hosts[i]->removeEventFilter(&counters[i]);
    ::PostMessage(frame->GetSafeHwnd(), WM_COMMAND, ID_CONTROL_DISCONNECT, 0);
    WaitUntil([] { return g_Marlix.DeviceState.m_nConnectState == MX_CONNECT_DISCONNECTED; }, 10000);
    sim.Stop();
    r.sent = SimBlocksSent(sim.Output());
    r.ok = true;
    return r;
}

void Print(const Row& r) {
    if (!r.ok) {
        std::printf("%7d %9d  (no run: the simulated instrument did not connect)\n", r.points, r.intervalMs);
        return;
    }
    const long long lost = (long long)r.sent - (long long)r.deliveredAll;
    std::printf("%7d %8s %9.1f %9llu %9llu %9lld %8.1f %%  %5.1f %5.1f %5.1f %7.1f ms %6.1f MiB\n", r.points,
                r.intervalMs ? (std::to_string(r.intervalMs) + " ms").c_str() : "fastest",
                r.delivered / r.seconds, r.delivered, r.libDropped, lost, 100.0 * r.guiCpu, r.fps[0],
                r.fps[1], r.fps[2], r.worstDelayMs, r.rssEnd);
}

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    const bool shortRun = argc > 1 && std::strcmp(argv[1], "--short") == 0;
    RecordingMessageBoxes boxes; // "Connected!" answers itself
    QTemporaryDir profile;
    Profile::SetStorageFolder(profile.path());
    const int port = PickTestPort();
    PointDiscoveryAt({kSim}, port);
    g_Marlix.SetPostSink(&PlatformPostSink());
    if (!theApp.InitInstance()) {
        std::printf("the program did not start\n");
        return 0;
    }
    theApp.m_pMainWnd->resize(1280, 900);
    BlockCounter::real = std::exchange(theApp.m_pfnVarolGraph_SetData, &BlockCounter::SetData);
    if (!BlockCounter::real) {
        std::printf("no graph library\n");
        return 0;
    }

    const int seconds = shortRun ? 3 : 10;
    std::printf("whole program, hybrid FM file, %d s per row%s; fps = frames painted per second\n", seconds,
                shortRun ? " (short run)" : "");
    std::printf("%7s %8s %9s %9s %9s %9s %10s  %5s %5s %5s %10s %10s\n", "points", "interval", "blocks/s",
                "delivered", "lib lost", "sent-got", "GUI CPU", "fps 0", "fps 3", "fps 4", "worst lag",
                "RSS");
    for (int points : {8192, 30720})
        for (int interval : {0, 5})
            Print(Run(points, interval, seconds, port));
    if (!shortRun) {
        const Row mem = Run(30720, 5, 60, port);
        std::printf(
            "\n60 s at 30720 points, 5 ms: RSS %.1f MiB at the start, %.1f MiB at the end; %llu blocks, "
            "simulator sent %llu, GUI received %llu in all\n",
            mem.rssStart, mem.rssEnd, mem.delivered, mem.sent, mem.deliveredAll);
    }
    theApp.m_pfnVarolGraph_SetData = BlockCounter::real;
    theApp.ExitInstance();
    g_Marlix.SetPostSink(nullptr);
    Profile::SetStorageFolder(QString());
    return 0;
}

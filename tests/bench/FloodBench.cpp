// The whole program (offscreen main frame) against an instrument on loopback that
// floods status reports, then transfer reports, at a fixed rate; then 354-point
// measurement blocks as fast as it can send them; then play list clears and ends
// of file at a fixed rate. Prints, during each flood and in the seconds after it,
// the GUI thread's CPU and the panes' paints per second, the worst event-loop
// lag, the longest wait for a menu to open (asked for through the posted-message
// queue, behind whatever waits there), and how long after the flood the newest
// report showed; for the block flood the keep-alives that reached the instrument
// (count, largest gap) and how long commands queued during it took to reach it;
// for the clears and ends of file the memory, and the seeks the ends brought.
// Never fails.
//   mxbench_flood [--rate N] [--reset-rate N] [--senders N] [--seconds S]
//   (defaults 5000 datagrams/s for the reports, 20000/s for clears and ends of
//   file, one block sender, 10 s)
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "LinkTestSupport.h"
#include "ScriptedInstrument.h"
#include "app/MarlixExApp.h"
#include "device/MarlixMFC.h"
#include "mainframe/IPComboBox.h"
#include "mainframe/MainFrm.h"
#include "marlixmfc/MxProtocol.h"
#include "platform/MsgBox.h"
#include "platform/MsgTarget.h"
#include "platform/Profile.h"
#include "res/resource.h"

namespace {

constexpr const char* kAddr = "127.0.0.63";
constexpr std::uint32_t kFloodStatus = 0x1404; // "Err:DAC Lock"
constexpr std::uint32_t kLastStatus = 0x1B0E;  // "Saturation"

enum Phase { Idle, FloodStatus, FloodTransfer, FloodBlocks, FloodClear, FloodEndOfFile, Stop };
constexpr std::uint32_t kEndOfFile = 9;
using Clock = std::chrono::steady_clock;

// The instrument: answers the connection and keep-alives, floods when told, and
// tells when each command and keep-alive reached it.
class Flooder {
public:
    Flooder(int rate, int resetRate, int senders)
        : m_rate(rate), m_resetRate(resetRate), m_senders(senders) {}
    void Start() {
        m_thread = std::thread([this] { Run(); });
    }
    void Join() {
        phase = Stop;
        if (m_thread.joinable())
            m_thread.join();
    }
    std::atomic<int> phase{Idle};
    std::atomic<bool> connected{false};
    std::atomic<bool> bound{false};
    std::atomic<unsigned long long> sent{0};

    struct Arrival {
        std::uint16_t id;
        std::uint32_t seq;
        Clock::time_point at;
    };
    std::vector<Arrival> Commands() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_commands;
    }
    std::vector<Clock::time_point> KeepAlives() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_keepAlives;
    }

private:
    void Publish(const ScriptedInstrument& inst) {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (std::size_t i = m_commands.size(); i < inst.commands.size(); ++i)
            m_commands.push_back({inst.commands[i].id, inst.commands[i].seq, inst.commands[i].at});
        m_keepAlives.assign(inst.keepAlives.begin(), inst.keepAlives.end());
    }

    void Run() {
        ScriptedInstrument inst(kAddr);
        bound = inst.bound;
        DeviceInfoRecord rec{};
        rec.m_nSpectrumPoints = 8192;
        std::strcpy(rec.m_szSerial, "FLOOD");
        if (!inst.bound || !inst.AnswerConnect(rec, 30000))
            return;
        connected = true;
        int was = Idle;
        auto start = std::chrono::steady_clock::now();
        unsigned long long n = 0;
        while (phase != Stop) {
            const int p = phase;
            if (p != was) {
                if (was == FloodStatus)
                    inst.SendU32s(mxp::EV_STATUS, {kLastStatus});
                if (was == FloodTransfer)
                    inst.SendU32s(mxp::EV_TRANSFER, {1000000, 1000000});
                if (was == FloodBlocks)
                    sent += inst.StopFlood();
                if (was == FloodClear)
                    inst.Send(mxp::EV_PLAY_LIST_CLEAR, 0, {});
                if (was == FloodEndOfFile)
                    inst.SendU32s(mxp::EV_PLAY_EVENT, {kEndOfFile, 0});
                if (p == FloodBlocks)
                    inst.StartFlood(mxp::EV_MEASURE, Block(), m_senders);
                was = p;
                start = std::chrono::steady_clock::now();
                n = 0;
            }
            if (p == FloodStatus || p == FloodTransfer || p == FloodClear || p == FloodEndOfFile) {
                const double s =
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
                const int rate = p == FloodClear || p == FloodEndOfFile ? m_resetRate : m_rate;
                const auto due = static_cast<unsigned long long>(s * rate);
                for (; n < due; ++n) {
                    if (p == FloodStatus)
                        inst.SendU32s(mxp::EV_STATUS, {kFloodStatus});
                    else if (p == FloodTransfer)
                        inst.SendU32s(mxp::EV_TRANSFER, {1000000, static_cast<std::uint32_t>(n % 999999)});
                    else if (p == FloodClear)
                        inst.Send(mxp::EV_PLAY_LIST_CLEAR, 0, {});
                    else
                        inst.SendU32s(mxp::EV_PLAY_EVENT, {kEndOfFile, 0});
                    ++sent;
                }
            }
            inst.ServeWaiting();
            Publish(inst);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    static std::vector<std::uint8_t> Block() {
        constexpr std::uint32_t kPoints = 354; // the largest block of one datagram
        std::vector<std::int16_t> iq(2 * kPoints);
        for (std::size_t i = 0; i < iq.size(); ++i)
            iq[i] = static_cast<std::int16_t>((i * 7919) % 20000 - 10000);
        mxp::MeasureHead h;
        h.points = kPoints;
        return mxp::EncodeMeasure(h, iq.data(), iq.data() + kPoints);
    }
    const int m_rate, m_resetRate, m_senders;
    std::thread m_thread;
    std::mutex m_mutex;
    std::vector<Arrival> m_commands;
    std::vector<Clock::time_point> m_keepAlives;
};

// This process's resident memory, MB.
double RssMb() {
    std::ifstream f("/proc/self/status");
    std::string line;
    while (std::getline(f, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atof(line.c_str() + 6) / 1024.0;
    return 0;
}

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double ThreadCpu() {
    rusage u{};
    ::getrusage(RUSAGE_THREAD, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        paints += e->type() == QEvent::Paint;
        return false;
    }
};

struct Lag {
    double cpu = 0;         // GUI-thread CPU, share of the stretch
    double paintsPerS = 0;  // paints of the two panes the reports go to
    double worstTickMs = 0; // the 5 ms timer's worst lateness
    double worstMenuMs = 0; // longest wait for a menu asked for through the queue
    int menus = 0;
};

// Runs the event loop for ms, measuring the loop's lag and menu openings.
Lag Measure(int ms, QMenu* menu, PaintCounter* panes = nullptr) {
    Lag lag;
    const double cpu0 = ThreadCpu();
    const int paints0 = panes ? panes->paints : 0;
    QEventLoop loop;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QElapsedTimer since, menuAsked;
    since.start();
    bool waitingForMenu = false;
    int ticks = 0;
    QObject::connect(menu, &QMenu::aboutToShow, &loop, [&] {
        if (!waitingForMenu)
            return;
        waitingForMenu = false;
        lag.worstMenuMs = std::max(lag.worstMenuMs, double(menuAsked.elapsed()));
        ++lag.menus;
        QTimer::singleShot(20, menu, [menu] { menu->hide(); });
    });
    QObject::connect(&tick, &QTimer::timeout, [&] {
        lag.worstTickMs = std::max(lag.worstTickMs, double(since.restart()) - 5.0);
        // Every 250 ms a menu is asked for as a click would: behind what is queued.
        if (++ticks % 50 == 0 && !waitingForMenu) {
            waitingForMenu = true;
            menuAsked.start();
            QMetaObject::invokeMethod(
                menu, [menu] { menu->popup(QPoint(10, 10)); }, Qt::QueuedConnection);
        }
    });
    tick.start(5);
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    if (waitingForMenu) // never opened within the stretch
        lag.worstMenuMs = std::max(lag.worstMenuMs, double(menuAsked.elapsed()));
    lag.cpu = (ThreadCpu() - cpu0) * 1000.0 / ms;
    lag.paintsPerS = panes ? (panes->paints - paints0) * 1000.0 / ms : 0;
    return lag;
}

bool WaitUntil(const std::function<bool()>& cond, int ms) {
    QElapsedTimer t;
    t.start();
    while (!cond() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return cond();
}

// Time until cond holds, running the loop; -1 when it did not within ms.
double TimeUntil(const std::function<bool()>& cond, int ms) {
    QElapsedTimer t;
    t.start();
    return WaitUntil(cond, ms) ? double(t.elapsed()) : -1.0;
}

void Row(const char* what, const Lag& during, const Lag& after, double shownMs, unsigned long long sent,
         double seconds) {
    std::printf("%-9s %10.0f/s %6.1f %% %8.0f/s %11.1f ms %11.1f ms %11.1f ms %11.1f ms %12.1f ms\n", what,
                sent / seconds, 100.0 * during.cpu, during.paintsPerS, during.worstTickMs, during.worstMenuMs,
                after.worstTickMs, after.worstMenuMs, shownMs);
}

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    int rate = 5000, resetRate = 20000, senders = 1, seconds = 10;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--rate") == 0)
            rate = std::max(1, std::atoi(argv[i + 1]));
        if (std::strcmp(argv[i], "--reset-rate") == 0)
            resetRate = std::max(1, std::atoi(argv[i + 1]));
        if (std::strcmp(argv[i], "--senders") == 0)
            senders = std::clamp(std::atoi(argv[i + 1]), 1, 16);
        if (std::strcmp(argv[i], "--seconds") == 0)
            seconds = std::max(1, std::atoi(argv[i + 1]));
    }
    UseLoopback(kAddr);
    RecordingMessageBoxes boxes; // "Connected!" answers itself
    QTemporaryDir profile;
    Profile::SetStorageFolder(profile.path());
    g_Marlix.SetPostSink(&PlatformPostSink());
    if (!theApp.InitInstance()) {
        std::printf("the program did not start\n");
        return 0;
    }
    CMainFrame* frame = theApp.m_pMainWnd;
    frame->resize(1280, 900);
    // Painted as on a screen: an unexposed window paints nothing.
    WaitUntil([&] { return frame->windowHandle() && frame->windowHandle()->isExposed(); }, 5000);
    QMenu* menu =
        frame->m_wndMenuBar->actions().value(0) ? frame->m_wndMenuBar->actions()[0]->menu() : nullptr;
    Flooder flooder(rate, resetRate, senders);
    flooder.Start();
    frame->GetIPCombo()->setEditText(QString::fromLatin1(kAddr));
    ::PostMessage(frame->GetSafeHwnd(), WM_COMMAND, ID_IP_COMBO, 0);
    if (!menu ||
        !WaitUntil([&] { return g_Marlix.DeviceState.m_nConnectState == MX_CONNECT_CONNECTED; }, 30000)) {
        std::printf("no run: the instrument did not connect\n");
        flooder.Join();
        return 0;
    }
    Measure(2000, menu); // the connection's set-up and the windows it opens

    std::printf(
        "floods of %d datagrams/s for %d s, then %d s of quiet; lag = worst lateness of a 5 ms timer,\n"
        "menu = longest wait for a menu asked for through the message queue every 250 ms\n",
        rate, seconds, 5);
    std::printf("%-9s %12s %8s %10s %14s %14s %14s %14s %15s\n", "flood", "sent", "GUI CPU", "paints",
                "lag during", "menu during", "lag after", "menu after", "newest shown");
    PaintCounter panes;
    frame->StatusPaneLabel(0)->installEventFilter(&panes);
    frame->StatusProgress()->installEventFilter(&panes);
    const Lag quiet = Measure(2000, menu, &panes);
    Row("none", quiet, quiet, 0, 0, 1);

    for (int kind : {FloodStatus, FloodTransfer}) {
        if (kind == FloodTransfer)
            frame->TransferStarted();
        const unsigned long long sent0 = flooder.sent;
        flooder.phase = kind;
        const Lag during = Measure(seconds * 1000, menu, &panes);
        const unsigned long long sent = flooder.sent - sent0;
        flooder.phase = Idle; // the newest report follows
        const double shown =
            kind == FloodStatus
                ? TimeUntil([&] { return frame->StatusPaneLabel(0)->text() == QLatin1String("Saturation"); },
                            60000)
                : TimeUntil([&] { return frame->StatusProgress()->value() == 100; }, 60000);
        const Lag after = Measure(5000, menu);
        Row(kind == FloodStatus ? "status" : "transfer", during, after, shown, sent, seconds);
        if (kind == FloodTransfer)
            frame->TransferEnded();
    }
    frame->StatusPaneLabel(0)->removeEventFilter(&panes);
    frame->StatusProgress()->removeEventFilter(&panes);

    // Blocks as fast as the instrument can send them; a command queued every 250 ms.
    {
        std::map<std::uint32_t, Clock::time_point> queued;
        QTimer ask;
        QObject::connect(&ask, &QTimer::timeout, [&] {
            FolderItemRecord rec{};
            mxp::CopyZ(rec.m_szPath, 260, u"D:\\");
            std::uint32_t ref = 0;
            if (g_Marlix.MxAddCmd(MX_CMD_FOLDER_LIST, MX_RW_DEFAULT, sizeof rec, &rec, nullptr, &ref) == 1)
                queued[ref] = Clock::now();
        });
        const unsigned long long sent0 = flooder.sent;
        const Clock::time_point from = Clock::now();
        flooder.phase = FloodBlocks;
        ask.start(250);
        const Lag during = Measure(seconds * 1000, menu);
        ask.stop();
        flooder.phase = Idle;
        const Clock::time_point to = Clock::now();
        const Lag after = Measure(5000, menu);
        const unsigned long long sent = flooder.sent - sent0;
        Row("blocks", during, after, 0, sent, seconds);
        std::vector<double> latencies;
        for (const Flooder::Arrival& a : flooder.Commands()) {
            const auto q = queued.find(a.seq);
            if (q != queued.end())
                latencies.push_back(Ms(a.at - q->second));
        }
        std::sort(latencies.begin(), latencies.end());
        Clock::time_point last = from;
        double largestGap = 0;
        int keepAlives = 0;
        for (const Clock::time_point t : flooder.KeepAlives()) {
            if (t < from || t > to)
                continue;
            ++keepAlives;
            largestGap = std::max(largestGap, Ms(t - last));
            last = t;
        }
        largestGap = std::max(largestGap, Ms(to - last));
        std::printf(
            "  block flood (354 points, %d sender%s): %d keep-alives reached the instrument in %.1f s, "
            "largest gap %.0f ms\n",
            senders, senders == 1 ? "" : "s", keepAlives, Ms(to - from) / 1000.0, largestGap);
        if (latencies.empty())
            std::printf("  commands queued during it: %zu, none reached the instrument\n", queued.size());
        else
            std::printf("  commands queued during it: %zu, %zu reached the instrument: median %.1f ms, "
                        "largest %.1f ms\n",
                        queued.size(), latencies.size(), latencies[latencies.size() / 2], latencies.back());
    }

    // Clears and ends of file: menus, memory, and the seeks the ends brought.
    for (int kind : {FloodClear, FloodEndOfFile}) {
        const auto seeks = [&] {
            std::size_t n = 0;
            for (const Flooder::Arrival& a : flooder.Commands())
                n += a.id == MX_CMD_PLAY_SEEK;
            return n;
        };
        const std::size_t seeks0 = seeks();
        const double rss0 = RssMb();
        const unsigned long long sent0 = flooder.sent;
        flooder.phase = kind;
        const Lag during = Measure(seconds * 1000, menu);
        const unsigned long long sent = flooder.sent - sent0;
        const double rssDuring = RssMb();
        flooder.phase = Idle; // the last one follows
        const Lag after = Measure(5000, menu);
        Row(kind == FloodClear ? "clear" : "endoffile", during, after, 0, sent, seconds);
        std::printf("  memory %.1f MB before, %.1f MB at the flood's end, %.1f MB 5 s after", rss0, rssDuring,
                    RssMb());
        if (kind == FloodEndOfFile)
            std::printf("; MX_CMD_PLAY_SEEK that reached the instrument: %zu", seeks() - seeks0);
        std::printf("\n");
    }
    const MxLinkCounters c = g_Marlix.GetLinkCounters();
    std::printf("link: %llu datagrams received, %llu accepted\n", (unsigned long long)c.rxDatagrams,
                (unsigned long long)c.rxAccepted);
    ::PostMessage(frame->GetSafeHwnd(), WM_COMMAND, ID_CONTROL_DISCONNECT, 0);
    WaitUntil([] { return g_Marlix.DeviceState.m_nConnectState == MX_CONNECT_DISCONNECTED; }, 10000);
    flooder.Join();
    theApp.ExitInstance();
    g_Marlix.SetPostSink(nullptr);
    Profile::SetStorageFolder(QString());
    return 0;
}

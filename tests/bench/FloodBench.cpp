// The whole program (offscreen main frame) against an instrument on loopback that
// floods status reports, then transfer reports, at a fixed rate. Prints, during
// each flood and in the seconds after it, the GUI thread's CPU and the panes'
// paints per second, the worst event-loop lag, the longest
// wait for a menu to open (asked for through the posted-message queue, behind
// whatever waits there), and how long after the flood the newest report showed.
// Never fails.
//   mxbench_flood [--rate N] [--seconds S]     (defaults 5000 datagrams/s, 10 s)
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
#include <thread>

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

enum Phase { Idle, FloodStatus, FloodTransfer, Stop };

// The instrument: answers the connection and keep-alives, floods when told.
class Flooder {
public:
    explicit Flooder(int rate) : m_rate(rate) {}
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

private:
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
                was = p;
                start = std::chrono::steady_clock::now();
                n = 0;
            }
            if (p == FloodStatus || p == FloodTransfer) {
                const double s =
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
                const auto due = static_cast<unsigned long long>(s * m_rate);
                for (; n < due; ++n) {
                    if (p == FloodStatus)
                        inst.SendU32s(mxp::EV_STATUS, {kFloodStatus});
                    else
                        inst.SendU32s(mxp::EV_TRANSFER, {1000000, static_cast<std::uint32_t>(n % 999999)});
                    ++sent;
                }
            }
            inst.ServeWaiting();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    const int m_rate;
    std::thread m_thread;
};

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
    int rate = 5000, seconds = 10;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--rate") == 0)
            rate = std::max(1, std::atoi(argv[i + 1]));
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
    Flooder flooder(rate);
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

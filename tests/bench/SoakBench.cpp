// The bench session's playback for a long run: the whole program against
// marlix-sim at 30720 points and the fastest update speed, the carrier and the
// hybrid file played in turn with Next and the play time, and the link pulled
// (the instrument falls silent) at a fixed period, then connected again by its
// address. Prints the program's memory at the start and the end, the blocks the
// instrument sent while connected against those drawn, the reconnects that
// failed and the longest the event loop was held up. Never fails on speed.
//   mxbench_soak [--short | --minutes N]   (default 10 minutes, a drop every minute)
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "BenchSession.h"
#include "GraphTap.h"
#include "app/MarlixExApp.h"
#include "controls/CKbcButton.h"
#include "controls/ControlMessages.h"
#include "device/MarlixMFC.h"
#include "mainframe/MainFrm.h"
#include "output/DialogPlayFolderList.h"
#include "output/DialogPlayTimeSet.h"
#include "output/DumpPlayBar.h"
#include "platform/MsgTarget.h"
#include "res/resource.h"
#include "settings/CDialogSettingTab.h"
#include "settings/CDialogSetting_Viewer.h"
#include "settings/CTabCtrl_Setting.h"

namespace {

const QString kSim = QStringLiteral("127.0.0.62");
const QString kCarrier = QStringLiteral("IB_FM_e1_CW_dc.bin");
const QString kHybrid = QStringLiteral("IB_FMr208b_e1wfc522.bin");

DeviceState& DS() {
    return g_Marlix.DeviceState;
}

double RssMiB() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return double(resident) * double(::sysconf(_SC_PAGESIZE)) / 1048576.0;
}

// The event loop's worst hold-up: a 10 ms timer's lateness, measured while the
// run goes on. The session's own waits run the loop, so they count too.
class LoopDelay {
public:
    LoopDelay() {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(kPeriodMs);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = m_clock.elapsed();
            m_worst = std::max(m_worst, now - m_last - kPeriodMs);
            m_last = now;
        });
    }
    void Start() {
        m_clock.start();
        m_last = 0;
        m_worst = 0;
        m_timer.start();
    }
    qint64 WorstMs() const { return m_worst; }

private:
    static constexpr int kPeriodMs = 10;
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0, m_worst = 0;
};

class Soak {
public:
    explicit Soak(double seconds, double dropEvery) : m_seconds(seconds), m_dropEvery(dropEvery) {}

    int Run() {
        if (!s.StartProgram() || !s.StartInstrument({QStringLiteral("--points"), QStringLiteral("30720"),
                                                     QStringLiteral("--control-stdin")})) {
            std::printf("soak: the program or the simulated instrument did not start\n");
            return 0;
        }
        GraphTap::Install();
        if (!Connect()) {
            std::printf("soak: no first connection\n");
            return 0;
        }
        StartPlaying();
        Run(2000);
        const double rssStart = RssMiB();
        double rssPeak = rssStart;
        delay.Start();
        QElapsedTimer clock;
        clock.start();
        double nextDrop = m_dropEvery, nextAction = 6.0;
        int action = 0;
        while (clock.elapsed() < m_seconds * 1000.0) {
            Run(200);
            Collect();
            rssPeak = std::max(rssPeak, RssMiB());
            const double t = clock.elapsed() / 1000.0;
            if (t >= nextDrop && t + 10.0 < m_seconds) {
                nextDrop += m_dropEvery;
                Drop();
                StartPlaying();
                nextAction = t + 6.0;
            } else if (t >= nextAction) {
                nextAction = t + 6.0;
                if (++action % 3 == 0)
                    SeekTo(10 + action % 40);
                else
                    NextFile();
            }
        }
        const qint64 worst = delay.WorstMs();
        const double rssEnd = RssMiB();
        const MxLinkCounters c = g_Marlix.GetLinkCounters();
        const long long drawn = GraphTap::fed[3];
        GraphTap::Remove();
        s.Disconnect();
        s.Instrument()->Control(QStringLiteral("resume"));
        Run(300);
        Collect();
        s.Instrument()->Stop();
        Collect();
        const long long sent = SentWhileConnected();

        std::printf(
            "Soak: the bench session's playback, 30720 points, fastest update speed, %.0f s, link pulled "
            "every %.0f s\n",
            m_seconds, m_dropEvery);
        std::printf("  RSS: %.1f MiB at the start, %.1f MiB at the end (%+.1f %%), %.1f MiB at most\n",
                    rssStart, rssEnd, 100.0 * (rssEnd - rssStart) / rssStart, rssPeak);
        std::printf("  blocks: %lld sent while connected, %lld drawn, %lld lost outside the drops "
                    "(library: %llu in reassembly, %llu deliveries dropped)\n",
                    sent, drawn, std::max(0LL, sent - drawn),
                    static_cast<unsigned long long>(c.dropReassembly),
                    static_cast<unsigned long long>(c.dropDeliveries));
        std::printf("  link: %d drops, %d reconnects, %d failed\n", m_drops, m_reconnects, m_failed);
        std::printf("  worst event-loop delay: %lld ms (a 10 ms timer's lateness)\n",
                    static_cast<long long>(worst));
        return 0;
    }

private:
    // The program's own event loop, as when nobody waits on anything.
    static void Run(int ms) {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    }

    bool Connect() {
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (s.ConnectByAddress()) {
                SetFastest();
                return true;
            }
            s.Disconnect();
        }
        return false;
    }

    // The Viewer page: Spectrum Update "Fastest", Ok; the connection sent the stored speed.
    void SetFastest() {
        s.frame->SendMessage(WM_COMMAND, ID_SETTING_VIEWER, 0);
        CDialogSettingTab* dlg = s.frame->m_pSettingDlg;
        dlg->m_tabSetting->m_pViewer->m_cbUpdateSpeed->setCurrentIndex(0);
        dlg->m_btnOk->click();
        WaitFor(
            [&] {
                const auto l = s.Commands(QStringLiteral("MX_CMD_UPDATE_SPEED"));
                return !l.empty() && l.back().payload == QByteArray(4, '\0');
            },
            5000);
    }

    void StartPlaying() {
        if (DS().m_nConnectState != 2)
            return;
        if (!s.OpenFolder({QStringLiteral("D:\\"), QStringLiteral("Vectors"), QStringLiteral("FM")}, 3))
            return;
        for (const QString& name : {kCarrier, kHybrid}) {
            const int row = s.RowOf(name);
            if (row >= 0 && s.browser->m_listFile->topLevelItem(row)->checkState(0) != Qt::Checked)
                s.ClickRow(row);
        }
        if (s.OpenFiles(kCarrier))
            s.bar->m_btnPlay->Click();
    }

    void NextFile() {
        if (DS().m_nConnectState != 2)
            return;
        const QString now = s.bar->m_strFileName;
        s.bar->m_btnNext->Click();
        if (s.LoadedFile(now == kCarrier ? kHybrid : kCarrier, 10000))
            s.bar->m_btnPlay->Click();
    }

    void SeekTo(int sec) {
        if (DS().m_nConnectState != 2)
            return;
        s.bar->m_btnTimeSet->Click();
        CDialogPlayTimeSet* dlg = s.bar->m_pTimeSetDlg;
        if (!dlg)
            return;
        dlg->SendMessage(WM_SLIDER_STEP, CDialogPlayTimeSet::kIdFirstDigit + 4, '0' + sec / 10);
        dlg->SendMessage(WM_SLIDER_STEP, CDialogPlayTimeSet::kIdFirstDigit + 5, '0' + sec % 10);
        dlg->m_pApply->click();
    }

    void Drop() {
        ++m_drops;
        s.Instrument()->Control(QStringLiteral("silent"));
        const int before = s.boxes.Count(QStringLiteral("Disconnected!"));
        WaitFor(
            [&] {
                return s.boxes.Count(QStringLiteral("Disconnected!")) > before && DS().m_nConnectState == 0;
            },
            30000);
        Run(200);
        s.Instrument()->Control(QStringLiteral("resume"));
        ++m_reconnects;
        if (!Connect())
            ++m_failed;
        Collect();
    }

    void Collect() { m_output += s.Instrument()->Output(); }

    // The instrument's count of blocks sent, at each connection and at each fall
    // into silence: the blocks of the connected stretches, not those sent to a
    // program that had already given the link up.
    long long SentWhileConnected() const {
        static const QRegularExpression line(
            QStringLiteral("marlix-sim \\S+: (connected: |silent: )?(\\d+) measurement blocks sent"));
        long long total = 0, since = -1;
        auto it = line.globalMatch(m_output);
        while (it.hasNext()) {
            const QRegularExpressionMatch m = it.next();
            const long long n = m.captured(2).toLongLong();
            if (m.captured(1).startsWith(QLatin1String("connected"))) {
                since = n;
            } else if (since >= 0) {
                total += n - since;
                since = -1;
            }
        }
        return total;
    }

    BenchSession s{kSim, QStringLiteral("Marlix Zephyra (soak)")};
    LoopDelay delay;
    QString m_output;
    double m_seconds, m_dropEvery;
    int m_drops = 0, m_reconnects = 0, m_failed = 0;
};

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    double seconds = 600.0, dropEvery = 60.0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--short") == 0) {
            seconds = 25.0;
            dropEvery = 12.0;
        } else if (std::strcmp(argv[i], "--minutes") == 0 && i + 1 < argc) {
            seconds = std::clamp(std::atof(argv[++i]), 0.5, 600.0) * 60.0;
        } else {
            std::fprintf(stderr, "usage: mxbench_soak [--short | --minutes N]\n");
            return 2;
        }
    }
    QApplication app(argc, argv);
    // Every box is answered at once; none waits for a click.
    Soak soak(seconds, dropEvery);
    return soak.Run();
}

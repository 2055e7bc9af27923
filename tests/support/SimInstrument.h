// One simulated instrument for a test: started on a loopback address with its
// own command log, stopped (and its log read) by the test.
#pragma once
#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <vector>

struct SimLogLine {
    long long ms = 0;
    int id = 0;
    QString name;
    int selector = 0;
    int length = 0;
    QByteArray payload; // decoded from the hex column
};

// Parses "<ms> <id> <name> <selector> <len> <hex|->" lines; malformed lines are skipped.
std::vector<SimLogLine> ParseSimLog(const QByteArray& text);
QStringList SimLogNames(const std::vector<SimLogLine>& lines);

// A UDP port that is free on every loopback address we use, different per run so
// parallel test binaries do not meet each other's instruments.
int PickTestPort();

// Sets the discovery targets (and loopback-only) for this process's device library.
void PointDiscoveryAt(const QStringList& addresses, int port);

class SimInstrument {
public:
    SimInstrument(QString bindAddress, QString name, int port);
    ~SimInstrument();

    // Options of marlix-sim beyond address, name and log (before Start).
    void SetExtraArgs(const QStringList& args) { m_extraArgs = args; }
    bool Start();
    // SIGTERM and wait; true when it ended.
    bool Stop();
    bool IsRunning() const;
    // Stops it answering (link loss) without ending it.
    bool Pause();
    bool Resume();
    // A control line (needs --control-stdin among the extra arguments): "silent", "resume", ...
    bool Control(const QString& line);

    QString Address() const { return m_address; }
    std::vector<SimLogLine> Log() const;
    QStringList LogNames() const { return SimLogNames(Log()); }
    QString LogPath() const;
    QString Output() const;

private:
    QString m_address;
    QString m_name;
    QStringList m_extraArgs;
    int m_port;
    QTemporaryDir m_dir;
    std::unique_ptr<QProcess> m_proc;
};

// Runs the event loop (and posted messages) until cond() or timeout; returns cond().
bool WaitFor(const std::function<bool()>& cond, int timeoutMs = 20000);

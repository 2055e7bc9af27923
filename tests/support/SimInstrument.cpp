#include "SimInstrument.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include "platform/MsgTarget.h"

std::vector<SimLogLine> ParseSimLog(const QByteArray& text) {
    std::vector<SimLogLine> out;
    for (const QByteArray& raw : text.split('\n')) {
        const QList<QByteArray> f = raw.trimmed().split(' ');
        if (f.size() != 6)
            continue;
        SimLogLine l;
        bool ok[5];
        l.ms = f[0].toLongLong(&ok[0]);
        l.id = f[1].toInt(&ok[1]);
        l.name = QString::fromLatin1(f[2]);
        l.selector = f[3].toInt(&ok[2]);
        l.length = f[4].toInt(&ok[3]);
        ok[4] = true;
        if (f[5] != "-")
            l.payload = QByteArray::fromHex(f[5]);
        if (!(ok[0] && ok[1] && ok[2] && ok[3]))
            continue;
        out.push_back(std::move(l));
    }
    return out;
}

QStringList SimLogNames(const std::vector<SimLogLine>& lines) {
    QStringList names;
    for (const SimLogLine& l : lines)
        names << l.name;
    return names;
}

static bool UdpPortFree(const char* addr, int port) {
    const int s = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (s < 0)
        return false;
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<uint16_t>(port));
    ::inet_pton(AF_INET, addr, &sa.sin_addr);
    const bool ok = ::bind(s, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0;
    ::close(s);
    return ok;
}

int PickTestPort() {
    // Start from a spot that depends on the process, then probe upwards.
    int port = 30000 + (static_cast<int>(::getpid()) * 7) % 20000;
    for (int tries = 0; tries < 2000; ++tries, port = port >= 59990 ? 30000 : port + 3) {
        if (UdpPortFree("0.0.0.0", port) && UdpPortFree("0.0.0.0", port + 1))
            return port;
    }
    return port;
}

void PointDiscoveryAt(const QStringList& addresses, int port) {
    qputenv("MARLIX_DISCOVERY_TARGETS", addresses.join(QLatin1Char(',')).toLatin1());
    qputenv("MARLIX_PORT", QByteArray::number(port));
    qputenv("MARLIX_LOOPBACK_ONLY", "1");
}

SimInstrument::SimInstrument(QString bindAddress, QString name, int port)
    : m_address(std::move(bindAddress)), m_name(std::move(name)), m_port(port) {}

SimInstrument::~SimInstrument() {
    Stop();
}

QString SimInstrument::LogPath() const {
    return m_dir.filePath(QStringLiteral("commands.log"));
}

bool SimInstrument::Start() {
    if (IsRunning())
        return true;
    const QString exe = QCoreApplication::applicationDirPath() + QStringLiteral("/marlix-sim");
    if (!QFile::exists(exe))
        return false;
    QFile::remove(LogPath()); // an earlier run's
    m_proc = std::make_unique<QProcess>();
    m_proc->setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MARLIX_PORT"), QString::number(m_port));
    env.insert(QStringLiteral("MARLIX_LOOPBACK_ONLY"), QStringLiteral("1"));
    m_proc->setProcessEnvironment(env);
    // A test that dies (crash, timeout) takes its instrument with it.
    m_proc->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_proc->start(exe, QStringList{QStringLiteral("--bind"), m_address, QStringLiteral("--name"), m_name,
                                   QStringLiteral("--log"), LogPath()} +
                           m_extraArgs);
    if (!m_proc->waitForStarted(10000))
        return false;
    // Ready once its log exists: it opens it only after binding its port. A port
    // that another process holds on the address is no sign that this one is up.
    return WaitFor([&] { return !IsRunning() || QFile::exists(LogPath()); }, 20000) && IsRunning();
}

bool SimInstrument::Stop() {
    if (!m_proc)
        return true;
    if (m_proc->state() != QProcess::NotRunning) {
        Resume();
        m_proc->terminate();
        if (!m_proc->waitForFinished(10000)) {
            m_proc->kill();
            m_proc->waitForFinished(5000);
        }
    }
    return m_proc->state() == QProcess::NotRunning;
}

bool SimInstrument::IsRunning() const {
    return m_proc && m_proc->state() == QProcess::Running;
}

bool SimInstrument::Pause() {
    return IsRunning() && ::kill(static_cast<pid_t>(m_proc->processId()), SIGSTOP) == 0;
}
bool SimInstrument::Resume() {
    return IsRunning() && ::kill(static_cast<pid_t>(m_proc->processId()), SIGCONT) == 0;
}

bool SimInstrument::Control(const QString& line) {
    if (!IsRunning())
        return false;
    const QByteArray text = line.toLatin1() + '\n';
    return m_proc->write(text) == text.size() && m_proc->waitForBytesWritten(5000);
}

std::vector<SimLogLine> SimInstrument::Log() const {
    QFile f(LogPath());
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return ParseSimLog(f.readAll());
}

QString SimInstrument::Output() const {
    return m_proc ? QString::fromLocal8Bit(m_proc->readAll()) : QString();
}

bool WaitFor(const std::function<bool()>& cond, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (!cond()) {
        if (t.elapsed() > timeoutMs)
            return cond();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        PumpPostedMessages(20);
        QThread::msleep(5);
    }
    return true;
}

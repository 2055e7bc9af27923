#include "LinkTestSupport.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>

extern char** environ;

namespace {
// Before any test runs: loopback targets and the loopback-only guard.
[[maybe_unused]] const bool g_loopbackSet = [] {
    UseLoopback("127.0.0.2,127.0.0.3");
    return true;
}();
} // namespace

void QueueSink::Post(MxDelivery&& d) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_queue.push_back(std::move(d));
    ++posted;
    m_cv.notify_all();
}

bool QueueSink::RunOne(std::unique_lock<std::mutex>& lock) {
    if (m_queue.empty())
        return false;
    MxDelivery d = std::move(m_queue.front());
    m_queue.pop_front();
    lock.unlock();
    if (d.apply)
        d.apply();
    SeenMessage s;
    s.hwnd = d.hwnd;
    s.msg = d.msg;
    s.wParam = d.wParam;
    s.lParam = d.lParam;
    s.ref = d.ref;
    if (d.msg == WM_DEVICE_FOUND && d.lParam != 0)
        s.device = *reinterpret_cast<const DeviceInfoRecord*>(d.lParam);
    seen.push_back(s);
    if (d.release)
        d.release();
    lock.lock();
    return true;
}

bool QueueSink::PumpUntil(const std::function<bool()>& pred, int timeoutMs,
                          const std::function<void(const SeenMessage&)>& onEach) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        while (!m_queue.empty()) {
            const std::size_t before = seen.size();
            RunOne(lock);
            if (onEach && seen.size() > before) {
                lock.unlock();
                onEach(seen.back());
                lock.lock();
            }
        }
        lock.unlock();
        const bool done = pred();
        lock.lock();
        if (done)
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        m_cv.wait_until(lock,
                        std::min(deadline, std::chrono::steady_clock::now() + std::chrono::milliseconds(20)));
    }
}

void QueueSink::PumpFor(int ms) {
    PumpUntil([] { return false; }, ms);
}

std::size_t QueueSink::Count(UINT msg) const {
    std::size_t n = 0;
    for (const auto& s : seen)
        n += s.msg == msg;
    return n;
}

const SeenMessage* QueueSink::Last(UINT msg) const {
    for (auto it = seen.rbegin(); it != seen.rend(); ++it)
        if (it->msg == msg)
            return &*it;
    return nullptr;
}

namespace {
bool UdpPortFree(int port) {
    const int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (s < 0)
        return false;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_ANY);
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    const bool ok = ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(s);
    return ok;
}
} // namespace

std::uint16_t TestPort() {
    // Picked once: from a spot that depends on the process, past ports in use,
    // below the range the Qt tests pick from, so that another test process
    // (here or in the Qt tests) already on the same loopback address is missed.
    static const std::uint16_t port = [] {
        int p = 20000 + (::getpid() * 7) % 10000;
        for (int tries = 0; tries < 3000; ++tries, p = p >= 29990 ? 20000 : p + 3)
            if (UdpPortFree(p) && UdpPortFree(p + 1))
                break;
        return static_cast<std::uint16_t>(p);
    }();
    return port;
}

void UseLoopback(const std::string& targets) {
    ::setenv("MARLIX_PORT", std::to_string(TestPort()).c_str(), 1);
    ::setenv("MARLIX_LOOPBACK_ONLY", "1", 1);
    ::setenv("MARLIX_DISCOVERY_TARGETS", targets.c_str(), 1);
}

std::uint32_t Addr(const char* dotted) {
    in_addr a{};
    ::inet_pton(AF_INET, dotted, &a);
    return a.s_addr;
}

std::string SimBinary() {
    char buf[PATH_MAX] = {};
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    std::string self(buf, n > 0 ? static_cast<std::size_t>(n) : 0);
    return self.substr(0, self.find_last_of('/') + 1) + "marlix-sim";
}

SimProcess::SimProcess(std::string bind, std::vector<std::string> extraArgs)
    : m_bind(std::move(bind)), m_args(std::move(extraArgs)) {
    char tmpl[] = "/tmp/marlix-sim-test.XXXXXX";
    if (char* d = ::mkdtemp(tmpl))
        m_dir = d;
    m_log = m_dir + "/commands.log";
}

SimProcess::~SimProcess() {
    Stop();
    ::unlink(m_log.c_str());
    ::rmdir(m_dir.c_str());
}

bool SimProcess::Start() {
    if (m_pid > 0)
        return true;
    ::unlink(m_log.c_str());
    const std::string bin = SimBinary();
    const std::string port = std::to_string(TestPort());
    std::vector<std::string> args = {bin, "--bind", m_bind, "--port", port, "--log", m_log};
    args.insert(args.end(), m_args.begin(), m_args.end());
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid;
    if (::posix_spawn(&pid, bin.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
        return false;
    m_pid = pid;
    for (int i = 0; i < 500; ++i) { // up to 5 s
        struct stat st {};
        if (::stat(m_log.c_str(), &st) == 0)
            return true;
        int status;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

bool SimProcess::Signal(int sig) {
    return m_pid > 0 && ::kill(m_pid, sig) == 0;
}

bool SimProcess::Wait(int ms) {
    if (m_pid <= 0)
        return true;
    int status = 0;
    for (int i = 0; i < ms / 10 + 1; ++i) {
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

bool SimProcess::Stop() {
    if (m_pid <= 0)
        return false;
    ::kill(m_pid, SIGTERM);
    int status = 0;
    for (int i = 0; i < 500; ++i) {
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            return exitCode == 0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(m_pid, SIGKILL);
    ::waitpid(m_pid, &status, 0);
    m_pid = -1;
    exitCode = 137;
    return false;
}

std::vector<std::string> SimProcess::LogLines() const {
    std::vector<std::string> v;
    std::ifstream in(m_log);
    std::string line;
    while (std::getline(in, line))
        v.push_back(line);
    return v;
}

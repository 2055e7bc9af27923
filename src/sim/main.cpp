// marlix-sim: a simulated instrument of the Marlix family on one UDP address.
// See docs/link-protocol.md ("The simulated instrument") for options and hooks.
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "sim/MarlixSim.h"

namespace {
volatile sig_atomic_t g_stop = 0;
volatile sig_atomic_t g_toggleSilent = 0;
volatile sig_atomic_t g_burst = 0;

void OnSignal(int sig) {
    if (sig == SIGINT || sig == SIGTERM)
        g_stop = 1;
    else if (sig == SIGUSR1)
        g_toggleSilent = 1;
    else if (sig == SIGUSR2)
        g_burst = 1;
}

void Usage() {
    std::fprintf(
        stderr,
        "usage: marlix-sim [--bind ADDR] [--port N] [--name TEXT] [--serial TEXT] [--log FILE]\n"
        "                  [--status CODE] [--silent-after MS] [--malformed-on-connect]\n"
        "                  [--no-external] [--play-speed X] [--points N] [--measure-ms MS]\n"
        "                  [--copy-fail-after N] [--copy-ms MS] [--play-file-ms MS] [--rcvbuf BYTES]\n"
        "                  [--fail-delete] [--fail-rename] [--answer-internal-storage]\n"
        "                  [--control-stdin]\n"
        "signals: SIGUSR1 toggles silence, SIGUSR2 sends malformed and foreign datagrams,\n"
        "         SIGINT/SIGTERM stop. Control lines on stdin (with --control-stdin):\n"
        "         silent | resume | malformed | foreign | status CODE\n");
}
} // namespace

int main(int argc, char** argv) {
    SimOptions opt;
    if (const char* p = std::getenv("MARLIX_PORT")) {
        const long v = std::strtol(p, nullptr, 10);
        if (v > 0 && v < 65536)
            opt.port = static_cast<std::uint16_t>(v);
    }
    bool controlStdin = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "marlix-sim: %s needs a value\n", a.c_str());
                std::exit(2);
            }
            return argv[++i];
        };
        // A whole number from lo to hi, or the option is refused.
        auto number = [&](long lo, long hi) -> long {
            const long v = std::strtol(value(), nullptr, 10);
            if (v < lo || v > hi) {
                std::fprintf(stderr, "marlix-sim: bad %s\n", a.c_str());
                std::exit(2);
            }
            return v;
        };
        if (a == "--bind")
            opt.bind = value();
        else if (a == "--port")
            opt.port = static_cast<std::uint16_t>(number(1, 65535));
        else if (a == "--name")
            opt.name = value();
        else if (a == "--serial")
            opt.serial = value();
        else if (a == "--log")
            opt.logPath = value();
        else if (a == "--status")
            opt.statusCode = static_cast<std::int32_t>(std::strtol(value(), nullptr, 0));
        else if (a == "--silent-after")
            opt.silentAfterMs = static_cast<unsigned>(std::strtoul(value(), nullptr, 10));
        else if (a == "--malformed-on-connect")
            opt.malformedOnConnect = true;
        else if (a == "--no-external")
            opt.externalDrives = false;
        else if (a == "--play-speed")
            opt.playSpeed = std::strtod(value(), nullptr);
        else if (a == "--points")
            opt.spectrumPoints = static_cast<unsigned>(number(1, MX_MAX_POINTS));
        else if (a == "--measure-ms")
            opt.measureIntervalMs = static_cast<unsigned>(number(1, 60000));
        else if (a == "--copy-fail-after")
            opt.copyFailAfter = static_cast<int>(number(0, 1000000));
        else if (a == "--rcvbuf")
            opt.rcvBufBytes = static_cast<int>(number(4096, 64L << 20));
        else if (a == "--copy-ms")
            opt.copyStepMs = static_cast<unsigned>(number(1, 60000));
        else if (a == "--play-file-ms")
            opt.playFileMs = static_cast<unsigned>(number(1, 60000));
        else if (a == "--fail-delete")
            opt.failDelete = true;
        else if (a == "--fail-rename")
            opt.failRename = true;
        else if (a == "--answer-internal-storage")
            opt.answerInternalStorage = true;
        else if (a == "--control-stdin")
            controlStdin = true;
        else if (a == "--help" || a == "-h") {
            Usage();
            return 0;
        } else {
            std::fprintf(stderr, "marlix-sim: unknown option %s\n", a.c_str());
            Usage();
            return 2;
        }
    }
    if (!(opt.playSpeed > 0.0))
        opt.playSpeed = 1.0;

    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGUSR1, SIGUSR2})
        sigaction(sig, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);

    CMarlixSim sim(opt);
    if (!sim.Open())
        return 1;
    std::fprintf(stderr, "marlix-sim: %s on %s:%u\n", opt.name.c_str(), opt.bind.c_str(), opt.port);

    std::string pending;
    while (!g_stop) {
        sim.Poll(20);
        if (g_toggleSilent) {
            g_toggleSilent = 0;
            sim.ToggleSilent();
        }
        if (g_burst) {
            g_burst = 0;
            sim.SendMalformedBurst();
            sim.SendForeignBurst();
        }
        if (controlStdin) {
            pollfd p{0, POLLIN, 0};
            if (::poll(&p, 1, 0) > 0 && (p.revents & (POLLIN | POLLHUP))) {
                char buf[256];
                const ssize_t n = ::read(0, buf, sizeof buf);
                if (n <= 0) {
                    controlStdin = false; // end of input: no more control lines
                } else {
                    pending.append(buf, static_cast<std::size_t>(n));
                    std::size_t nl;
                    while ((nl = pending.find('\n')) != std::string::npos) {
                        sim.ControlLine(pending.substr(0, nl));
                        pending.erase(0, nl + 1);
                    }
                }
            }
        }
    }
    std::fprintf(stderr, "marlix-sim: %s stopped\n", opt.bind.c_str());
    return 0;
}

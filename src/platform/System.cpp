#include "System.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDesktopServices>
#include <QFileInfo>
#include <QNetworkInformation>
#include <QUrl>
#include <arpa/inet.h>
#include <chrono>
#include <mutex>
#include <set>
#include <sys/resource.h>
#include <thread>

#include "MsgTarget.h"

namespace {
std::function<bool(const QString&)> g_shellOpen;
bool g_screenSaverActive = true; // what GET reports: the saver runs unless we inhibit it
quint32 g_inhibitCookie = 0;
bool g_inhibited = false;
std::set<HWND> g_sessionWindows;
} // namespace

namespace {
// Where a session has no bus, asking for one makes libdbus try to start one
// (through the X display), and that attempt leaks; so ask only where a bus can
// be: an address in the environment, or the session's socket.
bool SessionBusMayExist() {
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"));
}
} // namespace

bool ShellOpen(const QString& url) {
    if (g_shellOpen)
        return g_shellOpen(url);
    return QDesktopServices::openUrl(QUrl(url));
}

void SetShellOpenHandler(std::function<bool(const QString&)> handler) {
    g_shellOpen = std::move(handler);
}

BOOL SystemParametersInfo(UINT uiAction, UINT uiParam, void* pvParam, UINT) {
    if (uiAction == SPI_GETSCREENSAVEACTIVE) {
        if (!pvParam)
            return FALSE;
        *static_cast<BOOL*>(pvParam) = g_screenSaverActive ? TRUE : FALSE;
        return TRUE;
    }
    if (uiAction != SPI_SETSCREENSAVEACTIVE)
        return FALSE;
    const bool wantActive = uiParam != 0;
    g_screenSaverActive = wantActive;
    if (!SessionBusMayExist())
        return TRUE; // no desktop session: nothing to inhibit
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return TRUE; // no desktop session: nothing to inhibit
    QDBusInterface saver(QStringLiteral("org.freedesktop.ScreenSaver"),
                         QStringLiteral("/org/freedesktop/ScreenSaver"),
                         QStringLiteral("org.freedesktop.ScreenSaver"), bus);
    if (!saver.isValid())
        return TRUE;
    if (!wantActive && !g_inhibited) {
        QDBusReply<quint32> r = saver.call(QStringLiteral("Inhibit"), QStringLiteral("zephyra"),
                                           QStringLiteral("Instrument control running"));
        if (r.isValid()) {
            g_inhibitCookie = r.value();
            g_inhibited = true;
        }
    } else if (wantActive && g_inhibited) {
        saver.call(QStringLiteral("UnInhibit"), g_inhibitCookie);
        g_inhibited = false;
    }
    return TRUE;
}

BOOL SetPriorityClass(DWORD priorityClass) {
    const int nice = priorityClass == HIGH_PRIORITY_CLASS ? -5 : 0;
    return setpriority(PRIO_PROCESS, 0, nice) == 0 ? TRUE : FALSE;
}

BOOL WTSRegisterSessionNotification(HWND hWnd, DWORD) {
    if (!hWnd)
        return FALSE;
    g_sessionWindows.insert(hWnd);
    return TRUE;
}

BOOL WTSUnRegisterSessionNotification(HWND hWnd) {
    return g_sessionWindows.erase(hWnd) ? TRUE : FALSE;
}

void PostSessionChange(WPARAM code) {
    for (HWND h : g_sessionWindows)
        ::PostMessage(h, WM_WTSSESSION_CHANGE, code, 0);
}

DWORD GetTickCount() {
    using namespace std::chrono;
    return static_cast<DWORD>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void Sleep(DWORD ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

namespace win {

unsigned long inet_addr(const char* text) {
    if (!text)
        return INADDR_NONE_;
    in_addr a{};
    // Only the plain dotted-quad form; inet_pton refuses octal, hex and short forms.
    if (::inet_pton(AF_INET, text, &a) != 1)
        return INADDR_NONE_;
    return a.s_addr;
}

QString inet_ntoa(unsigned long addrNetworkOrder) {
    in_addr a{};
    a.s_addr = static_cast<in_addr_t>(addrNetworkOrder);
    char buf[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &a, buf, sizeof buf);
    return QString::fromLatin1(buf);
}

} // namespace win

BOOL InternetCheckConnection(const QString&) {
    // The OS's own view of reachability: asks nobody on the network.
    static const bool loaded = QNetworkInformation::loadDefaultBackend();
    if (!loaded || !QNetworkInformation::instance())
        return FALSE;
    return QNetworkInformation::instance()->reachability() == QNetworkInformation::Reachability::Online
               ? TRUE
               : FALSE;
}

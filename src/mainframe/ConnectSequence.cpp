#include "mainframe/ConnectSequence.h"

#include "mainframe/ConnectLogic.h"

CConnectSequence::CConnectSequence() {
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(kPauseMs);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { PauseElapsed(); });
}

bool CConnectSequence::Start(const QString& address) {
    std::uint32_t ip = 0;
    if (!ConnectLogic::ParseDeviceAddress(address, &ip))
        return false;
    Cancel();
    // The disconnect goes out while the old address is still the current one.
    m_bStarting = true;
    if (m_hooks.disconnect)
        m_hooks.disconnect();
    m_bStarting = false;
    if (m_hooks.storeAddress)
        m_hooks.storeAddress(ip);
    ++m_nSerial;
    m_bPausing = true;
    m_timer.start();
    return true;
}

void CConnectSequence::PauseElapsed() {
    if (!m_bPausing)
        return;
    m_timer.stop();
    m_bPausing = false;
    if (m_hooks.beginLink)
        m_hooks.beginLink();
    if (m_hooks.queueConnect)
        m_hooks.queueConnect();
}

void CConnectSequence::Cancel() {
    // The disconnect inside Start must not outdate the start that called it.
    if (m_bStarting)
        return;
    m_timer.stop();
    m_bPausing = false;
    ++m_nSerial;
}

#include "MsgTarget.h"

#include <QAbstractButton>
#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <mutex>
#include <set>
#include <unordered_map>

namespace {

const char* const kHandleProperty = kHwndWidgetProperty;

// Handles are numbers that are never reused, so a stale handle can only miss.
struct HandleTable {
    std::mutex mutex;
    std::unordered_map<std::uintptr_t, CMsgTarget*> targets; // touched on the GUI thread only
    std::uintptr_t next = 0x1000;
};
HandleTable& Table() {
    static HandleTable t;
    return t;
}

const QEvent::Type kPostedEventType = static_cast<QEvent::Type>(QEvent::registerEventType());

class PostedMessageEvent : public QEvent {
public:
    explicit PostedMessageEvent(MxDelivery&& d) : QEvent(kPostedEventType), delivery(std::move(d)) {}
    ~PostedMessageEvent() override {
        // Dropped undelivered (queue torn down): still free what lParam owns.
        if (delivery.release)
            delivery.release();
    }
    MxDelivery delivery;
};

std::atomic<int> g_pendingPosts{0};
std::uint32_t g_currentReplyRef = 0; // GUI thread only

// The reply identity a handler sees, restored afterwards (handlers may pump
// messages inside, e.g. a modal box).
class ReplyRefScope {
public:
    explicit ReplyRefScope(std::uint32_t ref) : m_saved(g_currentReplyRef) { g_currentReplyRef = ref; }
    ~ReplyRefScope() { g_currentReplyRef = m_saved; }
    ReplyRefScope(const ReplyRefScope&) = delete;
    ReplyRefScope& operator=(const ReplyRefScope&) = delete;

private:
    std::uint32_t m_saved;
};

class Dispatcher : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() != kPostedEventType)
            return QObject::event(e);
        auto* pe = static_cast<PostedMessageEvent*>(e);
        MxDelivery d = std::move(pe->delivery);
        pe->delivery = MxDelivery{};
        --g_pendingPosts;
        if (d.apply)
            d.apply();
        if (CMsgTarget* t = TargetFromHandle(d.hwnd)) {
            ReplyRefScope scope(d.ref);
            t->WindowProc(d.msg, d.wParam, d.lParam);
            ScheduleCommandUIUpdate();
        }
        if (d.release)
            d.release();
        return true;
    }
};

Dispatcher* TheDispatcher() {
    static Dispatcher* d = [] {
        auto* disp = new Dispatcher;
        if (auto* app = QCoreApplication::instance())
            disp->moveToThread(app->thread());
        return disp;
    }();
    return d;
}

class PlatformSink : public IMessagePostSink {
public:
    void Post(MxDelivery&& d) override { PostDelivery(std::move(d)); }
};

bool g_updateScheduled = false;

} // namespace

const MsgMapEntry* MessageMap::Find(MsgMapEntry::Kind kind, UINT id) const {
    for (const MessageMap* m = this; m; m = m->m_pBase) {
        for (const auto& e : m->m_entries) {
            if (kind == MsgMapEntry::Command) {
                if ((e.kind == MsgMapEntry::Command && e.first == id) ||
                    (e.kind == MsgMapEntry::CommandRange && id >= e.first && id <= e.last))
                    return &e;
            } else if (e.kind == kind && id >= e.first && id <= e.last) {
                return &e;
            }
        }
    }
    return nullptr;
}

CMsgTarget::CMsgTarget(QWidget* widget) : m_pWidget(widget), m_pTimerOwner(std::make_unique<QObject>()) {
    auto& t = Table();
    std::lock_guard lock(t.mutex);
    m_hWnd = reinterpret_cast<HWND>(t.next++);
    t.targets[reinterpret_cast<std::uintptr_t>(m_hWnd)] = this;
    if (widget)
        widget->setProperty(kHandleProperty,
                            QVariant::fromValue<qulonglong>(reinterpret_cast<std::uintptr_t>(m_hWnd)));
}

CMsgTarget::~CMsgTarget() {
    {
        auto& t = Table();
        std::lock_guard lock(t.mutex);
        t.targets.erase(reinterpret_cast<std::uintptr_t>(m_hWnd));
    }
    m_timers.clear();
    m_pTimerOwner.reset(); // deletes the timers
}

const MessageMap& CMsgTarget::GetMessageMap() const {
    static const MessageMap s_map(nullptr, {});
    return s_map;
}

HWND CMsgTarget::GetParentHwnd() const {
    if (!m_pWidget)
        return nullptr;
    for (QWidget* w = m_pWidget->parentWidget(); w; w = w->parentWidget())
        if (HWND h = HandleFromWidget(w))
            return h;
    return nullptr;
}

LRESULT CMsgTarget::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    const MessageMap& map = GetMessageMap();
    if (msg == WM_COMMAND) {
        const UINT id = LOWORD(wParam);
        if (const MsgMapEntry* e = map.Find(MsgMapEntry::Command, id)) {
            // A command whose update rule disables it is not carried out, however it arrives.
            if (map.Find(MsgMapEntry::UpdateUI, id) && !IsCommandEnabled(id))
                return 0;
            LRESULT r = e->onMessage(this, wParam, lParam);
            ScheduleCommandUIUpdate();
            return r;
        }
        return DefWindowProc(msg, wParam, lParam);
    }
    if (const MsgMapEntry* e = map.Find(MsgMapEntry::Message, msg))
        return e->onMessage(this, wParam, lParam);
    if (msg == WM_TIMER) {
        OnTimer(static_cast<UINT_PTR>(wParam));
        return 0;
    }
    return DefWindowProc(msg, wParam, lParam);
}

LRESULT CMsgTarget::DefWindowProc(UINT msg, WPARAM, LPARAM) {
    if (msg == WM_CLOSE && m_pWidget)
        m_pWidget->close();
    return 0;
}

BOOL CMsgTarget::PostMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    return ::PostMessage(m_hWnd, msg, wParam, lParam);
}

LRESULT CMsgTarget::SendMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    ReplyRefScope scope(0); // a sent message answers no command
    return WindowProc(msg, wParam, lParam);
}

UINT_PTR CMsgTarget::SetTimer(UINT_PTR nIDEvent, UINT nElapse) {
    if (!m_pTimerOwner)
        return 0;
    QTimer*& timer = m_timers[nIDEvent];
    if (!timer) {
        timer = new QTimer(m_pTimerOwner.get());
        timer->setTimerType(Qt::PreciseTimer);
        HWND h = m_hWnd;
        QObject::connect(timer, &QTimer::timeout, [h, nIDEvent] {
            if (CMsgTarget* t = TargetFromHandle(h)) {
                t->WindowProc(WM_TIMER, nIDEvent, 0);
                ScheduleCommandUIUpdate();
            }
        });
    }
    timer->start(static_cast<int>(nElapse == 0 ? 1 : nElapse)); // restarting re-arms
    return nIDEvent == 0 ? 1 : nIDEvent;                        // id 0 is a valid timer too
}

BOOL CMsgTarget::KillTimer(UINT_PTR nIDEvent) {
    auto it = m_timers.find(nIDEvent);
    if (it == m_timers.end() || !it->second->isActive())
        return FALSE;
    it->second->stop();
    return TRUE;
}

bool CMsgTarget::IsTimerRunning(UINT_PTR nIDEvent) const {
    auto it = m_timers.find(nIDEvent);
    return it != m_timers.end() && it->second->isActive();
}

UINT CMsgTarget::TimerElapse(UINT_PTR nIDEvent) const {
    return IsTimerRunning(nIDEvent) ? static_cast<UINT>(m_timers.at(nIDEvent)->interval()) : 0u;
}

void CMsgTarget::BindCommand(QAction* action, UINT nID) {
    if (!action)
        return;
    HWND h = m_hWnd;
    QObject::connect(action, &QAction::triggered, [h, nID] { ::SendMessage(h, WM_COMMAND, nID, 0); });
    TrackBoundUi(action, nID);
}

void CMsgTarget::BindCommand(QAbstractButton* button, UINT nID) {
    if (!button)
        return;
    HWND h = m_hWnd;
    QObject::connect(button, &QAbstractButton::clicked, [h, nID] { ::SendMessage(h, WM_COMMAND, nID, 0); });
    TrackBoundUi(button, nID);
}

void CMsgTarget::TrackBoundUi(QObject* ui, UINT nID) {
    m_boundUi.emplace(nID, ui);
    QObject::connect(ui, &QObject::destroyed, m_pTimerOwner.get(), [this, ui] {
        for (auto it = m_boundUi.begin(); it != m_boundUi.end();)
            it = (it->second == ui) ? m_boundUi.erase(it) : std::next(it);
    });
    ScheduleCommandUIUpdate();
}

bool CMsgTarget::IsCommandEnabled(UINT nID) {
    const MsgMapEntry* upd = GetMessageMap().Find(MsgMapEntry::UpdateUI, nID);
    if (!upd)
        return GetMessageMap().Find(MsgMapEntry::Command, nID) != nullptr;
    CCmdUI ui;
    ui.m_nID = nID;
    upd->onUpdate(this, &ui);
    return ui.m_bEnabled;
}

bool CMsgTarget::RunUpdateHandler(CCmdUI* pCmdUI) {
    const MsgMapEntry* upd = GetMessageMap().Find(MsgMapEntry::UpdateUI, pCmdUI->m_nID);
    if (!upd)
        return false;
    upd->onUpdate(this, pCmdUI);
    return true;
}

void CMsgTarget::UpdateCommandUI() {
    const MessageMap& map = GetMessageMap();
    std::set<UINT> ids;
    for (const auto& [id, obj] : m_boundUi)
        ids.insert(id);
    for (UINT id : ids) {
        CCmdUI ui;
        ui.m_nID = id;
        if (const MsgMapEntry* upd = map.Find(MsgMapEntry::UpdateUI, id)) {
            upd->onUpdate(this, &ui);
        } else {
            ui.Enable(map.Find(MsgMapEntry::Command, id) !=
                      nullptr); // no handler: disabled, as the framework does
        }
        auto range = m_boundUi.equal_range(id);
        for (auto it = range.first; it != range.second; ++it) {
            if (auto* a = qobject_cast<QAction*>(it->second)) {
                a->setEnabled(ui.m_bEnabled);
                if (ui.m_nCheck >= 0) {
                    a->setCheckable(true);
                    a->setChecked(ui.m_nCheck != 0);
                }
                if (ui.m_bTextSet)
                    a->setText(ui.m_strText);
            } else if (auto* b = qobject_cast<QAbstractButton*>(it->second)) {
                b->setEnabled(ui.m_bEnabled);
                if (ui.m_nCheck >= 0 && b->isCheckable())
                    b->setChecked(ui.m_nCheck != 0);
                if (ui.m_bTextSet)
                    b->setText(ui.m_strText);
            }
        }
    }
}

BOOL PostMessage(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    MxDelivery d;
    d.hwnd = hWnd;
    d.msg = msg;
    d.wParam = wParam;
    d.lParam = lParam;
    PostDelivery(std::move(d));
    return hWnd != nullptr;
}

void PostDelivery(MxDelivery&& d) {
    if (!QCoreApplication::instance()) {
        if (d.release)
            d.release();
        return;
    }
    ++g_pendingPosts;
    QCoreApplication::postEvent(TheDispatcher(), new PostedMessageEvent(std::move(d)));
}

std::uint32_t CurrentReplyRef() {
    return g_currentReplyRef;
}

IMessagePostSink& PlatformPostSink() {
    static PlatformSink sink;
    return sink;
}

LRESULT SendMessage(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (CMsgTarget* t = TargetFromHandle(hWnd))
        return t->SendMessage(msg, wParam, lParam);
    return 0;
}

CMsgTarget* TargetFromHandle(HWND hWnd) {
    if (!hWnd)
        return nullptr;
    auto& t = Table();
    std::lock_guard lock(t.mutex);
    auto it = t.targets.find(reinterpret_cast<std::uintptr_t>(hWnd));
    return it == t.targets.end() ? nullptr : it->second;
}

bool IsWindow(HWND hWnd) {
    return TargetFromHandle(hWnd) != nullptr;
}

QWidget* WidgetFromHandle(HWND hWnd) {
    CMsgTarget* t = TargetFromHandle(hWnd);
    return t ? t->GetWidget() : nullptr;
}

HWND HandleFromWidget(const QWidget* w) {
    if (!w)
        return nullptr;
    QVariant v = w->property(kHandleProperty);
    if (!v.isValid())
        return nullptr;
    HWND h = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(v.toULongLong()));
    return IsWindow(h) ? h : nullptr;
}

void ScheduleCommandUIUpdate() {
    if (g_updateScheduled || !QCoreApplication::instance())
        return;
    if (QThread::currentThread() != QCoreApplication::instance()->thread())
        return;
    g_updateScheduled = true;
    QTimer::singleShot(0, TheDispatcher(), [] {
        g_updateScheduled = false;
        std::vector<HWND> handles;
        {
            auto& t = Table();
            std::lock_guard lock(t.mutex);
            for (auto& [h, target] : t.targets)
                handles.push_back(reinterpret_cast<HWND>(h));
        }
        for (HWND h : handles)
            if (CMsgTarget* target = TargetFromHandle(h))
                target->UpdateCommandUI();
    });
}

void PumpPostedMessages(int maxMs) {
    QElapsedTimer clock;
    clock.start();
    do {
        QCoreApplication::sendPostedEvents(TheDispatcher(), kPostedEventType);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    } while ((g_pendingPosts.load() > 0 && clock.elapsed() < std::max(maxMs, 1000)) ||
             clock.elapsed() < maxMs);
}

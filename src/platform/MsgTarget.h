// Window handles, message maps, posted and sent messages, command ids with their
// update rules, and per-window timers: what the program's windows expect of the
// framework underneath them.
#pragma once
#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "winbase/MessagePost.h"
#include "winbase/WinTypes.h"

class QWidget;
class QAction;
class QAbstractButton;
class QObject;
class QTimer;
class CMsgTarget;

// State of one command's user-interface elements, filled by an update handler.
class CCmdUI {
public:
    UINT m_nID = 0;
    void Enable(BOOL bOn = TRUE) {
        m_bEnabled = bOn != FALSE;
        m_bEnableSet = true;
    }
    void SetCheck(int nCheck = 1) { m_nCheck = nCheck; }
    void SetText(const QString& text) {
        m_strText = text;
        m_bTextSet = true;
    }

    bool m_bEnabled = true;
    bool m_bEnableSet = false;
    int m_nCheck = -1; // -1: left alone
    QString m_strText;
    bool m_bTextSet = false;
};

struct MsgMapEntry {
    enum Kind { Message, Command, CommandRange, UpdateUI };
    Kind kind;
    UINT first;
    UINT last;
    std::function<LRESULT(CMsgTarget*, WPARAM, LPARAM)> onMessage; // Message, Command, CommandRange
    std::function<void(CMsgTarget*, CCmdUI*)> onUpdate;            // UpdateUI
};

class MessageMap {
public:
    MessageMap(const MessageMap* base, std::vector<MsgMapEntry> entries)
        : m_pBase(base), m_entries(std::move(entries)) {}
    const MsgMapEntry* Find(MsgMapEntry::Kind kind, UINT id) const;

private:
    const MessageMap* m_pBase;
    std::vector<MsgMapEntry> m_entries;
};

// Mixin for every window that takes program messages. Construct it with the
// widget it stands for (may be null for a window-less target, e.g. in tests).
class CMsgTarget {
public:
    explicit CMsgTarget(QWidget* widget = nullptr);
    virtual ~CMsgTarget();
    CMsgTarget(const CMsgTarget&) = delete;
    CMsgTarget& operator=(const CMsgTarget&) = delete;

    HWND GetSafeHwnd() const { return m_hWnd; }
    QWidget* GetWidget() const { return m_pWidget; }
    // Handle of the nearest ancestor widget that is a message target (the parent
    // window that control notifications go to), or null.
    HWND GetParentHwnd() const;

    // Dispatches through the message map; WM_COMMAND goes to ON_COMMAND entries
    // (wParam's low word is the id), WM_TIMER to OnTimer. Unknown ids: DefWindowProc.
    virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    virtual LRESULT DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    virtual void OnTimer(UINT_PTR nIDEvent) {}

    BOOL PostMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
    LRESULT SendMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);

    // Setting a running id re-arms it; killing stops it. Any id, 0 included; returns
    // nonzero on success.
    UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse);
    BOOL KillTimer(UINT_PTR nIDEvent);
    bool IsTimerRunning(UINT_PTR nIDEvent) const;
    // The period a running timer was armed with, in ms; 0 when it is not running.
    UINT TimerElapse(UINT_PTR nIDEvent) const;

    // Ties a menu action or a button to a command id: choosing it sends WM_COMMAND,
    // and its enabled/checked state follows the ON_UPDATE_COMMAND_UI handler.
    void BindCommand(QAction* action, UINT nID);
    void BindCommand(QAbstractButton* button, UINT nID);
    // Runs every update handler for the bound ids now. The layer also does this,
    // coalesced, after each delivered message and command.
    void UpdateCommandUI();
    // Runs the update handler of one id and returns its verdict (for tests and for
    // code that must not act on a disabled command).
    bool IsCommandEnabled(UINT nID);
    // Runs the update handler of pCmdUI->m_nID into it (a frame asking its active
    // child); false when this target has none for the id.
    bool RunUpdateHandler(CCmdUI* pCmdUI);

protected:
    virtual const MessageMap& GetMessageMap() const;

private:
    void TrackBoundUi(QObject* ui, UINT nID);

    HWND m_hWnd = nullptr;
    QWidget* m_pWidget = nullptr;
    std::unique_ptr<QObject> m_pTimerOwner;
    std::map<UINT_PTR, QTimer*> m_timers;
    std::multimap<UINT, QObject*> m_boundUi;
};

// Thread-safe; delivered on the GUI thread in posting order (per posting thread),
// also inside modal loops. A post to a handle whose window is gone is dropped.
BOOL PostMessage(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
// GUI thread only: handled at once, returns the handler's result (0 for a dead handle).
LRESULT SendMessage(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
// A posted message with work done before it (field writes) and after it (freeing lParam).
void PostDelivery(MxDelivery&& d);
// While a posted message is handled: the identity of the command it answers
// (MxDelivery::ref); 0 for none, outside such a handler and in a message sent
// from it.
std::uint32_t CurrentReplyRef();
// The sink the device library posts through.
IMessagePostSink& PlatformPostSink();

bool IsWindow(HWND hWnd);
CMsgTarget* TargetFromHandle(HWND hWnd);
QWidget* WidgetFromHandle(HWND hWnd);
HWND HandleFromWidget(const QWidget* w);
// Re-evaluates every window's update handlers (coalesced to the next event loop turn).
void ScheduleCommandUIUpdate();
// Runs posted messages now until none is queued (tests, and waits that must keep the stream going).
void PumpPostedMessages(int maxMs = 0);

// Message map declaration, in the framework's style:
//   class CFoo : public QWidget, public CMsgTarget { DECLARE_MESSAGE_MAP() ... };
//   BEGIN_MESSAGE_MAP(CFoo, CMsgTarget)
//       ON_MESSAGE(WM_CONNECT_STATE, &CFoo::OnConnectState)   // LRESULT f(WPARAM, LPARAM)
//       ON_COMMAND(ID_APP_ABOUT, &CFoo::OnAppAbout)          // void f()
//       ON_COMMAND_RANGE(100, 110, &CFoo::OnRange)            // void f(UINT)
//       ON_UPDATE_COMMAND_UI(ID_X, &CFoo::OnUpdateX)          // void f(CCmdUI*)
//   END_MESSAGE_MAP()
#define DECLARE_MESSAGE_MAP()                                                                                \
protected:                                                                                                   \
    const ::MessageMap& GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                                               \
    const ::MessageMap& theClass::GetMessageMap() const {                                                    \
        using ThisClass = theClass;                                                                          \
        static const ::MessageMap s_map(&this->baseClass::GetMessageMap(), {
#define END_MESSAGE_MAP()                                                                                    \
    });                                                                                                      \
    return s_map;                                                                                            \
    }

#define ON_MESSAGE(msgId, memberFn)                                                                          \
    ::MsgMapEntry{::MsgMapEntry::Message, (UINT)(msgId), (UINT)(msgId),                                      \
                  [](::CMsgTarget* t, WPARAM w, LPARAM l) -> LRESULT {                                       \
                      return (static_cast<ThisClass*>(t)->*(memberFn))(w, l);                                \
                  },                                                                                         \
                  nullptr},
#define ON_COMMAND(cmdId, memberFn)                                                                          \
    ::MsgMapEntry{::MsgMapEntry::Command, (UINT)(cmdId), (UINT)(cmdId),                                      \
                  [](::CMsgTarget* t, WPARAM, LPARAM) -> LRESULT {                                           \
                      (static_cast<ThisClass*>(t)->*(memberFn))();                                           \
                      return 0;                                                                              \
                  },                                                                                         \
                  nullptr},
#define ON_COMMAND_RANGE(firstId, lastId, memberFn)                                                          \
    ::MsgMapEntry{::MsgMapEntry::CommandRange, (UINT)(firstId), (UINT)(lastId),                              \
                  [](::CMsgTarget* t, WPARAM w, LPARAM) -> LRESULT {                                         \
                      (static_cast<ThisClass*>(t)->*(memberFn))((UINT)LOWORD(w));                            \
                      return 0;                                                                              \
                  },                                                                                         \
                  nullptr},
#define ON_UPDATE_COMMAND_UI(cmdId, memberFn)                                                                \
    ::MsgMapEntry{::MsgMapEntry::UpdateUI, (UINT)(cmdId), (UINT)(cmdId), nullptr,                            \
                  [](::CMsgTarget* t, ::CCmdUI* ui) { (static_cast<ThisClass*>(t)->*(memberFn))(ui); }},

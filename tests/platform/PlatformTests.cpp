#include <QAction>
#include <QCoreApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

#include "platform/MsgBox.h"
#include "platform/MsgTarget.h"
#include "platform/Profile.h"
#include "platform/System.h"

namespace {

constexpr UINT WM_TEST = WM_USER + 1;
constexpr UINT WM_TEST_SUM = WM_USER + 2;
constexpr UINT ID_TEST_CMD = 40001;
constexpr UINT ID_TEST_RANGE_FIRST = 40010;

class CTestWnd : public QWidget, public CMsgTarget {
public:
    CTestWnd() : CMsgTarget(this) {}
    struct Got {
        WPARAM w;
        LPARAM l;
    };
    std::vector<Got> got;
    std::vector<UINT_PTR> timers;
    int commands = 0;
    UINT lastRange = 0;
    bool enabled = true;

    LRESULT OnTest(WPARAM w, LPARAM l) {
        got.push_back({w, l});
        refs.push_back(CurrentReplyRef());
        if (w == 99)
            SendMessage(WM_TEST, 0, 0); // a sent message answers nothing
        return 0;
    }
    std::vector<std::uint32_t> refs;
    LRESULT OnSum(WPARAM w, LPARAM l) { return static_cast<LRESULT>(w) + l; }
    void OnCmd() { ++commands; }
    void OnRange(UINT id) { lastRange = id; }
    void OnUpdateCmd(CCmdUI* ui) { ui->Enable(enabled); }
    void OnTimer(UINT_PTR id) override { timers.push_back(id); }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CTestWnd, CMsgTarget)
ON_MESSAGE(WM_TEST, &CTestWnd::OnTest)
ON_MESSAGE(WM_TEST_SUM, &CTestWnd::OnSum)
ON_COMMAND(ID_TEST_CMD, &CTestWnd::OnCmd)
ON_COMMAND_RANGE(ID_TEST_RANGE_FIRST, ID_TEST_RANGE_FIRST + 3, &CTestWnd::OnRange)
ON_UPDATE_COMMAND_UI(ID_TEST_CMD, &CTestWnd::OnUpdateCmd)
END_MESSAGE_MAP()

template <class Pred> bool WaitFor(Pred pred, int ms = 5000) {
    QElapsedTimer t;
    t.start();
    while (!pred() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return pred();
}

TEST(Messages, PostsFromManyThreadsArriveOnGuiThreadInOrderPerSender) {
    CTestWnd wnd;
    HWND h = wnd.GetSafeHwnd();
    constexpr int kThreads = 6, kEach = 500;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([h, t] {
            for (int i = 0; i < kEach; ++i)
                ::PostMessage(h, WM_TEST, t, i);
        });
    for (auto& th : threads)
        th.join();
    ASSERT_TRUE(WaitFor([&] { return wnd.got.size() == kThreads * kEach; }));
    std::vector<LPARAM> next(kThreads, 0);
    for (const auto& g : wnd.got) {
        ASSERT_LT(g.w, static_cast<WPARAM>(kThreads));
        EXPECT_EQ(g.l, next[g.w]) << "sender " << g.w << " out of order";
        next[g.w] = g.l + 1;
    }
}

TEST(Messages, PostToDestroyedWindowIsDroppedAndReleaseStillRuns) {
    auto* wnd = new CTestWnd;
    HWND h = wnd->GetSafeHwnd();
    int applied = 0, released = 0;
    MxDelivery d;
    d.hwnd = h;
    d.msg = WM_TEST;
    d.apply = [&] { ++applied; };
    d.release = [&] { ++released; };
    PostDelivery(std::move(d));
    ::PostMessage(h, WM_TEST, 1, 2);
    delete wnd;
    EXPECT_FALSE(IsWindow(h));
    PumpPostedMessages(50);
    EXPECT_EQ(applied, 1);
    EXPECT_EQ(released, 1);
    EXPECT_EQ(::SendMessage(h, WM_TEST_SUM, 1, 2), 0);
    // A new window never gets the old handle.
    CTestWnd other;
    EXPECT_NE(other.GetSafeHwnd(), h);
}

TEST(Messages, ApplyRunsBeforeHandlerAndReleaseAfter) {
    CTestWnd wnd;
    std::vector<std::string> order;
    MxDelivery d;
    d.hwnd = wnd.GetSafeHwnd();
    d.msg = WM_TEST;
    d.apply = [&] { order.push_back("apply:" + std::to_string(wnd.got.size())); };
    d.release = [&] { order.push_back("release:" + std::to_string(wnd.got.size())); };
    PlatformPostSink().Post(std::move(d));
    ASSERT_TRUE(WaitFor([&] { return order.size() == 2; }));
    EXPECT_EQ(order[0], "apply:0");
    EXPECT_EQ(order[1], "release:1");
}

TEST(Messages, AHandlerReadsTheIdentityOfTheCommandItsMessageAnswers) {
    CTestWnd wnd;
    for (std::uint32_t ref : {7u, 0u, 123456u}) {
        MxDelivery d;
        d.hwnd = wnd.GetSafeHwnd();
        d.msg = WM_TEST;
        d.wParam = ref == 7 ? 99 : 1;
        d.ref = ref;
        PlatformPostSink().Post(std::move(d));
    }
    wnd.PostMessage(WM_TEST, 2, 0);
    ASSERT_TRUE(WaitFor([&] { return wnd.refs.size() == 5; }));
    EXPECT_EQ(wnd.refs, (std::vector<std::uint32_t>{7, 0, 0, 123456, 0}));
    EXPECT_EQ(CurrentReplyRef(), 0u); // outside a handler
}

TEST(Messages, SendReturnsHandlerResultAndUnknownIdReturnsZero) {
    CTestWnd wnd;
    EXPECT_EQ(::SendMessage(wnd.GetSafeHwnd(), WM_TEST_SUM, 40, 2), 42);
    EXPECT_EQ(::SendMessage(wnd.GetSafeHwnd(), WM_USER + 999, 1, 1), 0);
    EXPECT_EQ(::SendMessage(nullptr, WM_TEST_SUM, 1, 1), 0);
}

TEST(Commands, ReachHandlerByActionPostOrSendAndHonourUpdateRule) {
    CTestWnd wnd;
    QAction action;
    wnd.BindCommand(&action, ID_TEST_CMD);
    action.trigger();
    ::SendMessage(wnd.GetSafeHwnd(), WM_COMMAND, ID_TEST_CMD, 0);
    ::PostMessage(wnd.GetSafeHwnd(), WM_COMMAND, ID_TEST_CMD, 0);
    ASSERT_TRUE(WaitFor([&] { return wnd.commands == 3; }));
    ::SendMessage(wnd.GetSafeHwnd(), WM_COMMAND, ID_TEST_RANGE_FIRST + 2, 0);
    EXPECT_EQ(wnd.lastRange, ID_TEST_RANGE_FIRST + 2);

    wnd.enabled = false;
    ScheduleCommandUIUpdate();
    ASSERT_TRUE(WaitFor([&] { return !action.isEnabled(); }));
    ::SendMessage(wnd.GetSafeHwnd(), WM_COMMAND, ID_TEST_CMD, 0);
    EXPECT_EQ(wnd.commands, 3) << "a disabled command must not run";
    wnd.enabled = true;
    ::PostMessage(wnd.GetSafeHwnd(), WM_TEST, 0, 0); // any delivered message re-evaluates the rules
    EXPECT_TRUE(WaitFor([&] { return action.isEnabled(); }));
}

TEST(Timers, SetRearmsKillStopsOneShotKillsItself) {
    CTestWnd wnd;
    wnd.SetTimer(7, 30);
    EXPECT_TRUE(wnd.IsTimerRunning(7));
    EXPECT_EQ(wnd.TimerElapse(7), 30u);
    EXPECT_EQ(wnd.TimerElapse(8), 0u);
    ASSERT_TRUE(WaitFor([&] { return wnd.timers.size() >= 2; }));
    EXPECT_TRUE(wnd.KillTimer(7));
    EXPECT_FALSE(wnd.IsTimerRunning(7));
    EXPECT_EQ(wnd.TimerElapse(7), 0u);
    EXPECT_FALSE(wnd.KillTimer(7));
    const size_t n = wnd.timers.size();
    PumpPostedMessages(100);
    EXPECT_EQ(wnd.timers.size(), n);

    // Re-arming: a 150 ms timer set again every 50 ms never fires.
    wnd.timers.clear();
    wnd.SetTimer(9, 150);
    for (int i = 0; i < 6; ++i) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 50)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        wnd.SetTimer(9, 150);
    }
    EXPECT_TRUE(wnd.timers.empty());
    EXPECT_TRUE(WaitFor([&] { return wnd.timers.size() == 1; }));
    wnd.KillTimer(9);
}

class ProfileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        Profile::SetStorageFolder(dir.path());
    }
    void TearDown() override { Profile::SetStorageFolder(QString()); }
    QTemporaryDir dir;
};

TEST_F(ProfileTest, DefaultsRoundTripAndRedirect) {
    EXPECT_EQ(Profile::GetProfileInt("MxGraphColor", "BG", 123), 123);
    EXPECT_FALSE(Profile::HasProfileValue("MxGraphColor", "BG"));
    for (std::uint32_t v : {0u, 1u, 0x7FFFFFFFu, 0x80000000u, 0xFF000000u, 0xFFFFFFFFu}) {
        ASSERT_TRUE(Profile::WriteProfileInt("MxGraphColor", "BG", static_cast<int>(v)));
        EXPECT_EQ(static_cast<std::uint32_t>(Profile::GetProfileInt("MxGraphColor", "BG", 0)), v);
    }
    Profile::WriteProfileInt("Workspace", "ApplicationLook", 218);
    Profile::DeleteSection("Workspace");
    EXPECT_EQ(Profile::GetProfileInt("Workspace", "ApplicationLook", -1), -1);
    Profile::Flush();
    EXPECT_TRUE(QFile::exists(dir.filePath("Corvanta.ini")));
}

TEST_F(ProfileTest, GarbageInStoreGivesDefault) {
    Profile::Flush();
    {
        QFile f(dir.filePath("Corvanta.ini"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[MxMainPos]\nLeft=banana\nTop=99999999999999\nRight=-5\n");
    }
    Profile::SetStorageFolder(dir.path()); // re-read
    EXPECT_EQ(Profile::GetProfileInt("MxMainPos", "Left", 7), 7);
    EXPECT_EQ(Profile::GetProfileInt("MxMainPos", "Top", 7), 7);
    EXPECT_EQ(Profile::GetProfileInt("MxMainPos", "Right", 7), -5);
}

TEST(MessageBoxes, RecordedAndPostedMessagesRunWhileOpen) {
    CTestWnd wnd;
    RecordingMessageBoxes boxes;
    boxes.answer = IDNO;
    boxes.pumpMs = 50;
    ::PostMessage(wnd.GetSafeHwnd(), WM_TEST, 5, 6);
    size_t seenWhileOpen = 0;
    boxes.whileOpen = [&](const RecordingMessageBoxes::Box&) { seenWhileOpen = wnd.got.size(); };
    EXPECT_EQ(MessageBox(wnd.GetSafeHwnd(), "Connected!", "", MB_OK | MB_ICONINFORMATION), IDNO);
    EXPECT_EQ(seenWhileOpen, 1u);
    EXPECT_TRUE(boxes.Contains("Connected!"));
    EXPECT_EQ(AfxMessageBox("x"), IDNO);
    EXPECT_EQ(boxes.boxes.size(), 2u);
}

TEST(MessageBoxes, RealModalLoopKeepsDeliveringPosts) {
    // A real modal loop (as QMessageBox::exec runs) must deliver posted messages.
    CTestWnd wnd;
    QDialog dlg;
    QTimer::singleShot(0, [&] { ::PostMessage(wnd.GetSafeHwnd(), WM_TEST, 1, 1); });
    QTimer::singleShot(20, [&] {
        if (WaitFor([&] { return !wnd.got.empty(); }, 3000))
            dlg.accept();
        else
            dlg.reject();
    });
    EXPECT_EQ(dlg.exec(), QDialog::Accepted);
}

TEST(System, AddressConversionAndTicks) {
    struct Case {
        const char* text;
        bool valid;
    } cases[] = {{"127.0.0.2", true},  {"255.255.255.255", true}, {"0.0.0.0", true},
                 {"256.1.1.1", false}, {"1.2.3", false},          {"abc", false},
                 {"", false},          {"1.2.3.4 ", false}};
    for (const auto& c : cases) {
        unsigned long a = win::inet_addr(c.text);
        if (c.valid && std::string(c.text) != "255.255.255.255") {
            EXPECT_NE(a, win::INADDR_NONE_) << c.text;
            EXPECT_EQ(win::inet_ntoa(a), QString(c.text));
        } else if (!c.valid) {
            EXPECT_EQ(a, win::INADDR_NONE_) << c.text;
        }
    }
    EXPECT_EQ(win::inet_addr(nullptr), win::INADDR_NONE_);
    DWORD t0 = GetTickCount();
    Sleep(20);
    EXPECT_GE(GetTickCount() - t0, 15u);
}

TEST(System, ScreenSaverAndShellOpenAndSessionNotices) {
    BOOL active = FALSE;
    ASSERT_TRUE(SystemParametersInfo(SPI_GETSCREENSAVEACTIVE, 0, &active, 0));
    EXPECT_TRUE(SystemParametersInfo(SPI_SETSCREENSAVEACTIVE, FALSE, nullptr, 0));
    BOOL now = TRUE;
    SystemParametersInfo(SPI_GETSCREENSAVEACTIVE, 0, &now, 0);
    EXPECT_FALSE(now);
    SystemParametersInfo(SPI_SETSCREENSAVEACTIVE, active, nullptr, 0);
    EXPECT_FALSE(SystemParametersInfo(SPI_GETSCREENSAVEACTIVE, 0, nullptr, 0));

    QString opened;
    SetShellOpenHandler([&](const QString& u) {
        opened = u;
        return true;
    });
    EXPECT_TRUE(ShellOpen("https://example.invalid/zephyra"));
    EXPECT_EQ(opened, "https://example.invalid/zephyra");
    SetShellOpenHandler(nullptr);

    CTestWnd wnd;
    EXPECT_TRUE(WTSRegisterSessionNotification(wnd.GetSafeHwnd(), 0));
    SetPriorityClass(HIGH_PRIORITY_CLASS); // may fail without permission: silently
    EXPECT_TRUE(WTSUnRegisterSessionNotification(wnd.GetSafeHwnd()));
}

} // namespace

// The device list on its own: rows from discovery replies, the one checked row,
// the Connect button, a new search, and its keys.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>
#include <cstring>

#include "SimInstrument.h"
#include "app/MarlixExApp.h"
#include "device/MarlixMFC.h"
#include "mainframe/DialogMarlixIP.h"
#include "platform/MsgTarget.h"
#include "platform/System.h"

namespace {

DeviceInfoRecord Record(const char* ip, std::uint8_t swMinor, std::uint32_t boardRev, const char* desc) {
    DeviceInfoRecord r{};
    r.m_nIPAddress = static_cast<std::uint32_t>(win::inet_addr(ip));
    const std::uint8_t hw[4] = {0, 0, 2, 3}, sw[4] = {4, swMinor, 0, 1}, pump[4] = {9, 8, 7, 6},
                       dsp[4] = {1, 2, 3, 4};
    std::memcpy(r.m_abHWVer, hw, 4);
    std::memcpy(r.m_abSWVer, sw, 4);
    std::memcpy(r.m_abPumpVer, pump, 4);
    std::memcpy(r.m_abDSPVer, dsp, 4);
    r.m_nBoardRev = boardRev;
    // A long text fills the field without a terminator.
    std::memcpy(r.m_szDescription, desc, std::min(sizeof r.m_szDescription, std::strlen(desc)));
    return r;
}

// As the library does: the record belongs to the delivery.
void Deliver(CDialogMarlixIP& dlg, const DeviceInfoRecord& r) {
    auto* copy = new DeviceInfoRecord(r);
    MxDelivery d;
    d.hwnd = dlg.GetSafeHwnd();
    d.msg = WM_DEVICE_FOUND;
    d.lParam = reinterpret_cast<LPARAM>(copy);
    d.release = [copy] { delete copy; };
    PostDelivery(std::move(d));
}

QPoint RowPoint(CDialogMarlixIP& dlg, int row, int x = 80) {
    return QPoint(x, dlg.m_listIP.visualItemRect(dlg.m_listIP.topLevelItem(row)).center().y());
}

bool Checked(CDialogMarlixIP& dlg, int row) {
    return dlg.m_listIP.topLevelItem(row)->checkState(0) == Qt::Checked;
}

class DeviceList : public ::testing::Test {
protected:
    void SetUp() override {
        dlg.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    }
    void TearDown() override {
        g_Marlix.SetPostSink(nullptr);
        theApp.m_pDeviceState = nullptr;
    }

    // Runs before the dialog is built (members are made in order): its search
    // starts in the constructor.
    struct BeforeDialog {
        BeforeDialog() {
            // Replies come from the test; the search itself goes nowhere but loopback.
            PointDiscoveryAt({QStringLiteral("127.0.0.2")}, PickTestPort());
            g_Marlix.SetPostSink(&PlatformPostSink());
            // As after start-up: the program reaches the device state through theApp.
            theApp.m_pDeviceState = &g_Marlix.DeviceState;
            theApp.SetConnectState(MX_CONNECT_DISCONNECTED);
        }
    } before;
    CDialogMarlixIP dlg;
};

} // namespace

TEST_F(DeviceList, RowsFromRepliesWithoutDuplicates) {
    EXPECT_EQ(dlg.windowTitle(), QString::fromUtf8("Zephyra\u2122 IP List"));
    const QStringList headings{
        QString::fromUtf8("Zephyra\u2122 IP"), "Description", "SW Ver", "HW Ver", "Pump Ver", "DSP Ver"};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(dlg.m_listIP.headerItem()->text(i), headings[i]);
    EXPECT_EQ(theApp.ConnectState(), MX_CONNECT_CONNECTING); // searching
    EXPECT_FALSE(dlg.ConnectButton()->isEnabled());

    Deliver(dlg, Record("127.0.0.2", 1, 12, "Bench A"));
    Deliver(dlg, Record("127.0.0.2", 9, 3, "Bench A again"));
    Deliver(dlg, Record("127.0.0.3", 1, 0, "A description of exactly 32 chars!!"));
    ASSERT_TRUE(WaitFor([&] { return dlg.m_nDeviceCount == 2; }));
    PumpPostedMessages(100);
    ASSERT_EQ(dlg.m_listIP.topLevelItemCount(), 2);

    const QTreeWidgetItem* a = dlg.m_listIP.topLevelItem(0);
    EXPECT_EQ(a->text(0), QStringLiteral("127.0.0.2"));
    EXPECT_EQ(a->text(1), QStringLiteral("Bench A"));
    EXPECT_EQ(a->text(2), QStringLiteral("1.0.1.4")); // the first reply's versions stay
    EXPECT_EQ(a->text(3), QStringLiteral("3.2.0.0(1.0)"));
    EXPECT_EQ(a->text(4), QStringLiteral("6.7.8.9"));
    EXPECT_EQ(a->text(5), QStringLiteral("4.3.2.1"));
    EXPECT_FALSE(Checked(dlg, 0));
    const QTreeWidgetItem* b = dlg.m_listIP.topLevelItem(1);
    EXPECT_EQ(b->text(0), QStringLiteral("127.0.0.3"));
    EXPECT_EQ(b->text(1),
              QStringLiteral("A description of exactly 32 char")); // no terminator: 32 bytes, no more
    EXPECT_EQ(b->text(3), QStringLiteral("3.2.0.0(x.x)"));
}

TEST_F(DeviceList, OneCheckedRowAndTheConnectButtonFollows) {
    Deliver(dlg, Record("127.0.0.2", 1, 1, "A"));
    Deliver(dlg, Record("127.0.0.3", 1, 1, "B"));
    ASSERT_TRUE(WaitFor([&] { return dlg.m_nDeviceCount == 2; }));
    QWidget* vp = dlg.m_listIP.viewport();

    QTest::mouseClick(vp, Qt::LeftButton, {}, RowPoint(dlg, 0));
    PumpPostedMessages(100);
    EXPECT_TRUE(Checked(dlg, 0));
    EXPECT_TRUE(dlg.ConnectButton()->isEnabled());

    QTest::mouseClick(vp, Qt::LeftButton, {}, RowPoint(dlg, 1));
    PumpPostedMessages(100);
    EXPECT_FALSE(Checked(dlg, 0));
    EXPECT_TRUE(Checked(dlg, 1));
    EXPECT_TRUE(dlg.m_listIP.topLevelItem(1)->isSelected());

    QTest::mouseClick(vp, Qt::LeftButton, {}, RowPoint(dlg, 1));
    PumpPostedMessages(100);
    EXPECT_FALSE(Checked(dlg, 1));
    EXPECT_FALSE(dlg.ConnectButton()->isEnabled());

    // A click on empty space unchecks and checks nothing.
    QTest::mouseClick(vp, Qt::LeftButton, {}, RowPoint(dlg, 0));
    QTest::mouseClick(vp, Qt::LeftButton, {}, QPoint(80, vp->height() - 4));
    PumpPostedMessages(100);
    EXPECT_FALSE(Checked(dlg, 0));
    EXPECT_FALSE(dlg.ConnectButton()->isEnabled());

    // Connect takes the first checked row.
    QTest::mouseClick(vp, Qt::LeftButton, {}, RowPoint(dlg, 1));
    PumpPostedMessages(100);
    QTest::mouseClick(dlg.ConnectButton(), Qt::LeftButton);
    PumpPostedMessages(100);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.m_nChosenRow, 1);
    EXPECT_EQ(dlg.m_strChosenIP, QStringLiteral("127.0.0.3"));
    EXPECT_FALSE(dlg.IsSearching());
}

TEST_F(DeviceList, IPUpdateStartsAFreshSearchAndListeningEnds) {
    Deliver(dlg, Record("127.0.0.2", 1, 1, "A"));
    ASSERT_TRUE(WaitFor([&] { return dlg.m_nDeviceCount == 1; }));
    QTest::mouseClick(dlg.m_listIP.viewport(), Qt::LeftButton, {}, RowPoint(dlg, 0));
    PumpPostedMessages(100);
    ASSERT_TRUE(dlg.ConnectButton()->isEnabled());

    QTest::mouseClick(dlg.IPUpdateButton(), Qt::LeftButton);
    PumpPostedMessages(50);
    EXPECT_EQ(dlg.m_listIP.topLevelItemCount(), 0);
    EXPECT_EQ(dlg.m_nDeviceCount, 0);
    EXPECT_EQ(dlg.m_nChosenRow, -1);
    EXPECT_FALSE(dlg.ConnectButton()->isEnabled());
    EXPECT_TRUE(dlg.IsSearching());
    EXPECT_TRUE(dlg.IsTimerRunning(CDialogMarlixIP::kTimerListenEnd));

    // Rows still arrive during the search; listening ends after its time.
    Deliver(dlg, Record("127.0.0.3", 1, 1, "B"));
    ASSERT_TRUE(WaitFor([&] { return dlg.m_nDeviceCount == 1; }));
    ASSERT_TRUE(WaitFor([&] { return !dlg.IsSearching(); }, CDialogMarlixIP::kListenMs + 10000));
    EXPECT_EQ(dlg.m_listIP.topLevelItemCount(), 1); // rows stay after the search
}

TEST_F(DeviceList, EnterActsOnTheFocusedButtonAndNeverCloses) {
    Deliver(dlg, Record("127.0.0.2", 1, 1, "A"));
    ASSERT_TRUE(WaitFor([&] { return dlg.m_nDeviceCount == 1; }));

    dlg.IPUpdateButton()->setFocus();
    QTest::keyClick(dlg.IPUpdateButton(), Qt::Key_Return);
    PumpPostedMessages(50);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(dlg.m_listIP.topLevelItemCount(), 0); // a new search

    dlg.m_listIP.setFocus();
    QTest::keyClick(&dlg.m_listIP, Qt::Key_Return);
    PumpPostedMessages(50);
    EXPECT_TRUE(dlg.isVisible());

    Deliver(dlg, Record("127.0.0.2", 1, 1, "A"));
    ASSERT_TRUE(WaitFor([&] { return dlg.m_nDeviceCount == 1; }));
    QTest::mouseClick(dlg.m_listIP.viewport(), Qt::LeftButton, {}, RowPoint(dlg, 0));
    PumpPostedMessages(100);
    dlg.ConnectButton()->setFocus();
    QTest::keyClick(dlg.ConnectButton(), Qt::Key_Enter);
    PumpPostedMessages(50);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.m_strChosenIP, QStringLiteral("127.0.0.2"));
}

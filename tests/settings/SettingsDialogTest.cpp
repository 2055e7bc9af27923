// The settings dialog and the calibration dialog as windows, offscreen, on a
// started main frame: what Ok, Cancel, Apply, Escape, the close box, the page
// controls and the instrument's messages send, with the real timers.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>
#include <cstring>

#include "../mainframe/FrameFixture.h"
#include "QtTestMain.h"
#include "SimInstrument.h"
#include "app/SettingKeyTable.h"
#include "controls/CMyButtonColor.h"
#include "device/MxMessages.h"
#include "res/resource.h"
#include "settings/CDialogModuleCal.h"
#include "settings/CDialogSettingTab.h"
#include "settings/CDialogSetting_Graph.h"
#include "settings/CDialogSetting_Play.h"
#include "settings/CDialogSetting_System.h"
#include "settings/CDialogSetting_Viewer.h"
#include "settings/CTabCtrl_Setting.h"

namespace {

class SettingsDialogTest : public FrameTest {
protected:
    void SetUp() override {
        FrameTest::SetUp();
        state().m_nConnectState = 2;
        theApp.m_fnCommandTap = [this](MX_CMD_ID_e cmd, MX_RW_ID_e rw, unsigned size, const void* p, HWND) {
            QString line = QStringLiteral("%1 %2").arg(QString::fromLatin1(MxCmdName(cmd))).arg(int(rw));
            if (cmd == MX_CMD_TEXT_COMMAND) {
                line +=
                    QStringLiteral(" %1").arg(QString::fromUtf16(static_cast<const char16_t*>(p), size / 2));
            } else if (size == 4) {
                std::int32_t v = 0;
                std::memcpy(&v, p, 4);
                line += QStringLiteral(" %1").arg(v);
            }
            if (cmd != MX_CMD_STATUS) // the frame's poll
                sent << line;
        };
        dlg = frame->m_pSettingDlg;
        ASSERT_NE(dlg, nullptr);
        tab = dlg->m_tabSetting;
    }
    void Open(UINT id) {
        frame->SendMessage(WM_COMMAND, id, 0);
        QCoreApplication::processEvents();
    }
    QStringList Take() {
        QStringList out = sent;
        sent.clear();
        return out;
    }
    static void Key(QWidget* w, Qt::Key key) {
        w->setFocus();
        QTest::keyClick(w, key);
    }
    static void Grab(QWidget* w, const QString& name) {
        const QString path = QDir(TestOutputFolder()).filePath(name + QStringLiteral(".png"));
        EXPECT_TRUE(w->grab().save(path)) << path.toStdString();
    }

    // The link lost or back, as the frame's update pass after a delivered message sees it.
    void SetLink(int connectState) {
        state().m_nConnectState = connectState;
        ScheduleCommandUIUpdate();
        QCoreApplication::processEvents();
    }
    static QToolButton* Arrow(QWidget* spin, Qt::ArrowType type) {
        for (QToolButton* b : spin->findChildren<QToolButton*>())
            if (b->arrowType() == type)
                return b;
        return nullptr;
    }
    static void Wheel(QWidget* w, int dy) {
        const QPointF at(4, 4);
        QWheelEvent e(at, w->mapToGlobal(at), QPoint(), QPoint(0, dy), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(w, &e);
    }

    QStringList sent;
    CDialogSettingTab* dlg = nullptr;
    CTabCtrl_Setting* tab = nullptr;
};

} // namespace

TEST_F(SettingsDialogTest, CancelEscapeAndTheCloseBoxRevertOkApplies) {
    state().m_nResBW = 1;
    Open(ID_SETTING_VIEWER);
    ASSERT_TRUE(dlg->isVisible());
    EXPECT_EQ(tab->currentIndex(), 1);
    EXPECT_EQ(tab->m_nCurPage, 1);
    CDialogSetting_Viewer* viewer = tab->m_pViewer;
    EXPECT_EQ(viewer->m_cbResBW->currentText(), QStringLiteral("300Hz"));

    viewer->m_cbResBW->setCurrentIndex(3);
    // Inside a page Enter and Escape do nothing.
    Key(viewer->m_cbResBW, Qt::Key_Escape);
    Key(viewer->m_cbResBW, Qt::Key_Return);
    EXPECT_TRUE(dlg->isVisible());
    QTest::mouseClick(dlg->m_btnCancel, Qt::LeftButton);
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(viewer->m_model.m_nResBWChosen, 1);

    // Escape on the dialog's own buttons and the close box are Cancel.
    Open(ID_SETTING_VIEWER);
    viewer->m_cbResBW->setCurrentIndex(2);
    Key(dlg->m_btnOk, Qt::Key_Escape);
    EXPECT_FALSE(dlg->isVisible());
    Open(ID_SETTING_PLAY);
    tab->m_pPlay->m_cbOutputInvert->setCurrentIndex(1);
    dlg->close();
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(tab->m_pPlay->m_model.m_nSpectralInvChosen, 0);
    EXPECT_EQ(viewer->m_model.m_nResBWChosen, 1);
    EXPECT_NE(frame->m_pSettingDlg, nullptr);
    QTest::qWait(400);
    EXPECT_TRUE(Take().isEmpty());

    Open(ID_SETTING_VIEWER);
    EXPECT_EQ(viewer->m_cbResBW->currentText(), QStringLiteral("300Hz"));
    viewer->m_cbResBW->setCurrentIndex(3);
    QTest::mouseClick(dlg->m_btnOk, Qt::LeftButton);
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(Take(), QStringList{QStringLiteral("MX_CMD_RES_BW 1 3")});
    EXPECT_EQ(state().m_nResBW, 3);
}

TEST_F(SettingsDialogTest, ApplyCommitsTheShownPageAfterItsTimer) {
    state().m_nUpdateSpeed = 1;
    Open(ID_SETTING_PLAY);
    tab->m_pPlay->m_cbOutputInvert->setCurrentIndex(1);
    tab->tabBar()->setCurrentIndex(1);
    EXPECT_EQ(tab->m_nCurPage, 1);
    tab->m_pViewer->m_cbUpdateSpeed->setCurrentIndex(4);
    QTest::mouseClick(dlg->m_btnApply, Qt::LeftButton);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_TRUE(Take().isEmpty()); // the speed waits for its timer
    EXPECT_TRUE(tab->m_pViewer->IsTimerRunning(ViewerPageModel::kSpeedTimer));
    ASSERT_TRUE(WaitFor([&] { return sent == QStringList{QStringLiteral("MX_CMD_UPDATE_SPEED 1 4")}; }, 3000))
        << sent.join(QStringLiteral(", ")).toStdString();
    EXPECT_EQ(state().m_nUpdateSpeed, 4);
    EXPECT_FALSE(tab->m_pViewer->IsTimerRunning(ViewerPageModel::kSpeedTimer));
    Take();

    // Opening on the page already shown keeps it; Ok sends the inversion too.
    Open(ID_SETTING_VIEWER);
    EXPECT_EQ(tab->m_nCurPage, 1);
    tab->m_pPlay->m_cbOutputInvert->setCurrentIndex(1);
    QTest::mouseClick(dlg->m_btnOk, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return sent == QStringList{QStringLiteral("MX_CMD_SPECTRAL_INV 1 1")}; }, 3000))
        << sent.join(QStringLiteral(", ")).toStdString();
    EXPECT_EQ(state().m_nSpectralInv, 1);
}

TEST_F(SettingsDialogTest, AverageCountEnterAndArrows) {
    state().m_nAverageType = 0;
    state().m_nAverageCount = 10;
    Open(ID_SETTING_VIEWER);
    CDialogSetting_Viewer* v = tab->m_pViewer;
    EXPECT_FALSE(v->m_editAverageCount->isEnabled());
    EXPECT_EQ(v->m_editAverageCount->text(), QStringLiteral("0"));
    v->m_cbAverage->setCurrentIndex(1);
    ASSERT_TRUE(v->m_editAverageCount->isEnabled());
    EXPECT_EQ(v->m_editAverageCount->text(), QStringLiteral("10"));

    v->m_editAverageCount->setText(QStringLiteral("250"));
    Key(v->m_editAverageCount, Qt::Key_Return);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(v->m_editAverageCount->text(), QStringLiteral("100"));
    ASSERT_TRUE(WaitFor([&] { return g_Marlix.DeviceState.m_nAverageCount == 100; }, 3000));
    EXPECT_EQ(g_Marlix.DeviceState.m_nAverageType, 1);

    QTest::mouseClick(v->m_btnCountUp, Qt::LeftButton);
    EXPECT_EQ(v->m_editAverageCount->text(), QStringLiteral("100"));
    QTest::mouseClick(v->m_btnCountDown, Qt::LeftButton);
    EXPECT_EQ(v->m_editAverageCount->text(), QStringLiteral("99"));
    v->m_editAverageCount->setText(QStringLiteral("0"));
    QTest::mouseClick(v->m_btnCountDown, Qt::LeftButton);
    EXPECT_EQ(v->m_editAverageCount->text(), QStringLiteral("100"));

    // The wheel over the page steps while the count edit has the focus: up adds one.
    v->m_editAverageCount->setText(QStringLiteral("50"));
    v->m_editAverageCount->setFocus();
    Wheel(v, 120);
    EXPECT_EQ(v->m_editAverageCount->text(), QStringLiteral("51"));
    Wheel(v, -120);
    Wheel(v, -120);
    EXPECT_EQ(v->m_editAverageCount->text(), QStringLiteral("49"));
    v->m_cbResBW->setFocus();
    Wheel(v, 120);
    EXPECT_EQ(v->m_editAverageCount->text(), QStringLiteral("49"));
    Grab(v, QStringLiteral("settings-viewer"));
}

TEST_F(SettingsDialogTest, SystemPageDrivesFromTheInstrumentAndStatusPanes) {
    state().m_nStorage = 0;
    state().m_nStorageDrive = 3;
    Open(ID_SETTING_SYSTEM);
    CDialogSetting_System* s = tab->m_pSystem;
    EXPECT_TRUE(s->m_rbInternal->isChecked());
    EXPECT_FALSE(s->m_cbDrive->isEnabled());

    QTest::mouseClick(s->m_rbExternal, Qt::LeftButton);
    EXPECT_EQ(Take(), QStringList{QStringLiteral("MX_CMD_STORAGE 1 1")});
    EXPECT_TRUE(s->m_cbDrive->isEnabled());
    for (WPARAM d : {4, 5, 5, 30})
        ::PostMessage(s->GetSafeHwnd(), WM_DRIVE_FOUND, d, 0);
    PumpPostedMessages();
    ASSERT_EQ(s->m_cbDrive->count(), 3);
    EXPECT_EQ(s->m_cbDrive->itemText(1), QStringLiteral("E:\\"));
    EXPECT_EQ(s->m_cbDrive->itemText(2), QStringLiteral("F:\\"));
    s->m_cbDrive->setCurrentIndex(2);
    emit s->m_cbDrive->activated(2);
    s->m_cbRef->setCurrentIndex(1);
    s->m_cbTrigger->setCurrentIndex(1);
    QTest::mouseClick(dlg->m_btnApply, Qt::LeftButton);
    EXPECT_EQ(Take(), (QStringList{"MX_CMD_REF_10MHZ 1 1", "MX_CMD_STORAGE_DRIVE 1 5"}));
    EXPECT_EQ(frame->StatusPaneLabel(2)->text(), QStringLiteral("Trigger On"));
    EXPECT_EQ(frame->StatusPaneLabel(3)->text(), QStringLiteral("Ref Ext"));
    EXPECT_EQ(frame->StatusPaneLabel(5)->text(), QStringLiteral("F:\\"));
    ASSERT_TRUE(WaitFor([&] { return sent == QStringList{QStringLiteral("MX_CMD_TRIGGER 1 1")}; }, 3000))
        << sent.join(QStringLiteral(", ")).toStdString();
    Take();
    Grab(s, QStringLiteral("settings-system"));

    // Reopened with nothing changed: the storage and drive shown, Ok sends nothing.
    Open(ID_SETTING_SYSTEM);
    EXPECT_TRUE(s->m_rbExternal->isChecked());
    EXPECT_EQ(s->m_cbDrive->currentText(), QStringLiteral("F:\\"));
    QTest::mouseClick(dlg->m_btnOk, Qt::LeftButton);
    QTest::qWait(400);
    EXPECT_TRUE(Take().isEmpty());

    // No external drive: back to Internal, drive D.
    Open(ID_SETTING_SYSTEM);
    ::PostMessage(s->GetSafeHwnd(), WM_DRIVE_FOUND, 25, 0);
    PumpPostedMessages();
    EXPECT_TRUE(s->m_rbInternal->isChecked());
    EXPECT_FALSE(s->m_cbDrive->isEnabled());
    EXPECT_EQ(Take(), (QStringList{"MX_CMD_STORAGE 1 0", "MX_CMD_STORAGE_DRIVE 1 3"}));
    EXPECT_EQ(frame->StatusPaneLabel(5)->text(), QStringLiteral("D:\\"));

    // Rescan while recording: the page's one message, nothing sent.
    state().m_nPlayMode = 2;
    QTest::mouseClick(s->m_btnRescan, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return boxes.Contains(QStringLiteral("Recording not supported")); }, 3000));
    state().m_nPlayMode = 9;
    EXPECT_TRUE(Take().isEmpty());
}

TEST_F(SettingsDialogTest, NothingIsQueuedWhileNotConnected) {
    state().m_nConnectState = 0;
    EXPECT_FALSE(frame->IsCommandEnabled(ID_SETTING_SYSTEM));
    dlg->ShowPage(2);
    QTest::mouseClick(tab->m_pSystem->m_rbExternal, Qt::LeftButton);
    tab->m_pSystem->m_cbRef->setCurrentIndex(1);
    QTest::mouseClick(dlg->m_btnOk, Qt::LeftButton);
    QTest::qWait(400);
    EXPECT_TRUE(Take().isEmpty());
}

TEST_F(SettingsDialogTest, GraphColourPreviewCancelAndProfile) {
    Open(ID_SETTING_GRAPH);
    CDialogSetting_Graph* g = tab->m_pGraph;
    std::vector<std::uint32_t> starts;
    std::optional<std::uint32_t> answer = 0x0000FFu; // pure red as a colour reference
    g->m_fnPicker = [&](std::uint32_t start) {
        starts.push_back(start);
        return answer;
    };
    CMyButtonColor* bg = g->Swatch(0, 0);
    ASSERT_NE(bg, nullptr);
    EXPECT_EQ(bg->m_crColor, 0x000000u);
    QTest::mouseClick(bg, Qt::LeftButton);
    EXPECT_EQ(bg->m_crColor, 0x0000FFu);
    EXPECT_EQ(state().m_aGraphColors[0].m_clrBG, 0xFFFF0000u);
    answer = std::nullopt;
    QTest::mouseClick(bg, Qt::LeftButton);
    EXPECT_EQ(starts, (std::vector<std::uint32_t>{0x000000u, 0x0000FFu}));
    EXPECT_EQ(bg->m_crColor, 0x0000FFu);
    Grab(g, QStringLiteral("settings-graph"));
    QTest::mouseClick(dlg->m_btnCancel, Qt::LeftButton);
    EXPECT_EQ(state().m_aGraphColors[0].m_clrBG, 0xFF000000u);

    state().m_aGraphColors[3].m_clrData = 0xFF123456u;
    Open(ID_SETTING_GRAPH);
    EXPECT_EQ(bg->m_crColor, 0x000000u);
    EXPECT_EQ(g->Swatch(3, 6)->m_crColor, 0x563412u);
    answer = 0x0000FFu;
    QTest::mouseClick(bg, Qt::LeftButton);
    QTest::mouseClick(g->m_btnDefaultIQ, Qt::LeftButton);
    QTest::mouseClick(dlg->m_btnOk, Qt::LeftButton);
    EXPECT_EQ(std::uint32_t(Profile::GetProfileInt(kGraphColorSection, SettingKeyName(KEY_SPEC_BG_COLOR), 0)),
              0xFFFF0000u);
    EXPECT_EQ(
        std::uint32_t(Profile::GetProfileInt(kGraphColorSection, SettingKeyName(KEY_IQ_BG_COLOR + 6), 0)),
        0xAAE87A0Eu);
    EXPECT_EQ(state().m_aGraphColors[3].m_clrData, 0xAAE87A0Eu);
    EXPECT_TRUE(Take().isEmpty());
}

TEST_F(SettingsDialogTest, PagesGrabbed) {
    Open(ID_SETTING_PLAY);
    Grab(tab->m_pPlay, QStringLiteral("settings-play"));
    Grab(dlg, QStringLiteral("settings-dialog"));
    EXPECT_EQ(tab->m_pPlay->m_editFrequency->text(), QString::number(state().m_nZephyraFreqHz));
}

TEST_F(SettingsDialogTest, CalibrationDialogReadsAndWrites) {
    frame->OpenModuleCalDialog();
    CDialogModuleCal* cal = frame->m_pModuleCalDlg;
    ASSERT_NE(cal, nullptr);
    ASSERT_TRUE(cal->isVisible());
    EXPECT_EQ(Take(),
              (QStringList{"MX_CMD_TEXT_COMMAND 1 debugmarlix 1", "MX_CMD_TEXT_COMMAND 1 nios debugnios 1",
                           "MX_CMD_TEXT_COMMAND 1 debugmarlix 1", "MX_CMD_TEXT_COMMAND 1 nios debugnios 1"}));
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(cal->SetButton(i)->isEnabled()) << i;

    ::PostMessage(cal->GetSafeHwnd(), WM_CAL_VALUE, 1, LPARAM(-25));
    ::PostMessage(cal->GetSafeHwnd(), WM_CAL_VALUE, 3, 7);
    PumpPostedMessages();
    EXPECT_EQ(cal->Edit(1)->text(), QStringLiteral("-2.5"));
    ASSERT_TRUE(cal->SetButton(1)->isEnabled());
    QTest::mouseClick(cal->SetButton(1), Qt::LeftButton);
    EXPECT_EQ(Take(), QStringList{QStringLiteral("MX_CMD_MODULE_CAL 169 -25")});

    cal->Edit(0)->setFocus();
    QTest::keyClicks(cal->Edit(0), QStringLiteral("12.37"));
    Key(cal->Edit(0), Qt::Key_Return); // swallowed: the dialog stays
    EXPECT_TRUE(cal->isVisible());
    cal->GetButton(2)->setFocus(); // the edit loses the focus
    QCoreApplication::processEvents();
    EXPECT_EQ(cal->Edit(0)->text(), QStringLiteral("12.3"));
    QTest::mouseClick(cal->SetButton(0), Qt::LeftButton);
    QTest::mouseClick(cal->GetButton(1), Qt::LeftButton);
    EXPECT_FALSE(cal->SetButton(1)->isEnabled());
    cal->List(1521)->setCurrentIndex(3);
    QTest::mouseClick(cal->findChild<QPushButton*>(QStringLiteral("1524")), Qt::LeftButton);
    EXPECT_EQ(Take(), (QStringList{"MX_CMD_MODULE_CAL 168 123", "MX_CMD_MODULE_CAL 172",
                                   "MX_CMD_TEXT_COMMAND 1 nios att rw 5 000186A0",
                                   "MX_CMD_TEXT_COMMAND 1 nios att rw 6 FFFFFFEC"}));
    Grab(cal, QStringLiteral("module-cal"));

    Key(cal->Edit(1), Qt::Key_Escape);
    EXPECT_TRUE(cal->isVisible());
    cal->close();
    EXPECT_FALSE(cal->isVisible());
    EXPECT_EQ(Take().size(), 2); // hiding refreshes too
    EXPECT_TRUE(cal->Edit(0)->text().isEmpty());
    frame->OpenModuleCalDialog();
    EXPECT_EQ(frame->m_pModuleCalDlg, cal);
}

TEST_F(SettingsDialogTest, EnterRightAfterOpeningIsSwallowedOnEveryPage) {
    state().m_nResBW = 1;
    const UINT commands[] = {ID_SETTING_PLAY, ID_SETTING_VIEWER, ID_SETTING_SYSTEM, ID_SETTING_GRAPH};
    for (int page = 0; page < 4; ++page) {
        Open(commands[page]);
        if (page == 1)
            tab->m_pViewer->m_cbResBW->setCurrentIndex(3);
        // Opening gives the page itself the focus.
        QTest::keyClick(tab->widget(page), Qt::Key_Return);
        EXPECT_TRUE(dlg->isVisible()) << page;
        QTest::keyClick(tab->widget(page), Qt::Key_Enter);
        EXPECT_TRUE(dlg->isVisible()) << page;
    }
    QTest::qWait(400);
    EXPECT_TRUE(Take().isEmpty());
    EXPECT_NE(state().m_nResBW, 3);
}

TEST_F(SettingsDialogTest, ASettingMenuCommandRightAfterOkSendsTheChoice) {
    state().m_nUpdateSpeed = 1;
    state().m_nSpectralInv = 0;
    Open(ID_SETTING_PLAY);
    tab->m_pPlay->m_cbOutputInvert->setCurrentIndex(1);
    tab->m_pViewer->m_cbUpdateSpeed->setCurrentIndex(4);
    QTest::mouseClick(dlg->m_btnOk, Qt::LeftButton);
    Open(ID_SETTING_VIEWER); // every page reloads before the timers fire
    EXPECT_EQ(tab->m_pPlay->m_cbOutputInvert->currentIndex(), 1);
    EXPECT_EQ(tab->m_pViewer->m_cbUpdateSpeed->currentIndex(), 4);
    ASSERT_TRUE(WaitFor([&] { return sent.size() >= 2; }, 3000))
        << sent.join(QStringLiteral(", ")).toStdString();
    QTest::qWait(100);
    EXPECT_EQ(Take(), (QStringList{"MX_CMD_SPECTRAL_INV 1 1", "MX_CMD_UPDATE_SPEED 1 4"}));
    EXPECT_EQ(state().m_nSpectralInv, 1);
    EXPECT_EQ(state().m_nUpdateSpeed, 4);
}

// Every Apply restarts the 300 ms wait: nothing goes out sooner than 300 ms
// after the last one. Only lower bounds are checked, which load cannot break.
TEST_F(SettingsDialogTest, EachApplyRestartsTheWaitBeforeTheSend) {
    QElapsedTimer clock;
    clock.start();
    std::vector<qint64> sentAt;
    auto tap = theApp.m_fnCommandTap;
    theApp.m_fnCommandTap = [&, tap](MX_CMD_ID_e cmd, MX_RW_ID_e rw, unsigned size, const void* p, HWND h) {
        tap(cmd, rw, size, p, h);
        if (cmd != MX_CMD_STATUS)
            sentAt.push_back(clock.elapsed());
    };
    state().m_nUpdateSpeed = 0;
    Open(ID_SETTING_VIEWER);
    CDialogSetting_Viewer* v = tab->m_pViewer;
    std::vector<qint64> appliedAt;
    for (int speed : {1, 2, 3}) {
        if (speed > 1)
            QTest::qWait(150);
        v->m_cbUpdateSpeed->setCurrentIndex(speed);
        QTest::mouseClick(dlg->m_btnApply, Qt::LeftButton);
        appliedAt.push_back(clock.elapsed());
        EXPECT_EQ(v->TimerElapse(ViewerPageModel::kSpeedTimer), 300u);
    }
    ASSERT_TRUE(WaitFor([&] { return sent.contains(QStringLiteral("MX_CMD_UPDATE_SPEED 1 3")); }, 5000))
        << sent.join(QStringLiteral(", ")).toStdString();
    QTest::qWait(100);
    ASSERT_EQ(sentAt.size(), std::size_t(sent.size()));
    for (qint64 at : sentAt) {
        qint64 lastApply = -1;
        for (qint64 a : appliedAt)
            if (a <= at)
                lastApply = a;
        ASSERT_GE(lastApply, 0);
        EXPECT_GE(at - lastApply, 290) << "sent " << at << " ms, applied " << lastApply << " ms";
    }
    EXPECT_EQ(sent.last(), QStringLiteral("MX_CMD_UPDATE_SPEED 1 3"));
    // Unless the machine stalled past a timer between two Applies, one command went out.
    bool stalled = false;
    for (std::size_t i = 1; i < appliedAt.size(); ++i)
        stalled = stalled || appliedAt[i] - appliedAt[i - 1] >= 300;
    if (!stalled) {
        EXPECT_EQ(sent.size(), 1) << sent.join(QStringLiteral(", ")).toStdString();
    }
}

TEST_F(SettingsDialogTest, AColourPreviewStaysAPreviewWhenThePagesReload) {
    state().m_aGraphColors[0] = GraphColorSet{};
    Open(ID_SETTING_GRAPH);
    CDialogSetting_Graph* g = tab->m_pGraph;
    g->m_fnPicker = [](std::uint32_t) { return std::optional<std::uint32_t>(0x0000FFu); };
    QTest::mouseClick(g->Swatch(0, 0), Qt::LeftButton);
    Open(ID_SETTING_SYSTEM);
    EXPECT_EQ(g->Swatch(0, 0)->m_crColor, 0x0000FFu); // the graph shows it, so does the swatch
    QTest::mouseClick(dlg->m_btnCancel, Qt::LeftButton);
    EXPECT_EQ(state().m_aGraphColors[0].m_clrBG, 0xFF000000u);

    Open(ID_SETTING_GRAPH);
    QTest::mouseClick(g->Swatch(0, 0), Qt::LeftButton);
    frame->RefreshSettingPages();
    QTest::mouseClick(dlg->m_btnOk, Qt::LeftButton);
    EXPECT_EQ(std::uint32_t(Profile::GetProfileInt(kGraphColorSection, SettingKeyName(KEY_SPEC_BG_COLOR), 0)),
              0xFFFF0000u);
}

TEST_F(SettingsDialogTest, WithoutALinkNothingLooksApplied) {
    state().m_nRef10MHz = 0;
    Open(ID_SETTING_SYSTEM);
    CDialogSetting_System* s = tab->m_pSystem;
    s->m_cbRef->setCurrentIndex(1);
    frame->OpenModuleCalDialog();
    CDialogModuleCal* cal = frame->m_pModuleCalDlg;
    ::PostMessage(cal->GetSafeHwnd(), WM_CAL_VALUE, 1, 25);
    PumpPostedMessages();
    Take();

    SetLink(0); // the link is lost with both dialogs open
    EXPECT_FALSE(dlg->m_btnApply->isEnabled());
    EXPECT_FALSE(dlg->m_btnOk->isEnabled());
    EXPECT_FALSE(s->m_rbExternal->isEnabled());
    EXPECT_FALSE(s->m_btnRescan->isEnabled());
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(cal->SetButton(i)->isEnabled()) << i;
        EXPECT_FALSE(cal->GetButton(i)->isEnabled()) << i;
    }
    QTest::mouseClick(dlg->m_btnApply, Qt::LeftButton);
    static_cast<QDialog*>(dlg)->accept(); // Enter on the dialog's own buttons
    QTest::mouseClick(cal->SetButton(1), Qt::LeftButton);
    EXPECT_EQ(frame->StatusPaneLabel(3)->text(), QStringLiteral("Ref Int"));
    EXPECT_EQ(state().m_nRef10MHz, 0);
    EXPECT_EQ(cal->Edit(1)->text(), QStringLiteral("2.5"));
    // The colours are the program's own: Apply stays on the Graph tab.
    tab->setCurrentIndex(3);
    QCoreApplication::processEvents();
    EXPECT_TRUE(dlg->m_btnApply->isEnabled());
    tab->setCurrentIndex(2);

    SetLink(2);
    EXPECT_TRUE(dlg->m_btnApply->isEnabled());
    EXPECT_TRUE(cal->SetButton(1)->isEnabled());
    QTest::mouseClick(dlg->m_btnApply, Qt::LeftButton);
    QTest::mouseClick(cal->SetButton(1), Qt::LeftButton);
    EXPECT_EQ(frame->StatusPaneLabel(3)->text(), QStringLiteral("Ref Ext"));
    EXPECT_EQ(Take(), (QStringList{"MX_CMD_REF_10MHZ 1 1", "MX_CMD_MODULE_CAL 169 25"}));
}

TEST_F(SettingsDialogTest, SystemPageShowsTheLoadedStorage) {
    CDialogSetting_System* s = tab->m_pSystem;
    ASSERT_TRUE(s->m_rbInternal->isChecked()); // a new page
    state().m_nStorage = 1;
    state().m_nStorageDrive = 4;
    Open(ID_SETTING_SYSTEM);
    EXPECT_TRUE(s->m_rbExternal->isChecked());
    EXPECT_TRUE(s->m_cbDrive->isEnabled());
    QTest::mouseClick(dlg->m_btnCancel, Qt::LeftButton);
    state().m_nStorage = 0;
    state().m_nStorageDrive = 3;
    Open(ID_SETTING_SYSTEM);
    EXPECT_TRUE(s->m_rbInternal->isChecked());
    EXPECT_FALSE(s->m_cbDrive->isEnabled());
    QTest::mouseClick(dlg->m_btnCancel, Qt::LeftButton);
    EXPECT_TRUE(Take().isEmpty());
}

// An instrument that answers internal storage with a drive-list reset and
// drive 25 (as it answers a rescan in internal mode) gets each choice once.
TEST_F(SettingsDialogTest, AnAnswerToInternalStorageStartsNoCommandLoop) {
    int storageSent = 0;
    auto tap = theApp.m_fnCommandTap;
    theApp.m_fnCommandTap = [&, tap](MX_CMD_ID_e cmd, MX_RW_ID_e rw, unsigned size, const void* p, HWND h) {
        tap(cmd, rw, size, p, h);
        if (cmd != MX_CMD_STORAGE || size != 4 || ++storageSent > 200) // bounded even when it loops
            return;
        std::int32_t v = 0;
        std::memcpy(&v, p, 4);
        ::PostMessage(h, WM_DRIVE_LIST_RESET, 0, 0);
        ::PostMessage(h, WM_DRIVE_FOUND, v == 0 ? 25 : 4, 0);
    };
    Open(ID_SETTING_SYSTEM);
    CDialogSetting_System* s = tab->m_pSystem;
    QTest::mouseClick(s->m_rbExternal, Qt::LeftButton);
    PumpPostedMessages(200);
    EXPECT_EQ(s->m_cbDrive->count(), 2);
    QTest::mouseClick(s->m_rbInternal, Qt::LeftButton);
    PumpPostedMessages(500);
    QTest::mouseClick(dlg->m_btnOk, Qt::LeftButton);
    PumpPostedMessages(200);
    EXPECT_EQ(storageSent, 2);
    EXPECT_EQ(Take(), (QStringList{"MX_CMD_STORAGE 1 1", "MX_CMD_STORAGE 1 0"}));
    EXPECT_TRUE(s->m_rbInternal->isChecked());
}

TEST_F(SettingsDialogTest, CalibrationTakesTheTypedNumberArrowsAndWheel) {
    frame->OpenModuleCalDialog();
    CDialogModuleCal* cal = frame->m_pModuleCalDlg;
    ASSERT_NE(cal, nullptr);
    Take();
    // Typed and clicked without leaving the edit first.
    cal->Edit(0)->setFocus();
    QTest::keyClicks(cal->Edit(0), QStringLiteral("12.37"));
    EXPECT_TRUE(cal->SetButton(0)->isEnabled());
    QTest::mouseClick(cal->SetButton(0), Qt::LeftButton);
    EXPECT_EQ(Take(), QStringList{QStringLiteral("MX_CMD_MODULE_CAL 168 123")});

    // The arrows and the wheel step from the number shown: up and wheel up add a tenth.
    ::PostMessage(cal->GetSafeHwnd(), WM_CAL_VALUE, 2, 10);
    PumpPostedMessages();
    QLineEdit* doc = cal->Edit(2);
    ASSERT_EQ(doc->text(), QStringLiteral("1.0"));
    QWidget* spin = cal->findChild<QWidget*>(QStringLiteral("1035"));
    ASSERT_NE(spin, nullptr);
    doc->setFocus();
    doc->selectAll();
    QTest::keyClicks(doc, QStringLiteral("5"));
    QTest::mouseClick(Arrow(spin, Qt::UpArrow), Qt::LeftButton);
    EXPECT_EQ(doc->text(), QStringLiteral("5.1"));
    QTest::mouseClick(Arrow(spin, Qt::DownArrow), Qt::LeftButton);
    QTest::mouseClick(Arrow(spin, Qt::DownArrow), Qt::LeftButton);
    EXPECT_EQ(doc->text(), QStringLiteral("4.9"));
    // A synthesized wheel event does not climb from the edit: it goes where a
    // real one over the edit ends up.
    doc->setFocus();
    Wheel(cal, 120);
    EXPECT_EQ(doc->text(), QStringLiteral("5.0"));
    Wheel(cal, -120);
    Wheel(cal, -120);
    EXPECT_EQ(doc->text(), QStringLiteral("4.8"));
    QTest::mouseClick(cal->SetButton(2), Qt::LeftButton);
    EXPECT_EQ(Take(), QStringList{QStringLiteral("MX_CMD_MODULE_CAL 170 48")});

    // Minimised and restored: the values stay and nothing is sent again.
    cal->showMinimized();
    QCoreApplication::processEvents();
    cal->showNormal();
    QCoreApplication::processEvents();
    EXPECT_EQ(doc->text(), QStringLiteral("4.8"));
    EXPECT_EQ(cal->Edit(0)->text(), QStringLiteral("12.37"));
    EXPECT_TRUE(Take().isEmpty());
}

TEST_F(SettingsDialogTest, ArrowsMatchTheirEditsSetButtonsAndColourColumnsAlign) {
    frame->OpenModuleCalDialog();
    CDialogModuleCal* cal = frame->m_pModuleCalDlg;
    QCoreApplication::processEvents();
    for (int i = 0; i < 3; ++i) {
        QWidget* spin = cal->findChild<QWidget*>(QString::number(CDialogModuleCal::kSpinId[i]));
        ASSERT_NE(spin, nullptr);
        const int arrows = Arrow(spin, Qt::UpArrow)->height() + Arrow(spin, Qt::DownArrow)->height();
        EXPECT_NEAR(arrows, cal->Edit(i)->height(), 1) << i;
        EXPECT_EQ(cal->SetButton(i)->width(), cal->SetButton(0)->width()) << i;
        EXPECT_EQ(cal->GetButton(i)->width(), cal->GetButton(0)->width()) << i;
    }
    Grab(cal, QStringLiteral("module-cal-looks"));

    Open(ID_SETTING_VIEWER);
    CDialogSetting_Viewer* v = tab->m_pViewer;
    QCoreApplication::processEvents();
    EXPECT_NEAR(v->m_btnCountUp->height() + v->m_btnCountDown->height(), v->m_editAverageCount->height(), 1);
    Grab(v, QStringLiteral("settings-viewer-looks"));

    // The swatches stand in evenly spaced columns, the second row under the first.
    Open(ID_SETTING_GRAPH);
    CDialogSetting_Graph* g = tab->m_pGraph;
    QCoreApplication::processEvents();
    auto centre = [&](int set, int index) {
        QWidget* w = g->Swatch(set, index);
        return w->mapTo(g, w->rect().center()).x();
    };
    for (int set : {0, 3}) {
        const int pitch = centre(set, 1) - centre(set, 0);
        for (int c = 1; c < 5; ++c)
            EXPECT_NEAR(centre(set, c) - centre(set, c - 1), pitch, 1) << set << " column " << c;
    }
    // Spectrum: colours 5, 6, 8, 9, 10 make the second row.
    const int second[] = {5, 6, 8, 9, 10};
    for (int c = 0; c < 5; ++c)
        EXPECT_NEAR(centre(0, second[c]), centre(0, c), 1) << c;
    Grab(g, QStringLiteral("settings-graph-looks"));
}

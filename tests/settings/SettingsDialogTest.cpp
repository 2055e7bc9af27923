// The settings dialog and the calibration dialog as windows, offscreen, on a
// started main frame: what Ok, Cancel, Apply, Escape, the close box, the page
// controls and the instrument's messages send, with the real timers.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTest>
#include <QToolButton>
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

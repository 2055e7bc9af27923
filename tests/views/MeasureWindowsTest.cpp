// The Spectrum and IQ windows offscreen with the real graph library: graph
// creation, mode commands, the marker menu and holds, close and reopen, keys,
// wheel and the value editor, auto range, and the main frame's block handler.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <map>
#include <string>

#include "../mainframe/FrameFixture.h"
#include "SimInstrument.h"
#include "TestSupport.h"
#include "platform/System.h"
#include "res/resource.h"
#include "settings/CDialogModuleCal.h"
#include "settings/CDialogSettingTab.h"
#include "settings/CDialogSetting_Viewer.h"
#include "settings/CTabCtrl_Setting.h"
#include "views/DialogSetValue.h"
#include "views/GraphKeyRules.h"
#include "views/IQFrame.h"
#include "views/IQView.h"
#include "views/SpectrumFrame.h"
#include "views/SpectrumView.h"

namespace {

// Stands in for parts of the graph library the test must steer or watch.
struct Spy {
    static inline int focus = -1;
    static inline int undo = 0;
    static inline std::map<int, int> dataCalls;
    static inline std::map<int, float> rendered; // seconds of the last render per graph
    static inline std::map<int, std::string> texts;
    static inline std::map<int, int> presses; // button-downs handed to each graph
    static inline std::string bandText;
    static inline PFN_VarolGraph_SetBandPowerText realBand = nullptr;
    static inline PFN_VarolGraph_Undo realUndo = nullptr;
    static inline PFN_VarolGraph_SetData realSetData = nullptr;
    static inline PFN_VarolGraph_Render realRender = nullptr;
    static inline PFN_VarolGraph_SetCustomText realText = nullptr;
    static inline PFN_VarolGraph_GetFocusedTextIndex realFocus = nullptr;
    static inline PFN_VarolGraph_InputUpdate realInput = nullptr;

    static int VG_CALL Focus(int) { return focus; }
    static int VG_CALL Undo(int g) {
        ++undo;
        return realUndo(g);
    }
    static int VG_CALL SetData(int g, int l, const void* d, int c, int b, int f) {
        ++dataCalls[g];
        return realSetData(g, l, d, c, b, f);
    }
    static int VG_CALL Render(int g, float s) {
        rendered[g] = s;
        return realRender(g, s);
    }
    static int VG_CALL Input(int g, int x, int y, int wheel, int down, int left, int move) {
        if (down)
            ++presses[g];
        return realInput(g, x, y, wheel, down, left, move);
    }
    static int VG_CALL Band(int g, const char* t) {
        bandText = t;
        return realBand(g, t);
    }
    static int VG_CALL Text(int g, int n, const char* t) {
        if (g == 0)
            texts[n] = t;
        return realText(g, n, t);
    }
    static void Install() {
        focus = -1;
        undo = 0;
        dataCalls.clear();
        rendered.clear();
        texts.clear();
        presses.clear();
        bandText.clear();
        realBand = std::exchange(theApp.m_pfnVarolGraph_SetBandPowerText, &Band);
        realUndo = std::exchange(theApp.m_pfnVarolGraph_Undo, &Undo);
        realSetData = std::exchange(theApp.m_pfnVarolGraph_SetData, &SetData);
        realRender = std::exchange(theApp.m_pfnVarolGraph_Render, &Render);
        realText = std::exchange(theApp.m_pfnVarolGraph_SetCustomText, &Text);
        realFocus = std::exchange(theApp.m_pfnVarolGraph_GetFocusedTextIndex, &Focus);
        realInput = std::exchange(theApp.m_pfnVarolGraph_InputUpdate, &Input);
    }
    static void Remove() {
        theApp.m_pfnVarolGraph_Undo = realUndo;
        theApp.m_pfnVarolGraph_SetData = realSetData;
        theApp.m_pfnVarolGraph_Render = realRender;
        theApp.m_pfnVarolGraph_SetCustomText = realText;
        theApp.m_pfnVarolGraph_GetFocusedTextIndex = realFocus;
        theApp.m_pfnVarolGraph_InputUpdate = realInput;
        theApp.m_pfnVarolGraph_SetBandPowerText = realBand;
    }
};

GraphDataInfo Info(int g) {
    GraphDataInfo i{};
    theApp.GraphCall(theApp.m_pfnVarolGraph_GetDataInfo, g, &i);
    return i;
}

bool TextVisible(int n) {
    return theApp.GraphCall(theApp.m_pfnVarolGraph_GetCustomTextVisible, 0, n) != 0;
}

// The library's notices reach the main frame while it lives (the program's own
// post sink); the unit goes back to dBm at the end.
struct LibraryNotices {
    LibraryNotices() { g_Marlix.SetPostSink(&PlatformPostSink()); }
    ~LibraryNotices() {
        g_Marlix.SetPowerUnitdBType(POWER_UNIT_DBM);
        PumpPostedMessages(20);
        g_Marlix.SetPostSink(nullptr);
    }
};

std::string YUnit() {
    GraphDesignInfo d{};
    theApp.GraphCall(theApp.m_pfnVarolGraph_GetDesignInfo, 0, &d);
    return d.m_szYUnit;
}

// A real double click: press, release, double click, release.
void DoubleClick(QWidget* w, QPoint p) {
    const QPointF at(p), global(w->mapToGlobal(p));
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QMouseEvent dbl(QEvent::MouseButtonDblClick, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release2(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton,
                         Qt::NoModifier);
    for (QMouseEvent* e : {&press, &release, &dbl, &release2})
        QApplication::sendEvent(w, e);
}

// Runs f on the next modal value editor once it is up.
void OnEditor(std::function<void(CDialogSetValue*)> f) {
    QTimer::singleShot(50, [f] {
        auto* dlg = qobject_cast<CDialogSetValue*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr) << "no value editor";
        f(dlg);
    });
}

class MeasureWindows : public GraphFrameTest {
protected:
    void SetUp() override {
        GraphFrameTest::SetUp();
        if (HasFatalFailure())
            return;
        state().m_nPlayMode = 5;
        Spy::Install();
        OpenSpectrum();
        spectrum = qobject_cast<CSpectrumFrame*>(theApp.m_pSpectrumFrame);
        ASSERT_NE(spectrum, nullptr);
        view = spectrum->GetActiveView();
        dlg = &view->m_dlgSpectrum;
    }
    void TearDown() override {
        Spy::Remove();
        GraphFrameTest::TearDown();
    }
    QAction* MenuAction(UINT id) const {
        for (QAction* a : frame->m_wndMenuBar->findChildren<QAction*>())
            if (a->data().toUInt() == id)
                return a;
        return nullptr;
    }
    void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier, quint32 scan = 0, quint32 vk = 0) {
        QKeyEvent press(QEvent::KeyPress, key, mods, scan, vk, 0);
        QApplication::sendEvent(dlg, &press);
        QKeyEvent release(QEvent::KeyRelease, key, mods, scan, vk, 0);
        QApplication::sendEvent(dlg, &release);
        PumpPostedMessages(20);
    }

    CSpectrumFrame* spectrum = nullptr;
    CSpectrumView* view = nullptr;
    CDumpSpectrumDialog* dlg = nullptr;
};

TEST_F(MeasureWindows, SpectrumOpensWithGraph0SetUpForTheOutputFrequency) {
    EXPECT_TRUE(spectrum->isVisible());
    EXPECT_EQ(spectrum->windowTitle(), QStringLiteral("Spectrum"));
    const GraphDataInfo i = Info(0);
    const double clock = state().m_dSampleClockKHz;
    EXPECT_DOUBLE_EQ(double(i.m_dXMin) * double(i.m_dXScale), state().m_nZephyraFreqHz - 0.4 * clock);
    EXPECT_EQ(i.m_nPointCount, 8192 - g_Marlix.GetExcludeCnt());
    EXPECT_EQ(i.m_nLayoutWord1, 8);
    EXPECT_EQ(Spy::texts[9], "Gain:-20.0 dB");
    EXPECT_FALSE(TextVisible(9)); // the gain text starts hidden
    GraphDesignInfo d{};
    theApp.GraphCall(theApp.m_pfnVarolGraph_GetDesignInfo, 0, &d);
    EXPECT_STREQ(d.m_szYUnit, "dBm");
    EXPECT_EQ(d.m_clrData, state().m_aGraphColors[0].m_clrData);
}

TEST_F(MeasureWindows, ModeCommandsSetTheGraphAndCheckTheirItemOnlyWhileConnected) {
    g_Marlix.SetMarkerCounts(0);
    frame->SendMessage(WM_COMMAND, ID_ANALYZER_MARKER, 0);
    EXPECT_EQ(state().m_nSpectrumMode, 2);
    EXPECT_TRUE(TextVisible(11));
    EXPECT_FALSE(TextVisible(12));
    frame->UpdateCommandUI();
    ASSERT_TRUE(MenuAction(ID_ANALYZER_MARKER) && MenuAction(ID_ANALYZER_2D));
    EXPECT_TRUE(MenuAction(ID_ANALYZER_MARKER)->isChecked());
    EXPECT_FALSE(MenuAction(ID_ANALYZER_2D)->isChecked());
    frame->SendMessage(WM_COMMAND, ID_ANALYZER_2D, 0);
    EXPECT_EQ(state().m_nSpectrumMode, 0);
    for (int n = 11; n <= 14; ++n)
        EXPECT_FALSE(TextVisible(n)) << n;
    frame->UpdateCommandUI();
    EXPECT_TRUE(MenuAction(ID_ANALYZER_2D)->isChecked());
    EXPECT_TRUE(frame->IsCommandEnabled(ID_AUTO_RANGE));

    state().m_nConnectState = MX_CONNECT_DISCONNECTED;
    frame->UpdateCommandUI();
    for (UINT id : {ID_ANALYZER_3D, ID_ANALYZER_MARKER, ID_SPECTRUM_UNDO, ID_AUTO_RANGE})
        EXPECT_FALSE(frame->IsCommandEnabled(id)) << id;
    frame->SendMessage(WM_COMMAND, ID_ANALYZER_3D, 0); // refused while disabled
    EXPECT_EQ(state().m_nSpectrumMode, 0);
}

TEST_F(MeasureWindows, MarkerMenuSetsMarkersAndTogglesHolds) {
    frame->OnSettingViewer(); // the Viewer page follows the menu's marker count
    QMenu* seen = nullptr;
    QTimer::singleShot(50, [&] {
        seen = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(seen, nullptr);
        for (QAction* a : seen->actions())
            if (a->text() == QLatin1String("Marker 3"))
                a->trigger();
        seen->close();
    });
    QTest::mouseClick(dlg, Qt::RightButton, {}, QPoint(200, 100));
    PumpPostedMessages(50);
    ASSERT_NE(seen, nullptr);
    EXPECT_EQ(state().m_nSpectrumMode, 2);
    EXPECT_EQ(g_Marlix.GetMarkerCounts(), 2);
    EXPECT_TRUE(TextVisible(13));
    EXPECT_FALSE(TextVisible(14));
    ASSERT_TRUE(frame->m_pSettingDlg);
    EXPECT_EQ(frame->m_pSettingDlg->m_tabSetting->m_pViewer->m_cbMarker->currentIndex(), 2);

    dlg->OnHoldMax();
    EXPECT_EQ(Info(0).m_bMaxHold, -1);
    dlg->OnHoldMax();
    EXPECT_EQ(Info(0).m_bMaxHold, 0);
    dlg->OnHoldMin();
    EXPECT_EQ(Info(0).m_bMinHold, -1);

    dlg->OnPeakSearch();
    EXPECT_EQ(state().m_bPeakSearch, 1);
    EXPECT_EQ(g_Marlix.GetMarkerCounts(), 0);
}

TEST_F(MeasureWindows, ClosingHidesAndRestoresTheLevelRangeViewBringsTheSameWindowBack) {
    const GraphDataInfo before = Info(0);
    dlg->SetGraphTextValue(3, double(before.m_dYMax) + 30.0);
    EXPECT_EQ(double(Info(0).m_dYMax), double(before.m_dYMax) + 30.0);
    spectrum->close();
    EXPECT_FALSE(spectrum->isVisible());
    EXPECT_EQ(theApp.m_bGraphShown[0], 0);
    EXPECT_EQ(double(Info(0).m_dYMax), double(before.m_dYMax));
    Spy::rendered.clear();
    frame->RenderTick();
    EXPECT_EQ(Spy::rendered.count(0), 0u); // a hidden graph is not drawn

    frame->SendMessage(WM_COMMAND, ID_WINDOW_SPECTRUM, 0);
    EXPECT_EQ(theApp.m_pSpectrumFrame, spectrum);
    EXPECT_TRUE(spectrum->isVisible());
    EXPECT_EQ(theApp.m_bGraphCreated[0], 1);
    EXPECT_EQ(theApp.m_bGraphShown[0], 1);
}

TEST_F(MeasureWindows, KeysAndWheelStepTheFocusedBound) {
    Spy::focus = 3;
    const double step = Info(0).m_dYStep, top = Info(0).m_dYMax;
    Key(Qt::Key_Down);
    EXPECT_DOUBLE_EQ(double(Info(0).m_dYMax), top - step);
    QWheelEvent wheel(QPointF(100, 100), dlg->mapToGlobal(QPointF(100, 100)), {}, QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(dlg, &wheel);
    EXPECT_DOUBLE_EQ(double(Info(0).m_dYMax), top - 2 * step);
    Key(Qt::Key_Up);
    EXPECT_DOUBLE_EQ(double(Info(0).m_dYMax), top - step);
    // In 3D the keys do nothing.
    state().m_nSpectrumMode = 4;
    Key(Qt::Key_Down);
    EXPECT_DOUBLE_EQ(double(Info(0).m_dYMax), top - step);
    state().m_nSpectrumMode = 0;

    // Ctrl+Z undoes and is passed on.
    QKeyEvent z(QEvent::KeyPress, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_FALSE(view->PreTranslateKey('Z', true, false));
    QApplication::sendEvent(dlg, &z);
    EXPECT_EQ(Spy::undo, 2);
}

TEST_F(MeasureWindows, CtrlLeftShiftCOpensTheCalibrationDialogOnce) {
    // The right Shift does not.
    QKeyEvent right(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier, 62, 0xffe2, 0);
    QApplication::sendEvent(dlg, &right);
    QKeyEvent rightC(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    QApplication::sendEvent(dlg, &rightC);
    EXPECT_EQ(frame->m_pModuleCalDlg, nullptr);
    QKeyEvent up(QEvent::KeyRelease, Qt::Key_Shift, Qt::NoModifier, 62, 0xffe2, 0);
    QApplication::sendEvent(dlg, &up);

    QKeyEvent left(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier, 50, 0xffe1, 0);
    QApplication::sendEvent(dlg, &left);
    QKeyEvent c(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    QApplication::sendEvent(dlg, &c);
    ASSERT_NE(frame->m_pModuleCalDlg, nullptr);
    CDialogModuleCal* first = frame->m_pModuleCalDlg;
    EXPECT_TRUE(first->isVisible());
    first->hide();
    QApplication::sendEvent(dlg, &c);
    EXPECT_EQ(frame->m_pModuleCalDlg, first);
    EXPECT_TRUE(first->isVisible());
    first->hide();
}

TEST_F(MeasureWindows, ValueEditorOpensFromAKeyAndAppliesOnlyNumbers) {
    Spy::focus = 3;
    const double low = Info(0).m_dYMin;
    bool checked = false;
    OnEditor([&](CDialogSetValue* e) {
        EXPECT_EQ(e->Edit()->text(), QStringLiteral("7"));
        EXPECT_FALSE(e->Edit()->hasSelectedText());
        EXPECT_EQ(e->Label()->text(), QStringLiteral("Y Max"));
        EXPECT_EQ(e->Unit()->text(), QStringLiteral("dBm"));
        EXPECT_TRUE(e->MinLine()->text().isEmpty());
        // A key while the editor is open is ignored.
        frame->SendMessage(WM_GRAPH_KEY, 2, '5');
        QTest::keyClick(e->Edit(), Qt::Key_5);
        EXPECT_EQ(e->Edit()->text(), QStringLiteral("75"));
        checked = true;
        e->OnOK();
    });
    Key(Qt::Key_7, Qt::KeypadModifier);
    PumpPostedMessages(100);
    EXPECT_TRUE(checked);
    EXPECT_EQ(double(Info(0).m_dYMax), 75.0);
    EXPECT_FALSE(frame->m_bValueEditOpen);

    // A y max below y min is dropped.
    OnEditor([](CDialogSetValue* e) {
        e->Edit()->setText(QString::number(-500));
        e->OnOK();
    });
    frame->SendMessage(WM_GRAPH_KEY, 3, 13);
    EXPECT_EQ(double(Info(0).m_dYMax), 75.0);
    EXPECT_EQ(double(Info(0).m_dYMin), low);

    // The gain: limits shown, text that is no number refused in the editor.
    const std::size_t boxesBefore = boxes.boxes.size();
    OnEditor([&](CDialogSetValue* e) {
        EXPECT_EQ(e->Edit()->text(), QStringLiteral("-"));
        EXPECT_EQ(e->MinLine()->text(), QStringLiteral("(Min: -90.0 dB)"));
        EXPECT_EQ(e->MaxLine()->text(), QStringLiteral("(Max: 30.0 dB, Step: 0.1dB)"));
        e->Edit()->setText(QStringLiteral("-12,34"));
        e->OnOK();
        EXPECT_TRUE(e->isVisible()); // still open
        e->Edit()->setText(QStringLiteral("-12.34"));
        e->OnOK();
    });
    frame->SendMessage(WM_GRAPH_KEY, 9, GraphKeyRules::kVkSubtract);
    EXPECT_EQ(boxes.boxes.size(), boxesBefore + 1);
    EXPECT_EQ(dlg->m_settings.m_sZephyraPower, -123);
    EXPECT_EQ(Spy::texts[9], "Gain:-12.3 dB");

    // Cancel changes nothing.
    OnEditor([](CDialogSetValue* e) {
        e->Edit()->setText(QStringLiteral("5"));
        e->done(IDCANCEL);
    });
    frame->SendMessage(WM_GRAPH_KEY, 9, '5');
    EXPECT_EQ(dlg->m_settings.m_sZephyraPower, -123);
}

TEST_F(MeasureWindows, AutoRangeTopIsTheStoredLevelShiftedByTheUnit) {
    Profile::WriteProfileInt(QString::fromStdU16String(state().m_strProfileSection),
                             SettingKeyName(KEY_ZEPHYRA_POWER), -200);
    spectrum->OnAutoRange();
    EXPECT_FLOAT_EQ(float(Info(0).m_dYMax), -20.0f);
    EXPECT_FLOAT_EQ(float(Info(0).m_dYMin), -120.0f);
    g_Marlix.SetPowerUnitdBType(POWER_UNIT_DBMV);
    spectrum->OnAutoRange();
    EXPECT_FLOAT_EQ(float(Info(0).m_dYMax), 27.0f);
    g_Marlix.SetPowerUnitdBType(POWER_UNIT_DBM);
}

TEST_F(MeasureWindows, BlocksFeedTheGraphsOnlyWhenPlayingAndInRange) {
    theApp.OnWindowIQ();
    ASSERT_TRUE(
        WaitFor([] { return theApp.m_bGraphCreated[3] == 1 && theApp.m_bGraphCreated[4] == 1; }, 5000));
    DeviceDataStore& dd = g_Marlix.DeviceDataStore;
    std::fill(std::begin(dd.m_adSpectrum), std::end(dd.m_adSpectrum), -150.0);
    const int e = g_Marlix.GetExcludeCnt();
    dd.m_adSpectrum[3000] = dd.m_adSpectrum[4000] = -20.0;
    Spy::dataCalls.clear();

    state().m_nPlayMode = 9; // stopped: nothing at all
    frame->SendMessage(WM_MEASURE_DATA, 0, 0);
    EXPECT_TRUE(Spy::dataCalls.empty());

    state().m_nPlayMode = 5;
    frame->SendMessage(WM_MEASURE_DATA, 1, 0); // an I/Q block
    EXPECT_EQ(Spy::dataCalls[0], 0);
    EXPECT_EQ(Spy::dataCalls[3], 1);
    EXPECT_EQ(Spy::dataCalls[4], 1);

    state().m_nSpectrumMode = 2;
    state().m_bPeakSearch = 1;
    frame->SendMessage(WM_MEASURE_DATA, 0, 0);
    EXPECT_EQ(Spy::dataCalls[0], 1);
    EXPECT_EQ(state().m_bPeakSearch, 0);
    float level = 0, freq = 0;
    ASSERT_EQ(theApp.GraphCall(theApp.m_pfnVarolGraph_GetMarkData, 0, 0, 0, 1, &level), -1);
    EXPECT_FLOAT_EQ(level, -20.0f);
    theApp.GraphCall(theApp.m_pfnVarolGraph_GetMarkData, 0, 0, 0, 0, &freq);
    const GraphDataInfo i = Info(0);
    const double x =
        double(i.m_dXMin) + (double(i.m_dXMax) - double(i.m_dXMin)) * (3000 - e / 2) / (i.m_nPointCount - 1);
    EXPECT_NEAR(freq, x * double(i.m_dXScale), 20.0); // the lower of the two equal peaks
    EXPECT_EQ(Spy::texts[11].rfind("M1: ", 0), 0u);
    EXPECT_NE(Spy::texts[11].find("-20.0dBm"), std::string::npos) << Spy::texts[11];

    // Nothing above the floor: the marker stays.
    std::fill(std::begin(dd.m_adSpectrum), std::end(dd.m_adSpectrum), -200.0);
    state().m_bPeakSearch = 1;
    frame->SendMessage(WM_MEASURE_DATA, 0, 0);
    float after = 0;
    theApp.GraphCall(theApp.m_pfnVarolGraph_GetMarkData, 0, 0, 0, 0, &after);
    EXPECT_FLOAT_EQ(after, freq);

    // A point count the arrays cannot hold draws no spectrum and feeds 30720 I/Q points.
    state().m_nSpectrumPoints = 40000;
    Spy::dataCalls.clear();
    frame->SendMessage(WM_MEASURE_DATA, 0, 0);
    EXPECT_EQ(Spy::dataCalls[0], 0);
    EXPECT_EQ(Info(3).m_nPointCount, 30720);
    state().m_nSpectrumPoints = 8192;
}

TEST_F(MeasureWindows, UnitChangeShiftsTheRangeAndWaitDoneSetsItFromTheStoredLevel) {
    const GraphDataInfo before = Info(0);
    state().m_nPowerUnitFrom = 0;
    g_Marlix.SetPowerUnitdBType(POWER_UNIT_DBMV);
    state().m_nPowerUnitTo = 1; // as the library's notice writes it
    frame->SendMessage(WM_POWER_UNIT_CHANGED, 0, 0);
    EXPECT_DOUBLE_EQ(double(Info(0).m_dYMax), double(before.m_dYMax) + 47.0);
    EXPECT_DOUBLE_EQ(double(Info(0).m_dYMin), double(before.m_dYMin) + 47.0);
    GraphDesignInfo d{};
    theApp.GraphCall(theApp.m_pfnVarolGraph_GetDesignInfo, 0, &d);
    EXPECT_STREQ(d.m_szYUnit, "dBmV");

    Profile::WriteProfileInt(QString::fromStdU16String(state().m_strProfileSection),
                             SettingKeyName(KEY_ZEPHYRA_POWER), -350);
    frame->SendMessage(WM_WAIT_DONE, 0, 0);
    PumpPostedMessages(50);
    EXPECT_FLOAT_EQ(float(Info(0).m_dYMax), -35.0f + 47.0f);
    EXPECT_FLOAT_EQ(float(Info(0).m_dYMin), -135.0f + 47.0f);
    g_Marlix.SetPowerUnitdBType(POWER_UNIT_DBM);
}

TEST_F(MeasureWindows, EachUnitChangeMovesTheLevelAxisFromTheUnitShown) {
    LibraryNotices notices;
    const GraphDataInfo before = Info(0);
    const GraphDataInfo saved = view->m_graphInfoSaved;
    const struct {
        Power_Unit_dB_e unit;
        double shift; // from dBm
        const char* text;
    } steps[] = {{POWER_UNIT_DBMV, 47.0, "dBmV"},
                 {POWER_UNIT_DBM, 0.0, "dBm"},
                 {POWER_UNIT_DBUV, 107.0, "dBuV"},
                 {POWER_UNIT_DBMV, 47.0, "dBmV"}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.text);
        g_Marlix.SetPowerUnitdBType(step.unit);
        PumpPostedMessages(50);
        EXPECT_DOUBLE_EQ(double(Info(0).m_dYMax), double(before.m_dYMax) + step.shift);
        EXPECT_DOUBLE_EQ(double(Info(0).m_dYMin), double(before.m_dYMin) + step.shift);
        EXPECT_EQ(YUnit(), step.text);
    }
    // Closing brings back the range the graph was made with, in the unit shown now.
    spectrum->close();
    EXPECT_DOUBLE_EQ(double(Info(0).m_dYMax), double(saved.m_dYMax) + 47.0);
    EXPECT_DOUBLE_EQ(double(Info(0).m_dYMin), double(saved.m_dYMin) + 47.0);
}

TEST_F(MeasureWindows, UndoAfterAUnitChangeComesBackInTheUnitShown) {
    LibraryNotices notices;
    frame->SendMessage(WM_COMMAND, ID_ANALYZER_ZOOM, 0);
    const GraphDataInfo before = Info(0);
    const QSize s = dlg->size();
    QTest::mousePress(dlg, Qt::LeftButton, {}, QPoint(s.width() * 3 / 10, s.height() * 3 / 10));
    QTest::mouseMove(dlg, QPoint(s.width() / 2, s.height() / 2));
    QTest::mouseRelease(dlg, Qt::LeftButton, {}, QPoint(s.width() * 6 / 10, s.height() * 6 / 10));
    ASSERT_LT(double(Info(0).m_dYMax), double(before.m_dYMax)) << "no zoom";
    g_Marlix.SetPowerUnitdBType(POWER_UNIT_DBMV);
    PumpPostedMessages(50);
    frame->SendMessage(WM_COMMAND, ID_SPECTRUM_UNDO, 0);
    EXPECT_DOUBLE_EQ(double(Info(0).m_dYMax), double(before.m_dYMax) + 47.0);
    EXPECT_DOUBLE_EQ(double(Info(0).m_dYMin), double(before.m_dYMin) + 47.0);
    EXPECT_DOUBLE_EQ(double(Info(0).m_dXMin), double(before.m_dXMin));
}

// A double click is one press for the graph: the spectrum takes it as Enter on
// the focused value, the I and Q graphs take nothing more.
TEST_F(MeasureWindows, DoubleClickGivesTheGraphOnePress) {
    theApp.OnWindowIQ();
    ASSERT_TRUE(
        WaitFor([] { return theApp.m_bGraphCreated[3] == 1 && theApp.m_bGraphCreated[4] == 1; }, 5000));
    CIQView* iq = qobject_cast<CIQFrame*>(theApp.m_pIQFrame)->GetActiveView();
    Spy::focus = 3;
    bool opened = false;
    OnEditor([&](CDialogSetValue* e) {
        opened = e->Label()->text() == QLatin1String("Y Max");
        e->done(IDCANCEL);
    });
    Spy::presses.clear();
    DoubleClick(dlg, QPoint(200, 100));
    PumpPostedMessages(200);
    EXPECT_TRUE(opened);
    EXPECT_EQ(Spy::presses[0], 1);
    for (auto [g, w] : {std::pair<int, QWidget*>{3, &iq->m_dlgI}, {4, &iq->m_dlgQ}}) {
        DoubleClick(w, QPoint(100, 50));
        EXPECT_EQ(Spy::presses[g], 1) << g;
    }
}

// Markers 1, 2 and 4 set on a trace of known levels, marker 3 not: the read-outs
// count the markers set up to the first that is not.
TEST_F(MeasureWindows, MarkerReadOutsOfABlockDifferFromMarker1UpToTheFirstUnsetMarker) {
    theApp.OnWindowIQ();
    ASSERT_TRUE(
        WaitFor([] { return theApp.m_bGraphCreated[3] == 1 && theApp.m_bGraphCreated[4] == 1; }, 5000));
    dlg->OnMarker4();
    ASSERT_EQ(state().m_nSpectrumMode, 2);
    DeviceDataStore& dd = g_Marlix.DeviceDataStore;
    std::fill(std::begin(dd.m_adSpectrum), std::end(dd.m_adSpectrum), -150.0);
    const int h = g_Marlix.GetExcludeCnt() / 2;
    const int points[4] = {1000, 3000, 4000, 5000}; // shown points
    const double levels[4] = {-30.0, -50.0, -42.5, -61.25};
    for (int k = 0; k < 4; ++k)
        dd.m_adSpectrum[h + points[k]] = levels[k];
    frame->SendMessage(WM_MEASURE_DATA, 0, 0);
    for (int k : {0, 1, 3})
        ASSERT_EQ(theApp.GraphCall(theApp.m_pfnVarolGraph_SetMarkPosition, 0, 0, k, points[k]), -1) << k;
    float freq[4] = {};
    for (int k : {0, 1, 3})
        theApp.GraphCall(theApp.m_pfnVarolGraph_GetMarkData, 0, 0, k, 0, &freq[k]);
    auto text = [](const char* fmt, auto... v) {
        char b[200];
        std::snprintf(b, sizeof b, fmt, v...);
        return std::string(b);
    };
    frame->SendMessage(WM_MEASURE_DATA, 0, 0);
    EXPECT_EQ(Spy::texts[11], text("M1: %.3fMHz, %.1fdBm", double(freq[0]) / 1e6, -30.0));
    EXPECT_EQ(Spy::texts[12], text("M1-M2: %.3fMHz, %.1fdB", double((freq[0] - freq[1]) / 1000000.0f), 20.0));
    EXPECT_EQ(Spy::texts[13], "M1-M3: Click Mouse");
    EXPECT_EQ(Spy::texts[14], "M1-M4: Click Mouse"); // set, but after an unset one

    // Marker 3 set as well: all four read out.
    ASSERT_EQ(theApp.GraphCall(theApp.m_pfnVarolGraph_SetMarkPosition, 0, 0, 2, points[2]), -1);
    theApp.GraphCall(theApp.m_pfnVarolGraph_GetMarkData, 0, 0, 2, 0, &freq[2]);
    frame->SendMessage(WM_MEASURE_DATA, 0, 0);
    EXPECT_EQ(Spy::texts[13], text("M1-M3: %.3fMHz, %.1fdB", double((freq[0] - freq[2]) / 1000000.0f), 12.5));
    EXPECT_EQ(Spy::texts[14], text("M1-M4: %.3fMHz, %.1fdB", double((freq[0] - freq[3]) / 1000000.0f), 31.2));
    EXPECT_LT(freq[0], freq[1]);
}

// One strong bin in a quiet block: an area of shown points reads it only when
// the area holds that bin's point, whatever number of bins the graph leaves out.
TEST_F(MeasureWindows, BandPowerAreaOfShownPointsReadsTheBinsOfTheWholeBlock) {
    theApp.OnWindowIQ();
    ASSERT_TRUE(
        WaitFor([] { return theApp.m_bGraphCreated[3] == 1 && theApp.m_bGraphCreated[4] == 1; }, 5000));
    spectrum->OnModeBandPower();
    ASSERT_EQ(state().m_nSpectrumMode, 3);
    const int h = g_Marlix.GetExcludeCnt() / 2;
    ASSERT_GT(h, 100);
    DeviceDataStore& dd = g_Marlix.DeviceDataStore;
    std::fill(std::begin(dd.m_adSpectrum), std::end(dd.m_adSpectrum), -150.0);
    constexpr int kPeak = 200; // shown point of the strong bin
    dd.m_adSpectrum[h + kPeak] = -20.0;
    const double peak = g_Marlix.CalcuBandPower(h + kPeak, h + kPeak);
    ASSERT_GT(peak, -40.0);
    const struct {
        int first, last;
        bool holdsPeak;
    } areas[] = {{kPeak - 5, kPeak + 5, true},
                 {kPeak, kPeak, true},
                 {kPeak - 10, kPeak - 1, false},
                 {kPeak + 1, kPeak + 10, false},
                 {0, kPeak - 1, false}};
    for (const auto& a : areas) {
        SCOPED_TRACE(testing::Message() << a.first << ".." << a.last);
        ASSERT_EQ(theApp.GraphCall(theApp.m_pfnVarolGraph_SetBandPowerArea, 0, a.first, a.last), -1);
        Spy::bandText.clear();
        frame->SendMessage(WM_MEASURE_DATA, 0, 0);
        ASSERT_NE(Spy::bandText.find("dBm"), std::string::npos) << Spy::bandText;
        const double p = std::stod(Spy::bandText);
        if (a.holdsPeak)
            EXPECT_NEAR(p, peak, 0.01);
        else
            EXPECT_LT(p, peak - 80.0);
    }
}

TEST_F(MeasureWindows, TestNoticesAreRaisedOnlyInBandPowerMode) {
    theApp.OnWindowIQ();
    ASSERT_TRUE(
        WaitFor([] { return theApp.m_bGraphCreated[3] == 1 && theApp.m_bGraphCreated[4] == 1; }, 5000));
    RecordingParent notices;
    DeviceDataStore& dd = g_Marlix.DeviceDataStore;
    dd.m_hTestNotifyWnd = notices.GetSafeHwnd();
    dd.m_bBandPowerCheck = 1;
    state().m_nSpectrumMode = 0;
    frame->SendMessage(WM_MEASURE_DATA, 0, 0);
    EXPECT_TRUE(notices.Of(WM_BAND_POWER_TEST).empty());
    state().m_nSpectrumMode = 3; // no area set: the text stays, the notice still comes
    frame->SendMessage(WM_MEASURE_DATA, 0, 0);
    EXPECT_EQ(notices.Of(WM_BAND_POWER_TEST).size(), 1u);
    dd.m_hTestNotifyWnd = nullptr;
    dd.m_bBandPowerCheck = 0;
}

TEST_F(MeasureWindows, RenderTickPassesTheElapsedSecondsAndStopsWhileTheSessionIsAway) {
    theApp.OnWindowIQ();
    ASSERT_TRUE(WaitFor([] { return theApp.m_bGraphCreated[4] == 1; }, 5000));
    frame->m_dwLastRenderTick = GetTickCount() - 1500;
    Spy::rendered.clear();
    frame->RenderTick();
    for (int g : {0, 3, 4})
        EXPECT_NEAR(Spy::rendered[g], 1.5f, 0.1f) << g;
    frame->SendMessage(WM_WTSSESSION_CHANGE, WTS_REMOTE_DISCONNECT, 0);
    Spy::rendered.clear();
    frame->RenderTick();
    frame->SendMessage(WM_MEASURE_DATA, 0, 0);
    EXPECT_TRUE(Spy::rendered.empty());
    frame->SendMessage(WM_WTSSESSION_CHANGE, WTS_REMOTE_CONNECT, 0);
    EXPECT_EQ(theApp.m_bDrawEnabled, 1);
}

TEST_F(MeasureWindows, IQWindowSplitsInHalvesAndKeepsItsGraphsWhenHidden) {
    theApp.OnWindowIQ();
    auto* iq = qobject_cast<CIQFrame*>(theApp.m_pIQFrame);
    ASSERT_NE(iq, nullptr);
    ASSERT_TRUE(
        WaitFor([] { return theApp.m_bGraphCreated[3] == 1 && theApp.m_bGraphCreated[4] == 1; }, 5000));
    CIQView* v = iq->GetActiveView();
    v->Layout(600, 405);
    EXPECT_EQ(v->m_dlgI.geometry(), QRect(0, 0, 600, 200));
    EXPECT_EQ(v->m_dlgQ.geometry(), QRect(0, 200, 600, 200));
    iq->close();
    EXPECT_FALSE(iq->isVisible());
    EXPECT_EQ(theApp.m_bGraphShown[3], 0);
    EXPECT_EQ(theApp.m_bGraphShown[4], 0);
    theApp.OnWindowIQ();
    EXPECT_EQ(theApp.m_pIQFrame, iq);
    EXPECT_EQ(theApp.m_bGraphCreated[3], 1);
    EXPECT_EQ(theApp.m_bGraphShown[4], 1);
}

} // namespace

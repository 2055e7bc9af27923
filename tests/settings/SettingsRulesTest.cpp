// The settings pages' and the calibration dialog's rules, without a window:
// what each Apply, Cancel, timer and instrument answer sends, in which order.
#include <gtest/gtest.h>

#include <regex>

#include "DocTable.h"
#include "RecordingDevice.h"
#include "app/SettingKeyTable.h"
#include "mainframe/StatusText.h"
#include "settings/GraphPageModel.h"
#include "settings/ModuleCalModel.h"
#include "settings/PlayPageModel.h"
#include "settings/SystemPageModel.h"
#include "settings/ViewerPageModel.h"

namespace {
QStringList L(std::initializer_list<const char*> lines) {
    QStringList out;
    for (const char* l : lines)
        out << QString::fromLatin1(l);
    return out;
}
} // namespace

// ---------------------------------------------------------------- Play

TEST(PlayPage, InversionGoesOutOnceAfterTheTimerAndCancelSendsNothing) {
    RecordingDevice dev;
    dev.state.m_nZephyraFreqHz = 87900000;
    dev.state.m_sZephyraPower = -200;
    PlayPageModel play(dev);
    play.Load();
    EXPECT_EQ(play.m_strFrequency, QStringLiteral("87900000"));
    EXPECT_EQ(play.m_strGain, QStringLiteral("-20.0"));

    play.Choose(1);
    play.Revert();
    play.Apply();
    EXPECT_TRUE(dev.Take().isEmpty());

    play.Choose(1);
    play.Apply();
    EXPECT_EQ(dev.Take(), L({"timer 1 300ms"}));
    EXPECT_EQ(dev.state.m_nSpectralInv, 0); // not before the timer
    ASSERT_TRUE(dev.Fire(play, PlayPageModel::kInvertTimer));
    EXPECT_EQ(dev.Take(), L({"MX_CMD_SPECTRAL_INV 1 1", "SetSpectralInv 1"}));
    EXPECT_EQ(dev.state.m_nSpectralInv, 1);
    EXPECT_TRUE(dev.timers.empty());
    play.Apply();
    EXPECT_TRUE(dev.Take().isEmpty());
}

TEST(PlayPage, RefreshAppliesTheResolutionBandwidthAgainAndKeepsTheChoice) {
    RecordingDevice dev;
    PlayPageModel play(dev);
    play.Load();
    play.Choose(1);
    dev.state.m_nResBW = 2;
    dev.state.m_nZephyraFreqHz = 101100000;
    play.RefreshPlayValues();
    EXPECT_EQ(dev.Take(), L({"ResBW 2 state 2"}));
    EXPECT_EQ(play.m_strFrequency, QStringLiteral("101100000"));
    EXPECT_EQ(play.m_nSpectralInvChosen, 1);
}

// ---------------------------------------------------------------- Viewer

TEST(ViewerPage, CountParseStepAndClamp) {
    struct Case {
        const char* text;
        int step;
        std::uint32_t want;
    } cases[] = {
        {"0", -1, 100},   {"1", -1, 1},
        {"100", +1, 100}, {"-5", 0, 100},
        {"250", 0, 100},  {"0", 0, 1},
        {"  +7x", 0, 7},  {"abc", 0, 1},
        {"42", +1, 43},   {"99999999999999999999", 0, 100},
        {"-0", 0, 1},     {"4294967297", 0, 100},
    };
    for (const Case& c : cases)
        EXPECT_EQ(
            ViewerPageModel::ClampCount(ViewerPageModel::ParseCount(QString::fromLatin1(c.text)) + c.step),
            c.want)
            << c.text << " step " << c.step;
}

TEST(ViewerPage, ApplySendsOnlyWhatChangedInItsOrder) {
    RecordingDevice dev;
    dev.state.m_nResBW = 1;
    dev.state.m_nAverageType = 0;
    dev.state.m_nAverageCount = 10;
    dev.state.m_nUpdateSpeed = 1;
    ViewerPageModel v(dev);
    v.Load();
    EXPECT_EQ(v.m_strAverageCount, QStringLiteral("0"));

    v.ChooseUnit(2);
    v.ChooseResBW(3);
    v.ChooseAverageType(1);
    EXPECT_EQ(v.m_strAverageCount, QStringLiteral("10"));
    v.m_strAverageCount = QStringLiteral("250");
    v.ChooseMarker(2);
    v.ChooseUpdateSpeed(4);
    v.ChooseFreqStep(5);
    v.Apply();
    EXPECT_EQ(dev.Take(),
              L({"SetPowerUnit 2", "ResBW 3 state 1", "MX_CMD_RES_BW 1 3", "SetAverageType 1 100",
                 "SetMarkerCounts 2", "GraphMarkers 2", "timer 5 300ms", "SetFrequencyStep 5 state 5"}));
    EXPECT_EQ(v.m_strAverageCount, QStringLiteral("100"));
    EXPECT_EQ(dev.state.m_nResBW, 3);
    EXPECT_EQ(dev.state.m_nUpdateSpeed, 1);
    ASSERT_TRUE(dev.Fire(v, ViewerPageModel::kSpeedTimer));
    EXPECT_EQ(dev.Take(), L({"MX_CMD_UPDATE_SPEED 1 4"}));
    EXPECT_EQ(dev.state.m_nUpdateSpeed, 4);

    // Nothing changed: nothing sent, no timer, the count text made canonical.
    v.m_strAverageCount = QStringLiteral("0100");
    v.Apply();
    EXPECT_TRUE(dev.Take().isEmpty());
    EXPECT_EQ(v.m_strAverageCount, QStringLiteral("100"));
}

TEST(ViewerPage, AveragingOffEnterAndCancel) {
    RecordingDevice dev;
    dev.state.m_nAverageType = 1;
    dev.state.m_nAverageCount = 20;
    ViewerPageModel v(dev);
    v.Load();
    EXPECT_TRUE(v.CountEnabled());
    EXPECT_EQ(v.m_strAverageCount, QStringLiteral("20"));

    // Enter sends the typed count 300 ms later without committing it.
    v.m_strAverageCount = QStringLiteral("0");
    v.ApplyAverageCount();
    EXPECT_EQ(v.m_strAverageCount, QStringLiteral("1"));
    EXPECT_EQ(dev.Take(), L({"timer 2 300ms"}));
    ASSERT_TRUE(dev.Fire(v, ViewerPageModel::kAverageTimer));
    EXPECT_EQ(dev.Take(), L({"SetAverageType 1 1"}));
    EXPECT_EQ(v.m_nAverageCountApplied, 20);

    // Off shows "0" and Apply sends type 0 with the last chosen count.
    v.ChooseAverageType(0);
    EXPECT_FALSE(v.CountEnabled());
    EXPECT_EQ(v.m_strAverageCount, QStringLiteral("0"));
    v.Apply();
    EXPECT_EQ(dev.Take(), L({"SetAverageType 0 1"}));

    v.ChooseResBW(0);
    v.ChooseUpdateSpeed(3);
    v.Revert();
    v.Apply();
    EXPECT_TRUE(dev.Take().isEmpty());
}

// ---------------------------------------------------------------- System

TEST(SystemPage, LoadWritesTheThreePanes) {
    RecordingDevice dev;
    dev.state.m_nTrigger = 1;
    dev.state.m_nRef10MHz = 1;
    dev.state.m_nStorageDrive = 30;
    SystemPageModel s(dev);
    s.Load();
    EXPECT_EQ(dev.Take(), L({"pane 2 1", "pane 3 1", "pane 5 30"}));
    // The texts those values give: a drive outside the letters shows a blank.
    EXPECT_EQ(StatusText::PaneText(2, 1), QStringLiteral("Trigger On"));
    EXPECT_EQ(StatusText::PaneText(3, 1), QStringLiteral("Ref Ext"));
    EXPECT_EQ(StatusText::PaneText(5, 30), QStringLiteral(" "));
    EXPECT_EQ(StatusText::PaneText(5, unsigned(-1)), QStringLiteral(" "));
    EXPECT_EQ(StatusText::PaneText(5, 5), QStringLiteral("F:\\"));
    EXPECT_EQ(SystemPageModel::DriveText(-1), QString());
    EXPECT_EQ(SystemPageModel::DriveText(25), QString());
}

TEST(SystemPage, ReferenceAtOnceTriggersAfterTheirTimers) {
    RecordingDevice dev;
    SystemPageModel s(dev);
    s.Load();
    dev.Take();
    s.ChooseRef(1);
    s.ChooseTrigger(1);
    s.ChooseTriggerOut(1);
    s.Apply();
    EXPECT_EQ(dev.Take(),
              L({"MX_CMD_REF_10MHZ 1 1", "pane 3 1", "pane 2 1", "timer 4 300ms", "timer 6 300ms"}));
    EXPECT_EQ(dev.state.m_nRef10MHz, 1);
    EXPECT_EQ(dev.state.m_nTrigger, 0);
    ASSERT_TRUE(dev.Fire(s, SystemPageModel::kTriggerTimer));
    ASSERT_TRUE(dev.Fire(s, SystemPageModel::kTriggerOutTimer));
    EXPECT_EQ(dev.Take(), L({"MX_CMD_TRIGGER 1 1", "MX_CMD_TRIGGER_OUT 1 1"}));
    EXPECT_EQ(dev.state.m_nTrigger, 1);
    EXPECT_EQ(dev.state.m_nTriggerOut, 1);
    s.Apply();
    EXPECT_TRUE(dev.Take().isEmpty());
}

TEST(SystemPage, ExternalStorageDrivesFromTheInstrumentAndApply) {
    RecordingDevice dev;
    SystemPageModel s(dev);
    s.Load();
    dev.Take();
    s.ClickStorage(1);
    EXPECT_EQ(dev.Take(), L({"MX_CMD_STORAGE 1 1"}));
    EXPECT_EQ(s.m_lstDrives, QStringList{QStringLiteral("Select")});
    EXPECT_TRUE(s.m_bDriveListEnabled);
    for (unsigned d : {4u, 5u, 5u, 3u, 26u, 4u})
        s.OnDriveFound(d);
    EXPECT_EQ(s.m_lstDrives, (QStringList{"Select", "E:\\", "F:\\"}));
    EXPECT_EQ(s.m_nDriveCount, 2);

    s.ChooseDriveEntry(0);
    EXPECT_EQ(s.m_nDriveChosen, 3);
    s.ChooseDriveEntry(2);
    EXPECT_EQ(s.m_nDriveChosen, 5);
    s.Apply();
    EXPECT_EQ(dev.Take(), L({"MX_CMD_STORAGE_DRIVE 1 5", "pane 5 5"}));
    EXPECT_EQ(dev.state.m_nStorageDrive, 5);

    // Another choice, then Cancel: the applied drive (the last entry) shows again.
    s.ChooseDriveEntry(1);
    s.Revert();
    EXPECT_EQ(s.m_nDriveEntry, 2);
    EXPECT_TRUE(dev.Take().isEmpty()); // the device already has drive 5

    s.OnDriveListReset();
    EXPECT_EQ(s.m_lstDrives, QStringList{QStringLiteral("Select")});
}

TEST(SystemPage, NoExternalDriveFallsBackToInternal) {
    RecordingDevice dev;
    dev.state.m_nStorage = 1;
    dev.state.m_nStorageDrive = 4;
    SystemPageModel s(dev);
    s.Load();
    dev.Take();
    s.OnDriveFound(25);
    EXPECT_EQ(dev.Take(), L({"MX_CMD_STORAGE 1 0", "MX_CMD_STORAGE_DRIVE 1 3", "pane 5 3"}));
    EXPECT_EQ(s.m_nStorageChosen, 0);
    EXPECT_FALSE(s.m_bDriveListEnabled);
    // Already internal (an answer to internal storage or to a rescan in it):
    // nothing goes out again, or the instrument's answer would be sent once more.
    s.OnDriveFound(25);
    EXPECT_TRUE(dev.Take().isEmpty());
    EXPECT_FALSE(s.m_bDriveListEnabled);
}

// An instrument that answers internal storage with a drive-list reset and
// drive 25, as a rescan in internal mode is answered.
TEST(SystemPage, AnAnswerToInternalStorageNeverSendsItAgain) {
    RecordingDevice dev;
    SystemPageModel s(dev);
    s.Load();
    dev.Take();
    s.ClickStorage(1);
    s.OnDriveListReset();
    s.OnDriveFound(4);
    s.ClickStorage(0);
    int storageSent = 0;
    for (int round = 0; round < 50; ++round) {
        const QStringList out = dev.Take();
        const int n = int(out.filter(QStringLiteral("MX_CMD_STORAGE 1 0")).size());
        if (n == 0)
            break;
        storageSent += n;
        s.OnDriveListReset();
        s.OnDriveFound(25);
    }
    EXPECT_EQ(storageSent, 1);
    EXPECT_TRUE(dev.Take().isEmpty());
}

TEST(SystemPage, LoadedExternalStorageShowsAndOkSendsNothing) {
    RecordingDevice dev;
    dev.state.m_nStorage = 1;
    dev.state.m_nStorageDrive = 5;
    SystemPageModel s(dev);
    s.Load();
    dev.Take();
    EXPECT_EQ(s.m_nStorageChosen, 1);
    EXPECT_TRUE(s.m_bDriveListEnabled);
    EXPECT_EQ(s.m_nDriveEntry, 0); // not listed by the instrument (yet): "Select"
    s.Apply();
    s.Revert();
    s.OnDriveFound(4);
    s.OnDriveFound(5);
    s.Load();
    EXPECT_EQ(s.m_lstDrives.value(s.m_nDriveEntry), QStringLiteral("F:\\"));
    s.Apply();
    EXPECT_EQ(dev.Take(), L({"pane 2 0", "pane 3 0", "pane 5 5"}));
}

TEST(SystemPage, CancelAfterAStorageClickSendsTheAppliedStorageAgain) {
    RecordingDevice dev;
    SystemPageModel s(dev);
    s.Load();
    dev.Take();
    s.ClickStorage(1);
    s.Revert();
    EXPECT_EQ(dev.Take(), L({"MX_CMD_STORAGE 1 1", "MX_CMD_STORAGE 1 0"}));
    EXPECT_EQ(dev.state.m_nStorage, 0);
}

TEST(SystemPage, RescanIsRefusedWhileRecording) {
    RecordingDevice dev;
    SystemPageModel s(dev);
    s.RescanDisk();
    dev.state.m_nPlayMode = 2;
    ASSERT_TRUE(dev.Fire(s, SystemPageModel::kRescanTimer));
    s.RescanDisk();
    dev.state.m_nPlayMode = 9;
    ASSERT_TRUE(dev.Fire(s, SystemPageModel::kRescanTimer));
    EXPECT_EQ(dev.Take(), L({"timer 5 300ms", "box Recording not supported", "timer 5 300ms",
                             "MX_CMD_RESCAN_DISK 1 size 0"}));
}

// ---------------------------------------------------------------- Page timers

// Each Apply (or Enter) re-arms its page's one-shot; only the last value goes
// out, and only when the timer fires.
TEST(PageTimers, EveryCommitRearmsTheTimerAndTheLastValueGoesOut) {
    RecordingDevice dev;
    PlayPageModel play(dev);
    play.Load();
    for (int inv : {1, 0, 1}) {
        play.Choose(inv);
        play.Apply();
    }
    EXPECT_EQ(dev.Take(), L({"timer 1 300ms", "timer 1 300ms", "timer 1 300ms"}));
    ASSERT_TRUE(dev.Fire(play, PlayPageModel::kInvertTimer));
    EXPECT_EQ(dev.Take(), L({"MX_CMD_SPECTRAL_INV 1 1", "SetSpectralInv 1"}));

    ViewerPageModel v(dev);
    dev.state.m_nAverageType = 1;
    v.Load();
    for (int speed : {2, 3}) {
        v.ChooseUpdateSpeed(speed);
        v.Apply();
    }
    for (const char* count : {"5", "6"}) {
        v.m_strAverageCount = QString::fromLatin1(count);
        v.ApplyAverageCount();
    }
    EXPECT_EQ(dev.Take(), L({"timer 5 300ms", "timer 5 300ms", "timer 2 300ms", "timer 2 300ms"}));
    ASSERT_TRUE(dev.Fire(v, ViewerPageModel::kSpeedTimer));
    ASSERT_TRUE(dev.Fire(v, ViewerPageModel::kAverageTimer));
    EXPECT_EQ(dev.Take(), L({"MX_CMD_UPDATE_SPEED 1 3", "SetAverageType 1 6"}));

    SystemPageModel s(dev);
    s.Load();
    dev.Take();
    for (int on : {1, 0, 1}) {
        s.ChooseTrigger(on);
        s.ChooseTriggerOut(on);
        s.Apply();
    }
    EXPECT_EQ(dev.Take().filter(QStringLiteral("timer")).size(), 6);
    ASSERT_TRUE(dev.Fire(s, SystemPageModel::kTriggerTimer));
    ASSERT_TRUE(dev.Fire(s, SystemPageModel::kTriggerOutTimer));
    EXPECT_EQ(dev.Take(), L({"MX_CMD_TRIGGER 1 1", "MX_CMD_TRIGGER_OUT 1 1"}));
}

// Apply or Ok, then a Setting menu command (every page reloads) before the
// timer fires: the value applied is the value sent, and the page shows it.
TEST(PageTimers, AReloadBeforeTheTimerFiresKeepsTheAppliedValue) {
    RecordingDevice dev;
    dev.state.m_nUpdateSpeed = 1;
    dev.state.m_nAverageType = 1;
    dev.state.m_nAverageCount = 20;
    PlayPageModel play(dev);
    ViewerPageModel v(dev);
    SystemPageModel s(dev);
    play.Load();
    v.Load();
    s.Load();
    play.Choose(1);
    play.Apply();
    v.ChooseUpdateSpeed(4);
    v.Apply();
    v.m_strAverageCount = QStringLiteral("30");
    v.ApplyAverageCount();
    s.ChooseTrigger(1);
    s.ChooseTriggerOut(1);
    s.Apply();
    dev.Take();

    play.Load();
    v.Load();
    s.Load();
    EXPECT_EQ(play.m_nSpectralInvChosen, 1);
    EXPECT_EQ(v.m_nSpeedChosen, 4);
    EXPECT_EQ(v.m_strAverageCount, QStringLiteral("30"));
    EXPECT_EQ(s.m_nTriggerChosen, 1);
    EXPECT_EQ(s.m_nTriggerOutChosen, 1);
    EXPECT_EQ(dev.Take().value(0), QStringLiteral("pane 2 1")); // "Trigger On" stays

    // A choice made after Apply is only a choice: the send keeps what was applied.
    play.Choose(0);
    v.ChooseUpdateSpeed(2);
    ASSERT_TRUE(dev.Fire(play, PlayPageModel::kInvertTimer));
    ASSERT_TRUE(dev.Fire(v, ViewerPageModel::kSpeedTimer));
    ASSERT_TRUE(dev.Fire(v, ViewerPageModel::kAverageTimer));
    ASSERT_TRUE(dev.Fire(s, SystemPageModel::kTriggerTimer));
    ASSERT_TRUE(dev.Fire(s, SystemPageModel::kTriggerOutTimer));
    EXPECT_EQ(dev.Take(), L({"MX_CMD_SPECTRAL_INV 1 1", "SetSpectralInv 1", "MX_CMD_UPDATE_SPEED 1 4",
                             "SetAverageType 1 30", "MX_CMD_TRIGGER 1 1", "MX_CMD_TRIGGER_OUT 1 1"}));
    EXPECT_EQ(dev.state.m_nSpectralInv, 1);
    EXPECT_EQ(dev.state.m_nUpdateSpeed, 4);
    EXPECT_EQ(v.m_nSpeedChosen, 2);
    // The later choices go out on the next Apply.
    play.Apply();
    v.Apply();
    EXPECT_EQ(dev.Take(), L({"timer 1 300ms", "timer 5 300ms"}));
    ASSERT_TRUE(dev.Fire(play, PlayPageModel::kInvertTimer));
    ASSERT_TRUE(dev.Fire(v, ViewerPageModel::kSpeedTimer));
    EXPECT_EQ(dev.Take(), L({"MX_CMD_SPECTRAL_INV 1 0", "SetSpectralInv 0", "MX_CMD_UPDATE_SPEED 1 2"}));
}

// ---------------------------------------------------------------- Graph

TEST(GraphPage, ColourEncodings) {
    struct Case {
        int index;
        std::uint32_t stored, shown;
    } cases[] = {
        {0, 0xFF000000u, 0x000000u}, {0, 0xFFFF0000u, 0x0000FFu}, {6, 0xAAE87A0Eu, 0x0E7AE8u},
        {3, 0x000E7AE8u, 0x0E7AE8u}, {4, 0x00F0CAA6u, 0xF0CAA6u}, {10, 0xAA00FFFFu, 0xFFFF00u},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GraphPageModel::ToShown(c.index, c.stored), c.shown) << c.index;
        EXPECT_EQ(GraphPageModel::ToStored(c.index, c.shown, c.stored), c.stored) << c.index;
    }
    // A pick keeps the alpha of the applied colour; colour references have none.
    EXPECT_EQ(GraphPageModel::ToStored(5, 0x0000FFu, 0x7F123456u), 0x7FFF0000u);
    EXPECT_EQ(GraphPageModel::ToStored(4, 0x0000FFu, 0xFFFFFFFFu), 0x000000FFu);
}

TEST(GraphPage, PickPreviewsAndCancelRestores) {
    RecordingDevice dev;
    GraphPageModel g(dev);
    g.Load();
    std::vector<std::uint32_t> starts;
    auto red = [&](std::uint32_t start) -> std::optional<std::uint32_t> {
        starts.push_back(start);
        return 0x0000FFu;
    };
    auto cancel = [&](std::uint32_t start) -> std::optional<std::uint32_t> {
        starts.push_back(start);
        return std::nullopt;
    };
    EXPECT_EQ(g.PickColor(0, 0, red), 0x0000FFu);
    EXPECT_EQ(g.GetColor(0, 0, true), 0xFFFF0000u);
    g.PreviewColors(0);
    EXPECT_EQ(dev.state.m_aGraphColors[0].m_clrBG, 0xFFFF0000u);
    EXPECT_EQ(dev.Take(), L({"ApplyGraphColors 0 bg ffff0000"}));

    // A second pick starts on the colour being edited; a cancelled one keeps it shown.
    EXPECT_EQ(g.PickColor(0, 0, cancel), 0x0000FFu);
    EXPECT_EQ(starts, (std::vector<std::uint32_t>{0x000000u, 0x0000FFu}));
    EXPECT_EQ(g.GetColor(0, 0, true), 0xFFFF0000u);

    EXPECT_EQ(g.PickColor(0, 4, red), 0x0000FFu);
    EXPECT_EQ(g.GetColor(0, 4, true), 0x000000FFu);

    g.RevertColors(0);
    EXPECT_EQ(dev.state.m_aGraphColors[0].m_clrBG, 0xFF000000u);
    EXPECT_EQ(g.GetColor(0, 4, true), 0x00F0CAA6u);
    EXPECT_EQ(dev.Take(), L({"ApplyGraphColors 0 bg ff000000"}));
    EXPECT_EQ(g.GetColor(1, 0, true), GraphPageModel::kNoColor);
    EXPECT_EQ(g.GetColor(0, 11, false), GraphPageModel::kNoColor);
}

// A reload while the dialog is open (a Setting menu command, a mode change)
// reads the device state, which holds the preview: it stays a preview.
TEST(GraphPage, APreviewStaysAPreviewAcrossAReload) {
    RecordingDevice dev;
    GraphPageModel g(dev);
    g.Load();
    g.PickColor(0, 0, [](std::uint32_t) { return std::optional<std::uint32_t>(0x0000FFu); });
    g.PreviewColors(0);
    g.Default(3);
    g.Load();
    EXPECT_EQ(g.GetColor(0, 0, false), 0xFF000000u);
    EXPECT_EQ(g.GetColor(0, 0, true), 0xFFFF0000u);
    dev.Take();
    g.RevertColors(0);
    g.RevertColors(3);
    EXPECT_EQ(dev.state.m_aGraphColors[0].m_clrBG, 0xFF000000u);
    EXPECT_EQ(dev.state.m_aGraphColors[3].m_clrData, GraphColorSet{}.m_clrData);

    // Committed, then reloaded: the commit is the applied colour.
    g.PickColor(0, 0, [](std::uint32_t) { return std::optional<std::uint32_t>(0x0000FFu); });
    g.PreviewColors(0);
    g.ApplyColors(0);
    g.Load();
    g.RevertColors(0);
    EXPECT_EQ(dev.state.m_aGraphColors[0].m_clrBG, 0xFFFF0000u);
}

TEST(GraphPage, ApplyWritesEveryKeyOfTheSetAndDefaultIsOnlyAPreview) {
    RecordingDevice dev;
    for (auto& set : dev.state.m_aGraphColors)
        set.m_clrBG = 0xFF112233u;
    GraphPageModel g(dev);
    g.Load();
    g.Default(3);
    EXPECT_EQ(dev.Take(), L({"ApplyGraphColors 3 bg ff000000", "ApplyGraphColors 4 bg ff000000"}));
    EXPECT_EQ(g.GetColor(3, 0, false), 0xFF112233u);
    for (int set = 0; set < 4; ++set)
        g.ApplyColors(set);
    QStringList want{"ApplyGraphColors 0 bg ff112233"};
    for (int k = KEY_SPEC_BG_COLOR; k <= KEY_SPEC_MINHOLD_COLOR; ++k)
        want << QStringLiteral("Save %1").arg(k);
    want << QStringLiteral("ApplyGraphColors 3 bg ff000000")
         << QStringLiteral("ApplyGraphColors 4 bg ff000000");
    for (int k = KEY_IQ_BG_COLOR; k <= KEY_IQ_MINHOLD_COLOR; ++k)
        want << QStringLiteral("Save %1").arg(k);
    EXPECT_EQ(dev.Take(), want);
    EXPECT_EQ(dev.state.m_aGraphColors[3].m_clrBG, 0xFF000000u);
    EXPECT_EQ(dev.state.m_aGraphColors[1].m_clrBG, 0xFF112233u);
}

// ---------------------------------------------------------------- Calibration

TEST(ModuleCal, TypedValueToTenths) {
    struct Case {
        const char* text;
        std::optional<std::int32_t> want;
    } cases[] = {
        {"12.37", 123},
        {"-2.5", -25},
        {"  3.x", 30},
        {"1,5", 10},
        {"abc", std::nullopt},
        {"", std::nullopt},
        {".", std::nullopt},
        {"-0.05", 0},
        {"2e2", 2000},
        {"1e9", std::nullopt},
        {"214748364.7", 2147483647},
        {"-214748364.8", -2147483647 - 1},
        {"nan", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ModuleCalModel::ParseTenths(QString::fromLatin1(c.text)), c.want) << c.text;
}

TEST(ModuleCal, ListsAndTheirTexts) {
    struct Case {
        int id;
        std::size_t count;
        const char* first;
        const char* last;
    } cases[] = {
        {1350, 275, "1.000 MHz", "2700.000 MHz"}, {1501, 9, "0.100 MHz", "47.900 MHz"},
        {1521, 31, "10.0 dBm", "-110.0 dBm"},     {1520, 267, "48.000 MHz", "2700.000 MHz"},
        {1522, 30, "3.0 dBm", "-110.0 dBm"},      {1494, 267, "48.000 MHz", "2700.000 MHz"},
        {1499, 9, "0.100 MHz", "47.900 MHz"},     {1500, 6, "0.100 MHz", "2.000 MHz"},
        {1493, 14, "10.0 dBm", "-55.0 dBm"},      {1502, 6, "-30.0 dBm", "-55.0 dBm"},
        {1492, 12, "10.0 dBm", "-45.0 dBm"},      {1514, 12, "10.0 dBm", "-45.0 dBm"},
    };
    EXPECT_EQ(ModuleCalModel::Lists().size(), 13u);
    for (const Case& c : cases) {
        const auto* l = ModuleCalModel::FindList(c.id);
        ASSERT_NE(l, nullptr) << c.id;
        const QStringList texts = ModuleCalModel::ItemTexts(*l);
        EXPECT_EQ(std::size_t(texts.size()), c.count) << c.id;
        EXPECT_EQ(texts.front(), QString::fromLatin1(c.first)) << c.id;
        EXPECT_EQ(texts.back(), QString::fromLatin1(c.last)) << c.id;
    }
}

TEST(ModuleCal, SetNeverWritesAValueNobodyReadOrTyped) {
    RecordingDevice dev;
    ModuleCalModel cal(dev);
    cal.Refresh();
    EXPECT_EQ(dev.Take(), L({"MX_CMD_TEXT_COMMAND 1 \"debugmarlix 1\" 26",
                             "MX_CMD_TEXT_COMMAND 1 \"nios debugnios 1\" 32"}));
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(cal.Set(i));
    cal.Step(0, +1);
    EXPECT_FALSE(cal.IsKnown(0));
    EXPECT_TRUE(dev.Take().isEmpty());

    // Typed: the edit shows the tenths that will be sent.
    cal.EditDone(0, QStringLiteral("12.37"));
    EXPECT_EQ(cal.m_astrEdit[0], QStringLiteral("12.3"));
    EXPECT_TRUE(cal.Set(0));
    // Read back from the instrument.
    cal.OnCalValue(1, -25);
    EXPECT_EQ(cal.m_astrEdit[1], QStringLiteral("-2.5"));
    cal.Step(1, +1);
    EXPECT_TRUE(cal.Set(1));
    cal.OnCalValue(3, 7);
    cal.OnCalValue(2, std::int64_t(1) << 40);
    EXPECT_FALSE(cal.Set(2));
    EXPECT_EQ(dev.Take(), L({"MX_CMD_MODULE_CAL 168 123", "MX_CMD_MODULE_CAL 169 -24"}));

    // Get forgets the value until the answer arrives.
    cal.Get(1);
    EXPECT_EQ(cal.m_astrEdit[1], QString());
    EXPECT_FALSE(cal.Set(1));
    EXPECT_EQ(dev.Take(), L({"MX_CMD_MODULE_CAL 172 size 0"}));

    // Text that is no number makes the value unknown again; steps stop at the 32-bit ends.
    cal.EditDone(0, QStringLiteral("x"));
    EXPECT_FALSE(cal.Set(0));
    cal.OnCalValue(0, 2147483647);
    cal.Step(0, +1);
    EXPECT_EQ(cal.m_anCalValue[0], 2147483647);
    cal.Refresh();
    EXPECT_FALSE(cal.IsKnown(0));
}

// What the edit shows is what Set sends and what the arrows step from, from
// the first keystroke on: no need to leave the edit first.
TEST(ModuleCal, ATypedNumberIsTheValueAtOnce) {
    RecordingDevice dev;
    ModuleCalModel cal(dev);
    cal.Refresh();
    dev.Take();
    cal.EditChanged(0, QStringLiteral("12.37"));
    EXPECT_TRUE(cal.IsKnown(0));
    EXPECT_EQ(cal.m_astrEdit[0], QStringLiteral("12.37")); // left as typed while typing
    EXPECT_TRUE(cal.Set(0));
    cal.OnCalValue(1, 10);
    cal.EditChanged(1, QStringLiteral("5"));
    cal.Step(1, +1);
    EXPECT_EQ(cal.m_astrEdit[1], QStringLiteral("5.1"));
    EXPECT_TRUE(cal.Set(1));
    // A text that is no number (yet) cannot be sent or stepped.
    cal.EditChanged(1, QStringLiteral("-"));
    EXPECT_FALSE(cal.IsKnown(1));
    cal.Step(1, +1);
    EXPECT_EQ(cal.m_astrEdit[1], QStringLiteral("-"));
    EXPECT_FALSE(cal.Set(1));
    EXPECT_EQ(dev.Take(), L({"MX_CMD_MODULE_CAL 168 123", "MX_CMD_MODULE_CAL 169 51"}));
}

TEST(ModuleCal, AttenuatorTexts) {
    RecordingDevice dev;
    ModuleCalModel cal(dev);
    EXPECT_TRUE(cal.LFSet());
    EXPECT_TRUE(cal.HFSet());
    cal.SelectLF(0, 3); // -2.0 dBm
    cal.SelectHF(266, 29);
    EXPECT_TRUE(cal.LFSet());
    EXPECT_TRUE(cal.HFSet());
    EXPECT_EQ(dev.Take(), L({"MX_CMD_TEXT_COMMAND 1 \"nios att rw 5 000186A0\" 44",
                             "MX_CMD_TEXT_COMMAND 1 \"nios att rw 6 00000064\" 44",
                             "MX_CMD_TEXT_COMMAND 1 \"nios att rw 5 02DC6C00\" 44",
                             "MX_CMD_TEXT_COMMAND 1 \"nios att rw 6 0000001E\" 44",
                             "MX_CMD_TEXT_COMMAND 1 \"nios att rw 5 000186A0\" 44",
                             "MX_CMD_TEXT_COMMAND 1 \"nios att rw 6 FFFFFFEC\" 44",
                             // 2700 MHz needs all 32 bits: no signed overflow on the way.
                             "MX_CMD_TEXT_COMMAND 1 \"nios att rw 5 A0EEBB00\" 44",
                             "MX_CMD_TEXT_COMMAND 1 \"nios att rw 6 FFFFFBB4\" 44"}));
    EXPECT_EQ(ModuleCalModel::EntryHz(-1), std::nullopt);
    EXPECT_EQ(ModuleCalModel::EntryHz(42950), std::nullopt);
    cal.SelectLF(9, 0);
    EXPECT_FALSE(cal.LFSet());
    EXPECT_TRUE(dev.Take().isEmpty());
}

// The link document gives the console lines an instrument receives, in the
// order they come, and the drive indices the System page takes.
TEST(LinkDocument, ConsoleCommandsAreTheLinesTheCalibrationDialogSends) {
    const std::string doc = ReadSourceFile(ZEPHYRA_SOURCE_DIR "/docs/link-protocol.md");
    std::vector<std::regex> lines;
    for (const std::string& row : TableAfterHeading(doc, "### Console commands")) {
        std::smatch m;
        if (!std::regex_search(row, m, std::regex(R"re(\| "([^"]+)" \|)re")))
            continue;
        std::string pattern = m[1].str();
        const std::size_t hex = pattern.find("%08X");
        if (hex != std::string::npos)
            pattern.replace(hex, 4, "[0-9A-F]{8}");
        lines.emplace_back(pattern);
    }
    ASSERT_EQ(lines.size(), 4u);
    RecordingDevice dev;
    ModuleCalModel cal(dev);
    cal.Refresh();
    EXPECT_TRUE(cal.LFSet());
    EXPECT_TRUE(cal.HFSet());
    QStringList sent;
    for (const QString& l : dev.Take())
        if (l.startsWith(QStringLiteral("MX_CMD_TEXT_COMMAND")))
            sent << l.section(QLatin1Char('"'), 1, 1);
    const int row[] = {0, 1, 2, 3, 2, 3};
    ASSERT_EQ(sent.size(), 6);
    for (int i = 0; i < 6; ++i)
        EXPECT_TRUE(std::regex_match(sent[i].toStdString(), lines[std::size_t(row[i])]))
            << sent[i].toStdString();
}

TEST(LinkDocument, DriveIndicesAreThoseTheSystemPageTakes) {
    const std::string doc = ReadSourceFile(ZEPHYRA_SOURCE_DIR "/docs/link-protocol.md");
    std::vector<std::pair<int, int>> ranges;
    for (const std::string& row : TableAfterHeading(doc, "### Drives")) {
        std::smatch m;
        if (std::regex_search(row, m, std::regex(R"(^\| (\d+) \.\. (\d+) \|)")))
            ranges.emplace_back(std::stoi(m[1].str()), std::stoi(m[2].str()));
        else if (std::regex_search(row, m, std::regex(R"(^\| (\d+) \|)")))
            ranges.emplace_back(std::stoi(m[1].str()), std::stoi(m[1].str()));
    }
    const std::vector<std::pair<int, int>> want = {
        {0, SystemPageModel::kFirstExternalDrive - 1},
        {SystemPageModel::kFirstExternalDrive, SystemPageModel::kLastDrive},
        {SystemPageModel::kNoExternalDrive, SystemPageModel::kNoExternalDrive}};
    EXPECT_EQ(ranges, want);
}

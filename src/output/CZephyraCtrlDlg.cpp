#include "output/CZephyraCtrlDlg.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QWheelEvent>

#include "ImageLayout.h"
#include "app/MarlixExApp.h"
#include "controls/BitmapResource.h"
#include "controls/CBitmapSlider.h"
#include "controls/CKbcButton.h"
#include "controls/CRoundSliderCtrl.h"
#include "controls/ControlMessages.h"
#include "device/MarlixMFC.h"
#include "mainframe/MainFrm.h"
#include "output/CPaneDialogCaptuePlayCtrlBar.h"
#include "output/FrontPanelRules.h"
#include "views/SpectrumView.h"

using namespace frontpanel;

namespace {
DeviceState& DS() {
    return theApp.State();
}

bool IsFreqId(UINT id) {
    return id >= kFreqFirst && id <= kFreqLast;
}
bool IsClockId(UINT id) {
    return id >= kClockFirst && id <= kClockLast;
}
bool IsLevelId(UINT id) {
    return id >= kLevelFirst && id <= kLevelLast;
}

CellKind KindOf(UINT id) {
    if (IsFreqId(id))
        return RowCellKind(int(id - kFreqFirst), false);
    if (IsClockId(id))
        return RowCellKind(int(id - kClockFirst), true);
    return LevelCellKind(int(id - kLevelFirst));
}

int CellWidth(CellKind kind) {
    switch (kind) {
    case CellKind::Comma:
    case CellKind::Point:
        return imglayout::kSepW;
    case CellKind::Sign:
        return imglayout::kSignW;
    case CellKind::Digit:
        break;
    }
    return imglayout::kDigitW;
}

// Digit mode with the cell's own range and bitmaps; disabled, showing `value`.
void SetUpCell(CBitmapSlider* cell, CellKind kind, int value) {
    cell->m_bDigitMode = 1;
    cell->m_nMin = 0;
    cell->m_nMax = kind == CellKind::Digit ? 9 : (kind == CellKind::Sign ? 1 : 0);
    cell->m_nPage = 1;
    const CellBitmaps bitmaps = BitmapsOf(kind);
    cell->m_nDigitBmpHighlight = bitmaps.highlight;
    cell->m_nDigitBmpNormal = bitmaps.normal;
    cell->SetDigitBitmap(value, 0);
    cell->SetPos(value);
}

void EnableCell(CBitmapSlider* cell, bool on) {
    cell->m_bEnable = on ? 1 : 0;
    if (!on && cell->m_bLButtonDown) {
        cell->m_bLButtonDown = 0;
        cell->ReleaseCapture();
    }
    cell->update();
}

bool IsKnobStepKey(const QKeyEvent* k) {
    const bool keypad = (k->modifiers() & Qt::KeypadModifier) != 0;
    switch (k->key()) {
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        return true;
    case Qt::Key_Plus:
    case Qt::Key_Minus:
        return keypad;
    default:
        return false;
    }
}

// The knob's own direction: Page Up, Right, Up and keypad plus turn toward +10.
bool KnobKeyRaises(const QKeyEvent* k) {
    switch (k->key()) {
    case Qt::Key_PageUp:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Plus:
        return true;
    default:
        return false;
    }
}

bool IsEnterOrEscape(const QKeyEvent* k) {
    return k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter || k->key() == Qt::Key_Escape;
}
} // namespace

BEGIN_MESSAGE_MAP(CZephyraCtrlDlg, CMsgTarget)
ON_COMMAND_RANGE(kStepFirst, kStepLast, &CZephyraCtrlDlg::OnStepButton)
ON_COMMAND_RANGE(kPresetFirst, kPresetLast, &CZephyraCtrlDlg::OnPreset)
ON_MESSAGE(WM_SLIDER_MOVED, &CZephyraCtrlDlg::OnSliderMoved)
ON_MESSAGE(WM_SLIDER_DIGIT_LEAVE, &CZephyraCtrlDlg::OnSliderDigitLeave)
ON_MESSAGE(WM_SLIDER_STEP, &CZephyraCtrlDlg::OnSliderStep)
ON_MESSAGE(WM_KNOB_CHANGED, &CZephyraCtrlDlg::OnKnobChanged)
END_MESSAGE_MAP()

CZephyraCtrlDlg::CZephyraCtrlDlg(QWidget* parent) : QDialog(parent, Qt::Widget), CMsgTarget(this) {
    setObjectName(QString::number(IDD));
    CreateControls();
}

CZephyraCtrlDlg::~CZephyraCtrlDlg() = default;

// The template: background picture, then the controls in tab order.
void CZephyraCtrlDlg::CreateControls() {
    using namespace imglayout;
    resize(kPanelW, kPanelH);
    m_pBackground = new QLabel(this);
    m_pBackground->setObjectName(QString::number(kBackgroundId));
    m_pBackground->setGeometry(0, 0, kPanelW, kPanelH);
    const QImage back = ctl::LoadBitmapResource(464);
    if (!back.isNull())
        m_pBackground->setPixmap(QPixmap::fromImage(back));

    auto makeRow = [this](std::array<CBitmapSlider*, 13>& row, UINT first, int y) {
        int x = kRowX;
        for (int i = 0; i < kRowCells; ++i) {
            const UINT id = first + UINT(i);
            const CellKind kind = KindOf(id);
            auto* cell = new CBitmapSlider(this, id);
            cell->setObjectName(QString::number(id));
            cell->setGeometry(x, y, CellWidth(kind), kCellH);
            // Separators and the point are no stops for the focus.
            cell->setFocusPolicy(kind == CellKind::Digit ? Qt::StrongFocus : Qt::NoFocus);
            x += CellWidth(kind);
            row[std::size_t(i)] = cell;
        }
    };
    makeRow(m_aFreqCells, kFreqFirst, kFreqRowY);

    auto makeButton = [this](UINT id, int x, int y, int w, int h) {
        auto* b = new CKbcButton(this, id);
        b->setObjectName(QString::number(id));
        b->setGeometry(x, y, w, h); // kept when its picture is missing
        BindCommand(b, id);
        return b;
    };
    std::size_t nButton = 0;
    for (int i = 0; i < 10; ++i) {
        const int y = i < 5 ? kPresetRowAmY : kPresetRowFmY;
        m_aButtons[nButton++] = makeButton(kPresetButtons[std::size_t(i)].id, 6 + (i % 5) * (kPresetW + 1), y,
                                           kPresetW, kPresetH);
    }

    m_knob = new CRoundSliderCtrl(this, kKnobId);
    m_knob->setObjectName(QString::number(kKnobId));
    m_knob->setGeometry(kDialX, kDialY, kDialSize, kDialSize);
    m_knob->setFocusPolicy(Qt::StrongFocus);

    for (int i = 0; i < 4; ++i)
        m_aButtons[nButton++] =
            makeButton(kStepButtons[std::size_t(i)].id, 6 + i * (kStepW + 1), kStepRowY, kStepW, kStepH);

    int x = kLevelRowX;
    for (int i = 0; i < kLevelCells; ++i) {
        const UINT id = kLevelFirst + UINT(i);
        const CellKind kind = KindOf(id);
        auto* cell = new CBitmapSlider(this, id);
        cell->setObjectName(QString::number(id));
        cell->setGeometry(x, kLevelRowY, CellWidth(kind), kCellH);
        cell->setFocusPolicy(kind == CellKind::Digit ? Qt::StrongFocus : Qt::NoFocus);
        x += CellWidth(kind);
        m_aLevelCells[std::size_t(i)] = cell;
    }
    makeRow(m_aClockCells, kClockFirst, kClockRowY);

    for (QWidget* w : findChildren<QWidget*>())
        w->installEventFilter(this);
}

CBitmapSlider* CZephyraCtrlDlg::Cell(UINT nID) const {
    if (IsFreqId(nID))
        return m_aFreqCells[nID - kFreqFirst];
    if (IsLevelId(nID))
        return m_aLevelCells[nID - kLevelFirst];
    if (IsClockId(nID))
        return m_aClockCells[nID - kClockFirst];
    return nullptr;
}

CKbcButton* CZephyraCtrlDlg::Button(UINT nID) const {
    for (CKbcButton* b : m_aButtons)
        if (b && b->GetDlgCtrlID() == nID)
            return b;
    return nullptr;
}

void CZephyraCtrlDlg::InitControls() {
    m_strImgPath = ctl::ImageFolder();
    m_llFrequency = m_llFreqMin = m_llFreqMax = 0;
    m_nLevel = m_nShownMin = m_nShownMax = 0;

    for (CBitmapSlider* cell : m_aFreqCells) {
        SetUpCell(cell, KindOf(cell->GetDlgCtrlID()), 0);
        EnableCell(cell, false);
    }

    m_hDialBmp = ctl::LoadBitmapResourceOrReport(493);
    m_hKnobBmp = ctl::LoadBitmapResourceOrReport(494);
    m_knob->SetRange(0, 2399, FALSE);
    m_knob->SetPos(0);
    m_knob->SetZero(90);
    m_knob->SetKnobInset(true);
    m_knob->SetBrushColorB(0x00FFFF);
    m_knob->SetBrushColorA(0x3D92FF);
    m_knob->SetSliderBitmap(m_hDialBmp, 0);
    m_knob->SetSliderBitmap(m_hKnobBmp, 1);

    for (CKbcButton* b : m_aButtons) {
        const UINT id = b->GetDlgCtrlID();
        for (const ButtonEntry& e : kStepButtons)
            if (e.id == id)
                b->LoadImageFile(m_strImgPath + QString::fromLatin1(e.file), ctl::KEY_BUTTON);
        for (const ButtonEntry& e : kPresetButtons)
            if (e.id == id)
                b->LoadImageFile(m_strImgPath + QString::fromLatin1(e.file), ctl::KEY_BUTTON);
        b->m_bDisabled = 1;
        b->update();
    }

    for (CBitmapSlider* cell : m_aLevelCells) {
        const CellKind kind = KindOf(cell->GetDlgCtrlID());
        SetUpCell(cell, kind, kind == CellKind::Sign ? 1 : 0);
        EnableCell(cell, false);
    }
    for (CBitmapSlider* cell : m_aClockCells) {
        SetUpCell(cell, KindOf(cell->GetDlgCtrlID()), 0);
        EnableCell(cell, false);
    }
}

void CZephyraCtrlDlg::LoadFromDevice() {
    DeviceState& ds = DS();
    m_llFrequency = ds.m_nZephyraFreqHz;
    m_nLevel = ds.m_sZephyraPower;
    m_nPowerOffset = kDefaultPowerOffset;
    m_llFreqMin = ds.m_nFreqMinHz;
    m_llFreqMax = ds.m_nFreqMaxHz;
    ds.m_nLevelMax = kDeviceLevelMax;
    ds.m_nLevelMin = kDeviceLevelMin;
    m_nShownMax = ds.m_nLevelMax + m_nPowerOffset;
    m_nShownMin = ds.m_nLevelMin + m_nPowerOffset;
    m_llFrequency = ClampLowFirst(m_llFrequency, m_llFreqMin, m_llFreqMax);
    ds.m_nZephyraFreqHz = FrequencyPayload(m_llFrequency);
    m_nLevel = ClampHighFirst(m_nLevel, m_nShownMin, m_nShownMax);

    for (CBitmapSlider* cell : m_aFreqCells)
        if (KindOf(cell->GetDlgCtrlID()) == CellKind::Digit)
            EnableCell(cell, true);
    for (CBitmapSlider* cell : m_aClockCells)
        if (KindOf(cell->GetDlgCtrlID()) == CellKind::Digit)
            EnableCell(cell, true);

    ShowFrequency();
    ShowLevel();
    EnableControls(TRUE);
    SetKnobFromLevel(true);

    const ClockRange r = ClockRangeFor(ds.m_dSampleClockKHz);
    m_llSampleClock = r.clock;
    m_llClockMax = r.max;
    m_llClockMin = r.min;
    ShowSampleClock();
    HighlightFocusedCell();
}

void CZephyraCtrlDlg::ApplyPlayFile(double dSampleClockKHz, int nFilePower) {
    DeviceState& ds = DS();
    // The file's values are the instrument's data: a clock that is no usable
    // number leaves the clock in use (and the spectrum's axes) as they are; a
    // power the level cells cannot show is brought into range.
    if (UsableClockKHz(dSampleClockKHz)) {
        const ClockRange r = ClockRangeFor(dSampleClockKHz);
        m_llSampleClock = r.clock;
        m_llClockMax = r.max;
        m_llClockMin = r.min;
        ds.m_dSampleClockKHz = dSampleClockKHz;
    }
    m_nPowerOffset = LimitPowerOffset(nFilePower, ds.m_nLevelMin, ds.m_nLevelMax);
    m_nShownMin = ds.m_nLevelMin + m_nPowerOffset;
    m_nShownMax = ds.m_nLevelMax + m_nPowerOffset;
    SendFrequency();
    SendLevel();
    ShowSampleClock();
    HighlightFocusedCell();
    // The spectrum graph is set up again for the frequency, keeping its data.
    if (CMainFrame* frame = theApp.m_pMainWnd)
        frame->SendMessage(WM_SAMPLE_CLOCK_CHANGED, 1, 0);
}

void CZephyraCtrlDlg::ShowRow(const std::array<CBitmapSlider*, 13>& row, std::int64_t value) {
    const std::array<int, kRowCells> digits = RowDigits(value);
    for (int i = 0; i < kRowCells; ++i) {
        CBitmapSlider* cell = row[std::size_t(i)];
        if (KindOf(cell->GetDlgCtrlID()) != CellKind::Digit)
            continue;
        cell->SetDigitBitmap(digits[std::size_t(i)], 0);
        cell->SetPos(digits[std::size_t(i)]);
    }
}

void CZephyraCtrlDlg::ShowFrequency() {
    ShowRow(m_aFreqCells, m_llFrequency);
}

void CZephyraCtrlDlg::ShowSampleClock() {
    ShowRow(m_aClockCells, m_llSampleClock);
}

void CZephyraCtrlDlg::ShowLevel() {
    const std::array<int, kLevelCells> v = LevelCellValues(m_nLevel);
    for (int i = 0; i < kLevelCells; ++i) {
        if (i == kLevelPointCell)
            continue;
        CBitmapSlider* cell = m_aLevelCells[std::size_t(i)];
        cell->SetDigitBitmap(v[std::size_t(i)], 0);
        cell->SetPos(v[std::size_t(i)]);
    }
}

void CZephyraCtrlDlg::ShowCell(UINT nID, int nPos, bool bHighlight) {
    CBitmapSlider* cell = Cell(nID);
    if (!cell || nID == kLevelFirst || nID == kLevelFirst + kLevelPointCell)
        return;
    // Never a picture outside the cell's own set.
    const int pos = std::clamp(nPos, cell->m_nMin, cell->m_nMax);
    cell->SetDigitBitmap(pos, bHighlight ? 1 : 0);
    cell->SetPos(pos);
}

void CZephyraCtrlDlg::HighlightFocusedCell() {
    auto* cell = qobject_cast<CBitmapSlider*>(QApplication::focusWidget());
    if (cell && cell->parentWidget() == this)
        ShowCell(cell->GetDlgCtrlID(), cell->m_nPos, true);
}

void CZephyraCtrlDlg::EnableControls(BOOL bEnable) {
    for (CKbcButton* b : m_aButtons) {
        b->m_bDisabled = bEnable ? 0 : 1;
        b->update();
    }
    m_knob->setEnabled(bEnable != FALSE);
    for (int i = 1; i < kLevelCells; ++i)
        if (i != kLevelPointCell)
            EnableCell(m_aLevelCells[std::size_t(i)], bEnable != FALSE);
}

void CZephyraCtrlDlg::SetKnobFromLevel(bool bRedrawNow) {
    m_knob->SetPos(KnobPosForLevel(m_nLevel));
    if (bRedrawNow)
        m_knob->repaint();
}

void CZephyraCtrlDlg::StartTimer(UINT_PTR nID) {
    SetTimer(nID, kSendDelayMs);
}

void CZephyraCtrlDlg::StepFrequencyDigit(UINT nID, LPARAM value) {
    const int cell = int(nID - kFreqFirst);
    if (value == 0 || value == 1) {
        m_llFrequency = StepRowValue(m_llFrequency, cell, value == 1, m_llFreqMin, m_llFreqMax);
        ShowFrequency();
        HighlightFocusedCell();
    } else {
        m_llFrequency = TypeRowDigit(m_llFrequency, cell, int(value));
        ShowFrequency();
        m_aFreqCells[std::size_t(NextRowCell(cell, true))]->setFocus(Qt::OtherFocusReason);
    }
    StartTimer(kFreqTimer);
}

void CZephyraCtrlDlg::StepClockDigit(UINT nID, LPARAM value) {
    const int cell = int(nID - kClockFirst);
    if (value == 0 || value == 1) {
        m_llSampleClock = StepRowValue(m_llSampleClock, cell, value == 1, m_llClockMin, m_llClockMax);
        ShowSampleClock();
        HighlightFocusedCell();
    } else {
        m_llSampleClock = TypeRowDigit(m_llSampleClock, cell, int(value));
        ShowSampleClock();
        m_aClockCells[std::size_t(NextRowCell(cell, true))]->setFocus(Qt::OtherFocusReason);
    }
    StartTimer(kClockTimer);
}

void CZephyraCtrlDlg::StepLevelDigit(UINT nID, LPARAM value) {
    const int cell = int(nID - kLevelFirst);
    const bool typed = value != 0 && value != 1;
    m_nLevel = typed ? TypeLevelDigit(m_nLevel, cell, int(value), m_nShownMin, m_nShownMax)
                     : StepLevelValue(m_nLevel, cell, value == 1, m_nShownMin, m_nShownMax);
    SetKnobFromLevel(false);
    ShowLevel();
    if (typed)
        m_aLevelCells[std::size_t(NextLevelCell(cell, true))]->setFocus(Qt::OtherFocusReason);
    else
        HighlightFocusedCell();
    StartTimer(kLevelTimer);
}

void CZephyraCtrlDlg::StepLevel(int nStep) {
    m_nLevel = ClampHighFirst(m_nLevel + nStep, m_nShownMin, m_nShownMax);
    ShowLevel();
    HighlightFocusedCell();
    SetKnobFromLevel(true);
    StartTimer(kLevelTimer);
}

void CZephyraCtrlDlg::OnStepButton(UINT nID) {
    StepLevel(ButtonValue(nID));
}

void CZephyraCtrlDlg::OnPreset(UINT nID) {
    m_llFrequency = ButtonValue(nID);
    ShowFrequency();
    HighlightFocusedCell();
    StartTimer(kFreqTimer);
}

LRESULT CZephyraCtrlDlg::OnSliderMoved(WPARAM wParam, LPARAM lParam) {
    ShowCell(UINT(wParam), int(lParam), true);
    return 0;
}

LRESULT CZephyraCtrlDlg::OnSliderDigitLeave(WPARAM wParam, LPARAM lParam) {
    ShowCell(UINT(wParam), int(lParam), false);
    return 0;
}

LRESULT CZephyraCtrlDlg::OnSliderStep(WPARAM wParam, LPARAM lParam) {
    const UINT id = UINT(wParam);
    const bool valid = lParam == 0 || lParam == 1 || (lParam >= '0' && lParam <= '9');
    // Separators, the sign and the point have nothing to step.
    if (!valid || !Cell(id) || KindOf(id) != CellKind::Digit)
        return 0;
    if (IsFreqId(id))
        StepFrequencyDigit(id, lParam);
    else if (IsLevelId(id))
        StepLevelDigit(id, lParam);
    else
        StepClockDigit(id, lParam);
    return 0;
}

LRESULT CZephyraCtrlDlg::OnKnobChanged(WPARAM, LPARAM lParam) {
    m_nLevel = LevelForKnobPos(int(lParam));
    ShowLevel();
    HighlightFocusedCell();
    StartTimer(kLevelTimer);
    return 0;
}

void CZephyraCtrlDlg::OnTimer(UINT_PTR nIDEvent) {
    switch (nIDEvent) {
    case kFreqTimer:
        SendFrequency();
        break;
    case kLevelTimer:
        SendLevel();
        break;
    case kClockTimer:
        SendSampleClock();
        break;
    default:
        break;
    }
}

void CZephyraCtrlDlg::SendFrequency() {
    KillTimer(kFreqTimer);
    DeviceState& ds = DS();
    m_llFrequency = ClampLowFirst(m_llFrequency, m_llFreqMin, m_llFreqMax);
    ShowFrequency();
    HighlightFocusedCell();
    const std::uint32_t hz = FrequencyPayload(m_llFrequency);
    ds.m_nZephyraFreqHz = hz;
    theApp.AddCmd(MX_CMD_ZEPHYRA_FREQ, MX_RW_DEFAULT, sizeof hz, &hz, GetSafeHwnd());
    if (g_Marlix.m_hNotifyWnd)
        ::PostMessage(g_Marlix.m_hNotifyWnd, WM_SPECTRUM_SETUP, 0, 0);
    if (CMainFrame* frame = theApp.m_pMainWnd)
        frame->RefreshPlayValues(); // the Play page's frequency and power texts
    theApp.SaveZephyraFreq(hz);
}

void CZephyraCtrlDlg::SendLevel() {
    KillTimer(kLevelTimer);
    DeviceState& ds = DS();
    m_nLevel = ClampHighFirst(m_nLevel, m_nShownMin, m_nShownMax);
    ShowLevel();
    HighlightFocusedCell();
    SetKnobFromLevel(true);
    const std::int16_t level = LevelPayload(m_nLevel, m_nPowerOffset);
    ds.m_sZephyraPower = level;
    theApp.AddCmd(MX_CMD_ZEPHYRA_POWER, MX_RW_DEFAULT, sizeof level, &level, GetSafeHwnd());
    theApp.SaveZephyraPower(m_nLevel);
}

void CZephyraCtrlDlg::SendSampleClock() {
    KillTimer(kClockTimer);
    DeviceState& ds = DS();
    if (m_llSampleClock > m_llClockMax)
        m_llSampleClock = m_llClockMax;
    else if (m_llSampleClock < m_llClockMin)
        m_llSampleClock = m_llClockMin;
    const double kHz = ClockPayload(m_llSampleClock);
    ShowSampleClock();
    HighlightFocusedCell();
    // Compared at the panel's 1 Hz: an edit back to the clock shown sends nothing.
    if (ClockUnchanged(m_llSampleClock, ds.m_dSampleClockKHz))
        return;
    ds.m_dSampleClockKHz = kHz;
    theApp.AddCmd(MX_CMD_SAMPLE_CLOCK, MX_RW_DEFAULT, sizeof kHz, &kHz, GetSafeHwnd());
    if (CMainFrame* frame = theApp.m_pMainWnd) {
        if (frame->m_wndPlayBarPane)
            ::PostMessage(frame->m_wndPlayBarPane->PlayBarHwnd(), WM_SAMPLE_CLOCK_CHANGED, 0, 0);
        frame->PostMessage(WM_SAMPLE_CLOCK_CHANGED, 1, 0);
    }
    g_Marlix.Zephyra_UI_MFC_ResBW(static_cast<_MxResBWType_e>(ds.m_nResBW));
    CSpectrumView* view = nullptr;
    if (theApp.m_pMainWnd && theApp.m_pMainWnd->FindSpectrumView(view))
        view->m_dlgSpectrum.ReloadDeviceSettings();
}

bool CZephyraCtrlDlg::MoveFocusInRow(QWidget* focused, bool bRight) {
    auto* cell = qobject_cast<CBitmapSlider*>(focused);
    if (!cell)
        return false;
    const UINT id = cell->GetDlgCtrlID();
    if (IsFreqId(id)) {
        m_aFreqCells[std::size_t(NextRowCell(int(id - kFreqFirst), bRight))]->setFocus(Qt::OtherFocusReason);
    } else if (IsClockId(id)) {
        m_aClockCells[std::size_t(NextRowCell(int(id - kClockFirst), bRight))]->setFocus(
            Qt::OtherFocusReason);
    } else if (IsLevelId(id) && id != kLevelFirst) {
        m_aLevelCells[std::size_t(NextLevelCell(int(id - kLevelFirst), bRight))]->setFocus(
            Qt::OtherFocusReason);
    } else {
        return false;
    }
    return true;
}

// A key press or wheel notch on the knob moves the level by one whole dB; only a
// drag goes through the knob's position.
bool CZephyraCtrlDlg::KnobInput(QEvent* e) {
    // Filters see input that Qt keeps from a disabled widget: a disabled panel
    // (before the first connection, after a disconnect) changes nothing.
    if (!m_knob->isEnabled()) {
        if (e->type() == QEvent::KeyPress || e->type() == QEvent::Wheel) {
            e->accept();
            return true;
        }
        return false;
    }
    if (e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (!IsKnobStepKey(k))
            return false;
        StepLevel(KnobKeyRaises(k) ? kKnobStep : -kKnobStep);
        return true;
    }
    if (e->type() == QEvent::Wheel) {
        auto* w = static_cast<QWheelEvent*>(e);
        const int delta = w->angleDelta().y();
        const QPoint pt = w->position().toPoint();
        w->accept();
        if (delta != 0 && (m_knob->m_rgn.isEmpty() || m_knob->m_rgn.contains(pt)))
            StepLevel(delta > 0 ? kKnobStep : -kKnobStep);
        return true;
    }
    return false;
}

bool CZephyraCtrlDlg::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (IsEnterOrEscape(k))
            return true;
        if (watched == m_knob)
            return KnobInput(e);
        if (k->key() == Qt::Key_Left || k->key() == Qt::Key_Right)
            MoveFocusInRow(qobject_cast<QWidget*>(watched), k->key() == Qt::Key_Right);
        return false;
    }
    if (e->type() == QEvent::Wheel) {
        if (watched == m_knob)
            return KnobInput(e);
        // The wheel steps the cell that has the focus, not any cell under the pointer.
        auto* cell = qobject_cast<CBitmapSlider*>(watched);
        if (cell && !cell->hasFocus()) {
            e->accept();
            return true;
        }
    }
    return QDialog::eventFilter(watched, e);
}

void CZephyraCtrlDlg::keyPressEvent(QKeyEvent* e) {
    // A child dialog: Enter and Escape neither commit nor close it.
    if (IsEnterOrEscape(e)) {
        e->accept();
        return;
    }
    e->ignore();
}

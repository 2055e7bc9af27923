#include "output/DumpPlayBar.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QStyle>
#include <QStyleFactory>
#include <QTimer>

#include "ImageLayout.h"
#include "app/MarlixExApp.h"
#include "controls/BitmapResource.h"
#include "controls/CBitmapSlider.h"
#include "controls/CKbcButton.h"
#include "controls/ColorRef.h"
#include "device/MarlixMFC.h"
#include "device/MxMessages.h"
#include "mainframe/MainFrm.h"
#include "output/DialogPlayFolderList.h"
#include "output/DialogPlayTimeSet.h"
#include "output/ElidedText.h"

using PlayBarRules::BarAction;
using PlayBarRules::Look;

BEGIN_MESSAGE_MAP(CDumpPlayBar, CMsgTarget)
ON_COMMAND(CDumpPlayBar::kIdOpen, &CDumpPlayBar::OnOpen)
ON_COMMAND(CDumpPlayBar::kIdPlay, &CDumpPlayBar::OnPlay)
ON_COMMAND(CDumpPlayBar::kIdStop, &CDumpPlayBar::OnStop)
ON_COMMAND(CDumpPlayBar::kIdPrev, &CDumpPlayBar::OnPrev)
ON_COMMAND(CDumpPlayBar::kIdNext, &CDumpPlayBar::OnNext)
ON_COMMAND(CDumpPlayBar::kIdTimeSet, &CDumpPlayBar::OnTimeSet)
ON_COMMAND(CDumpPlayBar::kIdRepeat, &CDumpPlayBar::OnRepeat)
ON_MESSAGE(WM_SLIDER_MOVED, &CDumpPlayBar::OnSliderMoved)
ON_MESSAGE(WM_SLIDER_DIGIT_LEAVE, &CDumpPlayBar::OnSliderMoved)
ON_MESSAGE(WM_SLIDER_MOVING, &CDumpPlayBar::OnSliderMoving)
ON_MESSAGE(WM_PLAY_POSITION, &CDumpPlayBar::OnPlayPosition)
ON_MESSAGE(WM_SAMPLE_CLOCK_CHANGED, &CDumpPlayBar::OnSampleClockChanged)
END_MESSAGE_MAP()

namespace {
DeviceState& DS() {
    return theApp.State();
}

void SetupDigitRow(std::array<CBitmapSlider*, 6>& row, QWidget* parent, const UINT (&ids)[6], int x, int y) {
    using namespace imglayout;
    const QImage colon = ctl::LoadBitmapResource(400);
    for (int i = 0; i < 6; ++i) {
        auto* c = new CBitmapSlider(parent, ids[i]);
        c->setObjectName(QString::number(ids[i]));
        c->m_bInputEnabled = 0; // a display: keys and clicks do nothing here
        c->setFocusPolicy(Qt::NoFocus);
        c->m_nDigitBmpHighlight = CDumpPlayBar::kDigitBase;
        c->m_nDigitBmpNormal = CDumpPlayBar::kDigitBase;
        c->m_bDigitMode = 1;
        c->m_nMin = 0;
        c->m_nMax = 9;
        c->m_nPage = 1;
        c->SetDigitBitmap(0, 0);
        c->SetPos(0);
        c->move(x, y);
        row[std::size_t(i)] = c;
        x += kSmallDigitW;
        if (i == 1 || i == 3) {
            auto* sep = new QLabel(parent);
            sep->setPixmap(QPixmap::fromImage(colon));
            sep->setGeometry(x, y, kSmallColonW, kSmallDigitH);
            x += kSmallColonW;
        }
    }
}
} // namespace

CDumpPlayBar::CDumpPlayBar(QWidget* parent) : QWidget(parent), CMsgTarget(this) {
    using namespace imglayout;
    setObjectName(QStringLiteral("DumpPlayBar"));
    m_bmpBackground = ctl::LoadBitmapResource(414);
    setMinimumSize(kBarW, kBarH);
    setFixedHeight(kBarH);

    m_sliderSeek = new CBitmapSlider(this, kIdSeek);
    m_sliderSeek->setObjectName(QString::number(kIdSeek));
    m_sliderSeek->move(kSeekX, kSeekY);
    m_sliderSeek->LoadChannelBitmaps();
    m_sliderSeek->LoadThumbBitmaps();
    m_sliderSeek->m_bDrawFocusRect = 0;
    m_sliderSeek->m_nMin = 0;
    m_sliderSeek->m_nMax = 8192;
    m_sliderSeek->m_nMarginLeft = 2;
    m_sliderSeek->m_nMarginRight = 2;
    m_sliderSeek->m_nMarginTop = 3;
    m_sliderSeek->m_nMarginBottom = 0;
    m_sliderSeek->SetPos(0);

    const UINT ids[6] = {kIdOpen, kIdPlay, kIdStop, kIdPrev, kIdNext, kIdTimeSet};
    const char* names[6] = {"Open", "Play", "Stop", "Prev", "Next", "TimeSet"};
    for (int i = 0; i < 6; ++i) {
        auto* b = new CKbcButton(this, ids[i]);
        b->setObjectName(QString::fromLatin1(names[i]));
        b->setToolTip(QString::fromLatin1(names[i]));
        b->resize(i == 5 ? kTimeSetW : kTransportW, i == 5 ? kTimeSetH : kTransportH);
        m_aButtons[std::size_t(i)] = b;
        BindCommand(b, ids[i]);
    }
    // Left to right under the slider: Open, Play, Prev, Next, Stop.
    int x = kSeekX;
    for (CKbcButton* b : {m_btnOpen, m_btnPlay, m_btnPrev, m_btnNext, m_btnStop}) {
        b->move(x, kTransportY);
        x += kTransportW + 4;
    }
    const UINT posIds[6] = {1185, 1186, 1188, 1189, 1191, 1192};
    const UINT totalIds[6] = {1193, 1194, 1196, 1197, 1199, 1200};
    const int totalX = kTimeX + kTimeRowW + kTimeGap;
    SetupDigitRow(m_aPosCells, this, posIds, kTimeX, kTimeY);
    SetupDigitRow(m_aTotalCells, this, totalIds, totalX, kTimeY);
    m_chkRepeat = new QCheckBox(QStringLiteral("Repeat"), this);
    m_chkRepeat->setObjectName(QString::number(kIdRepeat));
    m_chkRepeat->setGeometry(kTimeX - 4, kTransportY, 90, 20);
    {
        // The box is drawn by one style everywhere, in the bar's colours: an
        // orange frame round black, so an unchecked box still shows.
        auto* style = QStyleFactory::create(QStringLiteral("Fusion"));
        style->setParent(m_chkRepeat);
        m_chkRepeat->setStyle(style);
        QPalette pal = m_chkRepeat->palette();
        const QColor orange(0xE8, 0x7A, 0x0E);
        pal.setColor(QPalette::WindowText, orange);
        pal.setColor(QPalette::Text, orange);
        pal.setColor(QPalette::Window, orange);
        pal.setColor(QPalette::Base, Qt::black);
        m_chkRepeat->setPalette(pal);
    }
    BindCommand(m_chkRepeat, kIdRepeat);
    m_btnTimeSet->move(totalX, kTransportY);

    for (InfoLabel** p : {&m_txtFileName, &m_txtDescription}) {
        auto* l = new InfoLabel(this);
        l->m_crTextColor = 0x0E7AE8; // COLORREF: orange text
        l->m_crBkColor = 0x202020;
        l->m_bOpaque = 1;
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
        l->ApplyFont(); // bold 16 px from the start: the description is fitted with it
        *p = l;
    }
    m_txtFileName->setObjectName(QString::number(kIdFileName));
    m_txtDescription->setObjectName(QString::number(kIdDescription));
    m_txtFileName->setGeometry(kInfoX, kSeekY, kBarW - kInfoX - 8, 26);
    m_txtDescription->setGeometry(kInfoX, kSeekY + 28, kBarW - kInfoX - 8, kBarH - kSeekY - 30);
    m_txtDescription->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_txtDescription->setWordWrap(true);

    m_pJumpTimer = new QTimer(this);
    m_pJumpTimer->setSingleShot(true);
    connect(m_pJumpTimer, &QTimer::timeout, this, [this] {
        const UINT msg = m_nJumpMessage;
        m_nJumpMessage = 0;
        EndJumpLooks();
        if (msg && g_Marlix.m_hNotifyWnd)
            ::SendMessage(g_Marlix.m_hNotifyWnd, msg, 0, 0);
    });

    m_pTimeSetDlg = new CDialogPlayTimeSet(this, this);
    m_pTimeSetDlg->hide();
    LoadButtonBitmaps();
    ApplyLooks(PlayBarRules::LooksAfter(BarAction::ClearFile, 0, false)); // no file yet
}

CDumpPlayBar::~CDumpPlayBar() = default;

void CDumpPlayBar::LoadButtonBitmaps() {
    m_strImgPath = ctl::ImageFolder();
    const char* files[6] = {"\\OPEN-2.bmp", "\\PLAY-2.bmp", "\\STOP-2.bmp",
                            "\\PREV-2.bmp", "\\NEXT-2.bmp", "\\TIMESET.bmp"};
    for (int i = 0; i < 6; ++i)
        m_aButtons[std::size_t(i)]->LoadImageFile(m_strImgPath + QString::fromLatin1(files[i]),
                                                  ctl::KEY_BUTTON);
}

void CDumpPlayBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(0x20, 0x20, 0x20));
    if (!m_bmpBackground.isNull())
        p.drawImage(0, 0, m_bmpBackground);
}

void CDumpPlayBar::keyPressEvent(QKeyEvent* e) {
    // Enter and Escape do nothing in the bar.
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter || e->key() == Qt::Key_Escape) {
        e->accept();
        return;
    }
    QWidget::keyPressEvent(e);
}

void CDumpPlayBar::SetLook(CKbcButton* b, Look look) {
    if (look == Look::Unchanged || !b)
        return;
    const BOOL disabled = look == Look::Disabled ? 1 : 0;
    if (b->m_bDisabled != disabled) {
        b->m_bDisabled = disabled;
        b->update();
    }
}

void CDumpPlayBar::ApplyLooks(const PlayBarRules::ButtonLooks& l) {
    SetLook(m_btnOpen, l.open);
    SetLook(m_btnPlay, l.play);
    SetLook(m_btnStop, l.stop);
    SetLook(m_btnPrev, l.prevNext);
    SetLook(m_btnNext, l.prevNext);
    SetLook(m_btnTimeSet, l.timeSet);
}

void CDumpPlayBar::Send(const PlayBarRules::Command& c) {
    theApp.AddCmd(c.id, MX_RW_DEFAULT, unsigned(c.payload.size()),
                  c.payload.empty() ? nullptr : c.payload.data(), GetSafeHwnd());
}

void CDumpPlayBar::SendInt(MX_CMD_ID_e id, std::int32_t v) {
    theApp.AddCmd(id, MX_RW_DEFAULT, sizeof v, &v, GetSafeHwnd());
}

void CDumpPlayBar::SetSeekRange(std::int32_t total) {
    m_sliderSeek->m_nMin = 0;
    m_sliderSeek->m_nMax = total < 0 ? 0 : total;
    m_sliderSeek->SetPos(0);
}

void CDumpPlayBar::SetBrowser(CDialogPlayFolderList* browser) {
    if (m_pBrowser)
        disconnect(m_pBrowser, nullptr, this, nullptr);
    m_pBrowser = browser;
    if (m_pBrowser) {
        connect(m_pBrowser, &CDialogPlayFolderList::PlayListChanged, this, &CDumpPlayBar::OnPlayListChanged);
        connect(m_pBrowser, &CDialogPlayFolderList::PlayFileRenamed, this, &CDumpPlayBar::OnFileRenamed);
    }
}

std::size_t CDumpPlayBar::PlayListSize() const {
    return m_pBrowser ? m_pBrowser->m_vecPlayList.size() : 0;
}

// A loaded file stays playable after the list it came from is gone (the browser
// empties the list at every listing), until another is loaded or the bar reset.
bool CDumpPlayBar::HasFile() const {
    return !m_strFileName.isEmpty();
}

bool CDumpPlayBar::SeekHeld() const {
    return m_sliderSeek->m_bLButtonDown != 0;
}

void CDumpPlayBar::OnPlayListChanged() {
    // A new choice of files outdates a step still waiting for its pause.
    CancelJump();
    PlayBarRules::ButtonLooks l;
    l.prevNext = PlayBarRules::CanStep(PlayListSize()) ? Look::Enabled : Look::Disabled;
    ApplyLooks(l);
}

void CDumpPlayBar::OnFileRenamed(const QString& oldPath, const QString& newPath, const QString& name,
                                 const QString& description) {
    if (!HasFile() || m_strFilePath != oldPath)
        return;
    m_strFilePath = newPath;
    m_strFileName = name;
    m_strDescription = description;
    m_txtFileName->setText(m_strFileName);
    SetDescription(m_strDescription);
}

void CDumpPlayBar::SetDescription(const QString& text) {
    const QRect room = m_txtDescription->contentsRect();
    const int margin = m_txtDescription->margin();
    m_txtDescription->setText(
        FitWrappedText(text, m_txtDescription->font(), room.size() - QSize(2 * margin, 2 * margin)));
    m_txtDescription->setToolTip(text);
}

bool CDumpPlayBar::JumpPending() const {
    return m_nJumpMessage != 0;
}

std::array<int, 6> CDumpPlayBar::RowDigits(int row) const {
    const auto& cells = row == 0 ? m_aPosCells : m_aTotalCells;
    std::array<int, 6> d{};
    for (std::size_t i = 0; i < 6; ++i)
        d[i] = cells[i]->m_nPos;
    return d;
}

void CDumpPlayBar::SetTimeDigits(int row, std::uint32_t seconds) {
    auto& cells = row == 0 ? m_aPosCells : m_aTotalCells;
    const std::array<int, 6> d = PlayBarRules::TimeDigits(seconds);
    for (std::size_t i = 0; i < 6; ++i) {
        if (cells[i]->m_nPos == d[i])
            continue;
        cells[i]->SetDigitBitmap(d[i], 0);
        cells[i]->SetPos(d[i]);
    }
}

void CDumpPlayBar::ShowPlayPosition(std::uint32_t seconds) {
    // While the thumb is held the row shows where it is dragged.
    if (!SeekHeld())
        SetTimeDigits(0, std::uint32_t(PlayBarRules::ShownPosition(seconds, m_sliderSeek->m_nMin,
                                                                   m_sliderSeek->m_nMax)));
}

void CDumpPlayBar::ClearFile() {
    m_bPlaying = false;
    ApplyLooks(PlayBarRules::LooksAfter(BarAction::ClearFile, PlayListSize(), false));
    m_strFileName.clear();
    m_strFilePath.clear();
    m_strDescription.clear();
    m_chkRepeat->setChecked(DS().m_bRepeat == 1);
    m_txtFileName->setText(m_strFileName);
    SetSeekRange(m_nTotalSec);
    SetDescription(m_strDescription);
}

void CDumpPlayBar::LoadFile() {
    m_bPlaying = false; // the instrument stops to load a file
    if (m_pBrowser) {
        m_strDescription = m_pBrowser->m_strCurrentDescription;
        m_strFileName = m_pBrowser->m_strCurrentName;
        m_strFilePath = m_pBrowser->m_strCurrentPath;
        m_llFileSize = m_pBrowser->m_llCurrentSize;
        m_nTotalSec = m_pBrowser->m_nCurrentTimeSec;
    }
    SetTimeDigits(1, std::uint32_t(std::max(m_nTotalSec, 0)));
    m_nCurPos = 0;
    SetTimeDigits(0, 0);
    ApplyLooks(PlayBarRules::LooksAfter(BarAction::LoadFile, PlayListSize(), true));
    m_pTimeSetDlg->ResetDigits();
    m_txtFileName->setText(m_strFileName);
    SetSeekRange(m_nTotalSec);
    SetDescription(m_strDescription);
    Send(PlayBarRules::SeekCommand(m_sliderSeek->m_nPos));
}

void CDumpPlayBar::ShowFileInfo() {
    m_txtFileName->setText(m_strFileName);
    SetDescription(m_strDescription);
    SetSeekRange(m_nTotalSec);
}

void CDumpPlayBar::OnOpen() {
    if (!m_pBrowser)
        return;
    m_pBrowser->show();
    m_pBrowser->raise();
    m_pBrowser->RefreshOnShow();
    m_pBrowser->ShowOpenFilesButton(1);
}

void CDumpPlayBar::OnPlay() {
    // A posted or sent command arrives whatever the button looks like.
    if (!HasFile() || JumpPending())
        return;
    StartPlay(DS().m_nPlayStartSec);
}

void CDumpPlayBar::StartPlay(std::int32_t startSec) {
    if (m_pBrowser) {
        m_pBrowser->hide();
        m_pBrowser->DisableFileButtons();
    }
    ApplyLooks(PlayBarRules::LooksAfter(BarAction::Play, PlayListSize(), true));
    m_bPlaying = true;
    for (const PlayBarRules::Command& c : PlayBarRules::PlayCommands(DS().m_nPlayMode, startSec))
        Send(c);
}

void CDumpPlayBar::OnStop() {
    CancelJump();
    ApplyLooks(PlayBarRules::LooksAfter(BarAction::Stop, PlayListSize(), true));
    DS().m_nPlayMode = 9;
    m_bPlaying = false;
    Send({MX_CMD_PLAY_STOP, {}});
}

void CDumpPlayBar::CancelJump() {
    if (JumpPending())
        EndJumpLooks();
    m_pJumpTimer->stop();
    m_nJumpMessage = 0;
}

void CDumpPlayBar::EndJumpLooks() {
    SetLook(m_btnStop, Look::Disabled);
    SetLook(m_btnPlay, HasFile() ? Look::Enabled : Look::Disabled);
}

void CDumpPlayBar::Jump(UINT message) {
    if (!PlayBarRules::CanStep(PlayListSize()) || JumpPending())
        return;
    ApplyLooks(PlayBarRules::LooksAfter(BarAction::Stop, PlayListSize(), true));
    if (DS().m_nPlayMode == 8 || DS().m_nPlayMode == 10)
        DS().m_bPlayJump = 1;
    DS().m_nPlayMode = 9;
    m_bPlaying = false;
    Send({MX_CMD_PLAY_STOP, {}});
    // The instrument gets its pause after the stop; the GUI keeps running.
    // Until the step is taken, Stop cancels it and Play waits for it; they look so.
    SetLook(m_btnStop, Look::Enabled);
    SetLook(m_btnPlay, Look::Disabled);
    m_nJumpMessage = message;
    m_pJumpTimer->start(kJumpPauseMs);
}

void CDumpPlayBar::OnPrev() {
    Jump(WM_PLAY_PREV);
}

void CDumpPlayBar::OnNext() {
    Jump(WM_PLAY_NEXT);
}

void CDumpPlayBar::OnTimeSet() {
    m_pTimeSetDlg->show();
    m_pTimeSetDlg->raise();
}

void CDumpPlayBar::OnRepeat() {
    DS().m_bRepeat = m_chkRepeat->isChecked() ? 1 : 0;
}

void CDumpPlayBar::SeekFromTimeSet(std::int32_t seconds) {
    Send(PlayBarRules::SeekCommand(seconds));
    m_sliderSeek->SetPos(seconds);
}

LRESULT CDumpPlayBar::OnSliderMoved(WPARAM wParam, LPARAM lParam) {
    if (UINT(wParam) != kIdSeek)
        return 0;
    // Where the thumb was let go: a report handled since may have moved it.
    m_sliderSeek->SetPos(int(std::clamp<LPARAM>(lParam, m_sliderSeek->m_nMin, m_sliderSeek->m_nMax)));
    m_nCurPos = m_sliderSeek->m_nPos;
    SetTimeDigits(0, std::uint32_t(std::max(m_nCurPos, 0)));
    Send(PlayBarRules::SeekCommand(m_nCurPos));
    return 0;
}

LRESULT CDumpPlayBar::OnSliderMoving(WPARAM wParam, LPARAM lParam) {
    if (UINT(wParam) == kIdSeek)
        SetTimeDigits(0, std::uint32_t(std::max<LPARAM>(lParam, 0)));
    return 0;
}

LRESULT CDumpPlayBar::OnPlayPosition(WPARAM wParam, LPARAM) {
    const int p =
        PlayBarRules::ShownPosition(theApp.Data().m_nPlayPosSec, m_sliderSeek->m_nMin, m_sliderSeek->m_nMax);
    m_nCurPos = p;
    // A held thumb and the row stay where the user drags them.
    if (SeekHeld())
        return 0;
    m_sliderSeek->SetPos(PlayBarRules::SliderAfterPosition(int(wParam), p, m_sliderSeek->m_nPos));
    SetTimeDigits(0, std::uint32_t(p));
    return 0;
}

LRESULT CDumpPlayBar::OnSampleClockChanged(WPARAM, LPARAM) {
    // The file's play time holds at its own clock; a clock that is no clock changes nothing.
    const double clock = DS().m_dSampleClockKHz;
    if (!m_pBrowser || !(clock > 0.0) || !(m_pBrowser->m_dCurrentSampleClock > 0.0))
        return 0;
    m_nTotalSec = PlayBarRules::ScaledTotalSeconds(m_pBrowser->m_nCurrentTimeSec,
                                                   m_pBrowser->m_dCurrentSampleClock, clock, m_nTotalSec);
    SetTimeDigits(1, std::uint32_t(std::max(m_nTotalSec, 0)));
    SetSeekRange(m_nTotalSec);
    return 0;
}

void CDumpPlayBar::OnPlayFinished() {
    // An end with nothing playing (one already handled, or after a stop) asks for nothing.
    if (!m_bPlaying)
        return;
    m_bPlaying = false;
    if (m_pBrowser)
        m_pBrowser->UpdateFileButtons();
    SetTimeDigits(0, 0);
    m_sliderSeek->SetPos(0);
    m_nCurPos = 0;
    ApplyLooks(PlayBarRules::LooksAfter(BarAction::Finished, PlayListSize(), !m_strFileName.isEmpty()));
    Send(PlayBarRules::SeekCommand(0));
    // Repeat is the program's own: no command carries it.
    if (DS().m_bRepeat == 1 && HasFile())
        StartPlay(0);
}

void CDumpPlayBar::ResetAll() {
    CancelJump();
    m_bPlaying = false;
    // A thumb held over a reset (the link went, the bar is disabled next) is
    // let go without a seek, or it would hold off every later report.
    m_sliderSeek->m_bLButtonDown = 0;
    m_sliderSeek->ReleaseCapture();
    m_strFileName.clear();
    m_strFilePath.clear();
    m_strDescription.clear();
    m_txtFileName->setText(QString());
    SetDescription(QString());
    m_sliderSeek->SetPos(0);
    m_nCurPos = 0;
    SetTimeDigits(0, 0);
    m_nTotalSec = 0;
    SetTimeDigits(1, 0);
    ApplyLooks(PlayBarRules::LooksAfter(BarAction::ResetAll, 0, false));
    m_pTimeSetDlg->ResetDigits();
    m_pTimeSetDlg->hide();
}

void CDumpPlayBar::ResetPlaySettings() {
    DeviceState& ds = DS();
    if (theApp.m_bGraphCreated[0] == 1) {
        theApp.GraphCall(theApp.m_pfnVarolGraph_SetCustomTextVisible, 0, 10, 0);
        theApp.GraphCall(theApp.m_pfnVarolGraph_InputUpdate, 0, 1, 1, 0, 1, 1, 0);
    }
    CMainFrame* frame = theApp.m_pMainWnd;
    if (frame)
        frame->SendDeviceSettings();
    if (g_Marlix.m_hNotifyWnd)
        ::PostMessage(g_Marlix.m_hNotifyWnd, WM_SPECTRUM_SETUP, 0, 0);
    SendInt(MX_CMD_SPECTRAL_INV, ds.m_nSpectralInv);
    ds.m_nStorage = 0;
    SendInt(MX_CMD_STORAGE, 0);
    ds.m_nStorageDrive = 3;
    SendInt(MX_CMD_STORAGE_DRIVE, 3);
    // The System page is not reloaded here: its reload sends MX_CMD_STORAGE a
    // second time. The main frame reloads every page right after this reset.
    if (frame)
        frame->SetStatusPane(5, 3);
    ds.m_awModeParamB[0] = 16384;
    ds.m_awModeParamB[1] = 4400;
    const std::uint32_t paramB = ds.m_nModeParamB;
    theApp.AddCmd(MX_CMD_MODE_PARAM_B, MX_RW_DEFAULT, sizeof paramB, &paramB, GetSafeHwnd());
    SendInt(MX_CMD_MODE_PARAM_A, ds.m_nModeParamA);
}

#include "app/MarlixExApp.h"

#include <dlfcn.h>
#include <unistd.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <algorithm>
#include <climits>

#include "app/AboutDlg.h"
#include "mainframe/MainFrm.h"
#include "output/FrontPanelRules.h"
#include "platform/MsgBox.h"
#include "platform/Profile.h"
#include "platform/System.h"
#include "res/ResStrings.h"
#include "res/resource.h"
#include "views/IQFrame.h"
#include "views/MeasureRules.h"
#include "views/SpectrumFrame.h"

CMarlixExApp theApp;

namespace {

struct EntryPointName {
    const char* symbol;
    const char* missing; // the message when the library lacks it
};

constexpr EntryPointName kEntryPoints[] = {
    {"VarolGraph_Init", "m_pfnVarolGraph_Init is NULL"},
    {"VarolGraph_Free", "m_pfnVarolGraph_Free is NULL"},
    {"VarolGraph_Resize", "m_pfnVarolGraph_Resize NULL"},
    {"VarolGraph_LoadInfoFromFile", "pfnVarolGraph_LoadInfoFromFile NULL"},
    {"VarolGraph_GetDataInfo", "m_pfnVarolGraph_GetDataInfo is NULL"},
    {"VarolGraph_SetDataInfo", "pfnVarolGraph_SetDataInfo NULL"},
    {"VarolGraph_AddNewLayer", "m_pfnVarolGraph_AddNewLayer NULL"},
    {"VarolGraph_SetData", "m_pfnVarolGraph_SetData NULL"},
    {"VarolGraph_ClearData", "m_pfnVarolGraph_ClearData NULL"},
    {"VarolGraph_IfOutThenToCenter", "m_pfnVarolGraph_IfOutThenToCenter is NULL"},
    {"VarolGraph_TimeMark", "m_pfnVarolGraph_TimeMark NULL"},
    {"VarolGraph_GetDesignInfo", "m_pfnVarolGraph_GetDesignInfo is NULL"},
    {"VarolGraph_SetDesignInfo", "m_pfnVarolGraph_SetDesignInfo is NULL"},
    {"VarolGraph_SetMode", "m_pfnVarolGraph_SetMode NULL"},
    {"VarolGraph_SetMarkCount", "m_pfnVarolGraph_SetMarkCount NULL"},
    {"VarolGraph_InputUpdate", "m_pfnVarolGraph_InputUpdate NULL"},
    {"VarolGraph_SetMarkVisible", "m_pfnVarolGraph_SetMarkVisible NULL"},
    {"VarolGraph_SetMarkPosition", "m_pfnVarolGraph_SetMarkPosition NULL"},
    {"VarolGraph_GetMarkData", "m_pfnVarolGraph_GetMarkData NULL"},
    {"VarolGraph_GetFocusedTextIndex", "m_pfnVarolGraph_GetFocusedTextIndex NULL"},
    {"VarolGraph_SetCustomText", "m_pfnVarolGraph_SetCustomText NULL"},
    {"VarolGraph_GetCustomTextChecked", "m_pfnVarolGraph_GetCustomTextChecked NULL"},
    {"VarolGraph_SetCustomTextChecked", "m_pfnVarolGraph_SetCustomTextChecked NULL"},
    {"VarolGraph_GetCustomTextVisible", "m_pfnVarolGraph_GetCustomTextVisible NULL"},
    {"VarolGraph_SetCustomTextVisible", "m_pfnVarolGraph_SetCustomTextVisible NULL"},
    {"VarolGraph_SetTextFont", "m_pfnVarolGraph_SetTextFont NULL"},
    {"VarolGraph_GetBandPowerArea", "m_pfnVarolGraph_GetBandPowerArea NULL"},
    {"VarolGraph_SetBandPowerArea", "m_pfnVarolGraph_SetBandPowerArea NULL"},
    {"VarolGraph_SetBandPowerText", "m_pfnVarolGraph_SetBandPowerText NULL"},
    {"VarolGraph_SetMaskLayer", "m_pfnVarolGraph_SetMaskLayer NULL"},
    {"VarolGraph_SetMaskLayerVisible", "m_pfnVarolGraph_SetMaskLayerVisible NULL"},
    {"VarolGraph_Undo", "m_pfnVarolGraph_Undo NULL"},
    {"VarolGraph_Render", "m_pfnVarolGraph_Render NULL"},
    {"VarolGraph_MinMaxHoldInit", "m_pfnVarolGraph_MinMaxHoldInit NULL"},
};
static_assert(std::size(kEntryPoints) == 34);

template <typename T> void Bind(void* module, const char* symbol, T& member) {
    member = reinterpret_cast<T>(dlsym(module, symbol));
}

const QString kWorkspaceSection = QStringLiteral("Workspace");

} // namespace

CMarlixExApp::CMarlixExApp() {
    for (RECT& rc : m_rcWindowPos)
        rc = RECT{};
    LoadVarolGraphLibrary();
    m_pMarlix = &g_Marlix;
    m_pSettingKeys = SettingKeyTable;
    m_pSpectrumFrame = nullptr;
    m_pIQFrame = nullptr;
}

CMarlixExApp::~CMarlixExApp() {
    ExitInstance();
}

QString CMarlixExApp::ExecutableFolder() {
    char buf[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
    if (n <= 0)
        return QDir::currentPath();
    return QFileInfo(QString::fromLocal8Bit(buf, int(n))).absolutePath();
}

QString CMarlixExApp::AppTitle() {
    return LoadResString(IDS_APP_TITLE);
}

QString CMarlixExApp::AboutLinkUrl() {
    return QStringLiteral("https://www.corvanta.example/zephyra");
}

QString CMarlixExApp::MapServiceUrl() {
    return QStringLiteral("https://tile.openstreetmap.org/");
}

void CMarlixExApp::ReportLoadMessage(const QString& text) {
    // Before the GUI exists (static construction) the message waits for InitInstance.
    if (QApplication::instance())
        MessageBox(nullptr, text, AppTitle(), MB_OK);
    else
        m_pendingMessages << text;
}

void CMarlixExApp::ShowPendingMessages() {
    const QStringList pending = std::exchange(m_pendingMessages, {});
    for (const QString& text : pending)
        MessageBox(nullptr, text, AppTitle(), MB_OK);
}

void CMarlixExApp::LoadVarolGraphLibrary() {
    LoadVarolGraphLibrary(QDir(ExecutableFolder()).filePath(QString::fromLatin1(kVarolGraphLibraryName)));
}

void CMarlixExApp::LoadVarolGraphLibrary(const QString& path) {
    FreeVarolGraphLibrary();
    mh_Module = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!mh_Module) {
        ReportLoadMessage(QStringLiteral("mh_Module is NULL"));
        return;
    }
    int i = 0;
#define ZX_BIND(name)                                                                                        \
    Bind(mh_Module, kEntryPoints[i].symbol, m_pfn##name);                                                    \
    if (!m_pfn##name)                                                                                        \
        ReportLoadMessage(QString::fromLatin1(kEntryPoints[i].missing));                                     \
    ++i;
    VAROLGRAPH_ENTRY_POINTS(ZX_BIND)
#undef ZX_BIND
}

void CMarlixExApp::FreeVarolGraphLibrary() {
#define ZX_CLEAR(name) m_pfn##name = nullptr;
    VAROLGRAPH_ENTRY_POINTS(ZX_CLEAR)
#undef ZX_CLEAR
    if (mh_Module) {
        dlclose(mh_Module);
        mh_Module = nullptr;
    }
}

void CMarlixExApp::PreLoadState() {
    // The "Edit" context menu (cut, copy, paste) has no user in this program's
    // windows; nothing to register on this platform.
}

BOOL CMarlixExApp::InitInstance() {
    m_bExited = false;
    ShowPendingMessages();
    Profile::SetRegistryKey(QStringLiteral("Corvanta"));
    PreLoadState();
    LoadWindowPositions();
    // Every run starts with the built-in bar layout and look.
    Profile::DeleteSection(kWorkspaceSection);

    m_templates.clear();
    auto spectrum = std::make_unique<CMultiDocTemplate>(
        IDR_SPECTRUM_TYPE, QStringLiteral("\nSpectrum\nSpectrum\n\n\nSpectrum.Document\nSpectrum Document"));
    spectrum->SetFrameFactory([this]() -> QWidget* {
        return CSpectrumFrame::CreateIn(m_pMainWnd ? m_pMainWnd->GetMdiArea() : nullptr);
    });
    AddDocTemplate(std::move(spectrum));
    auto iq = std::make_unique<CMultiDocTemplate>(IDR_IQ_TYPE,
                                                  QStringLiteral("\nIQ\nIQ\n\n\nIQ.Document\nIQ Document"));
    iq->SetFrameFactory(
        [this]() -> QWidget* { return CIQFrame::CreateIn(m_pMainWnd ? m_pMainWnd->GetMdiArea() : nullptr); });
    AddDocTemplate(std::move(iq));

    auto* pFrame = new CMainFrame;
    if (!pFrame->LoadFrame(IDR_MAINFRAME)) {
        delete pFrame;
        return FALSE;
    }
    m_pMainWnd = pFrame;
    // Parsed and then left alone: the program opens no documents, and an unknown
    // option must not end the start-up.
    QCommandLineParser commandLine;
    commandLine.parse(QCoreApplication::arguments());
    pFrame->show();
    InitAfterMainFrame();
    return TRUE;
}

void CMarlixExApp::InitAfterMainFrame() {
    m_pMarlix->m_hNotifyWnd = m_pMainWnd ? m_pMainWnd->GetSafeHwnd() : nullptr;
    m_pDeviceState = &m_pMarlix->DeviceState;
    m_pDeviceData = &m_pMarlix->DeviceDataStore;
    for (int i = 0; i < 5; ++i) {
        m_bGraphCreated[i] = 0;
        m_bGraphShown[i] = 0;
    }
    m_bDrawEnabled = 1;
    BOOL active = FALSE;
    if (SystemParametersInfo(SPI_GETSCREENSAVEACTIVE, 0, &active, 0)) {
        m_bScreenSaverWasActive = active;
        m_bScreenSaverRead = true;
        SystemParametersInfo(SPI_SETSCREENSAVEACTIVE, FALSE, nullptr, 0);
    }
    if (m_pMainWnd)
        m_pMainWnd->RefreshSettingPages();
    // Answered from the system's own reachability state: nothing is sent, nothing waits.
    m_pDeviceState->m_bInternetAvailable = InternetCheckConnection(MapServiceUrl());
}

void CMarlixExApp::ExitInstance() {
    if (m_bExited)
        return;
    m_bExited = true;
    if (m_pMainWnd) {
        if (!m_pMainWnd->isHidden())
            m_pMainWnd->close();
        else
            m_pMainWnd->OnClose();
        delete m_pMainWnd;
        m_pMainWnd = nullptr;
    }
    m_pSpectrumFrame = nullptr;
    m_pIQFrame = nullptr;
    m_templates.clear();
    if (m_pMarlix && m_pMarlix->m_hNotifyWnd)
        m_pMarlix->m_hNotifyWnd = nullptr;
    // Before the GUI is up (or after a failed start) there is nothing to save.
    if (QCoreApplication::instance())
        SaveWindowPositions();
    // Only a setting read at start-up is written back.
    if (m_bScreenSaverRead) {
        SystemParametersInfo(SPI_SETSCREENSAVEACTIVE, m_bScreenSaverWasActive, nullptr, 0);
        m_bScreenSaverRead = false;
    }
    FreeVarolGraphLibrary();
}

// --- commands ---

void CMarlixExApp::OnAppAbout() {
    // The connected instrument's version; with none there is no version to show.
    const _MxVer_u ver = m_pMarlix->GetSWVer();
    CAboutDlg dlg(m_pMarlix->HasSWVer() ? ver.m_abVer : nullptr, m_pMainWnd);
    dlg.exec();
}

void CMarlixExApp::AddDocTemplate(std::unique_ptr<CMultiDocTemplate> pTemplate) {
    m_templates.push_back(std::move(pTemplate));
}

CMultiDocTemplate* CMarlixExApp::FindTemplate(const QString& docName) const {
    for (const auto& t : m_templates)
        if (t->GetDocName() == docName)
            return t.get();
    return nullptr;
}

DeviceState& CMarlixExApp::State() const {
    return m_pDeviceState ? *m_pDeviceState : m_pMarlix->DeviceState;
}

DeviceDataStore& CMarlixExApp::Data() const {
    return m_pDeviceData ? *m_pDeviceData : m_pMarlix->DeviceDataStore;
}

int CMarlixExApp::ConnectState() const {
    return State().m_nConnectState;
}

void CMarlixExApp::SetConnectState(int nState) {
    State().m_nConnectState = nState;
}

void CMarlixExApp::OnWindowSpectrum() {
    if (!IsConnected())
        return;
    CMultiDocTemplate* t = FindTemplate(QStringLiteral("Spectrum"));
    if (!t) {
        AfxMessageBox(LoadResString(IDS_SPECTRUM_TEMPLATE_NOT_FOUND));
        return;
    }
    m_bGraphShown[0] = 1;
    m_pSpectrumFrame = OpenTemplateFrame(t, TRUE);
    if (m_pMainWnd)
        m_pMainWnd->PostMessage(WM_SPECTRUM_SETUP, 0, 0);
}

void CMarlixExApp::OnWindowIQ() {
    if (!IsConnected())
        return;
    CMultiDocTemplate* t = FindTemplate(QStringLiteral("IQ"));
    if (!t) {
        AfxMessageBox(LoadResString(IDS_IQ_TEMPLATE_NOT_FOUND));
        return;
    }
    m_bGraphShown[3] = 1;
    m_bGraphShown[4] = 1;
    m_pIQFrame = OpenTemplateFrame(t, TRUE);
}

QWidget* CMarlixExApp::OpenTemplateFrame(CMultiDocTemplate* pTemplate, BOOL bMakeVisible) {
    if (!pTemplate)
        return nullptr;
    QWidget* frame =
        pTemplate->HasDocument() ? pTemplate->GetFrame() : pTemplate->OpenDocumentFile(bMakeVisible);
    if (!frame)
        return nullptr;
    frame->showNormal();
    if (auto* sub = qobject_cast<QMdiSubWindow*>(frame)) {
        if (QMdiArea* area = sub->mdiArea())
            area->setActiveSubWindow(sub);
    } else {
        frame->activateWindow();
    }
    return frame;
}

// --- window rectangles ---

void CMarlixExApp::LoadWindowPositions() {
    WindowPositions::Load(m_rcWindowPos);
}

void CMarlixExApp::SaveWindowPositions() {
    WindowPositions::Save(m_rcWindowPos);
}

// --- settings store ---

QString CMarlixExApp::ProfileSection() const {
    if (!m_pDeviceState)
        return QString();
    return QString::fromStdU16String(m_pDeviceState->m_strProfileSection);
}

namespace {

std::uint32_t* ColorSlot(GraphColorSet& set, int index) {
    std::uint32_t* fields[11] = {&set.m_clrBG,     &set.m_clrAxis,    &set.m_clrGrid,   &set.m_clrText,
                                 &set.m_clrTextFo, &set.m_clrTextSe,  &set.m_clrData,   &set.m_clrFade,
                                 &set.m_clrDrag,   &set.m_clrMaxHold, &set.m_clrMinHold};
    return (index >= 0 && index < 11) ? fields[index] : nullptr;
}

} // namespace

std::uint32_t CMarlixExApp::ClampStoredFrequency(std::uint32_t nFreqHz, const DeviceState& s) {
    // A hand-edited or foreign profile must not send the instrument outside its range.
    if (s.m_nFreqMaxHz == 0 || s.m_nFreqMinHz > s.m_nFreqMaxHz)
        return nFreqHz;
    return std::clamp(nFreqHz, s.m_nFreqMinHz, s.m_nFreqMaxHz);
}

std::int16_t CMarlixExApp::ClampStoredLevel(int nLevelTenths) {
    // The profile holds the shown level, not the instrument's: its range is the
    // panel's. Clamped before the cut to 16 bits, which would wrap 40000 to -25536.
    return std::int16_t(std::clamp(nLevelTenths, frontpanel::kShownLevelMin, frontpanel::kShownLevelMax));
}

void CMarlixExApp::SaveGraphColor(int key) {
    if (!m_pDeviceState)
        return;
    int set = -1, index = -1;
    if (key >= KEY_SPEC_BG_COLOR && key <= KEY_SPEC_MINHOLD_COLOR) {
        set = 0;
        index = key - KEY_SPEC_BG_COLOR;
    } else if (key >= KEY_IQ_BG_COLOR && key <= KEY_IQ_MINHOLD_COLOR) {
        set = 3;
        index = key - KEY_IQ_BG_COLOR;
    } else {
        return;
    }
    const std::uint32_t value = *ColorSlot(m_pDeviceState->m_aGraphColors[set], index);
    Profile::WriteProfileInt(kGraphColorSection, SettingKeyName(key), int(value));
}

void CMarlixExApp::SaveZephyraFreq(std::uint32_t nFreqHz) {
    Profile::WriteProfileInt(ProfileSection(), SettingKeyName(KEY_ZEPHYRA_FREQ), int(nFreqHz));
}

void CMarlixExApp::SaveZephyraPower(int nPowerTenths) {
    Profile::WriteProfileInt(ProfileSection(), SettingKeyName(KEY_ZEPHYRA_POWER), nPowerTenths);
}

void CMarlixExApp::ApplyGraphColors(int nGraph) {
    if (nGraph < 0 || nGraph > 4 || m_bGraphCreated[nGraph] != 1 || !m_pDeviceState)
        return;
    GraphDesignInfo info{};
    GraphCall(m_pfnVarolGraph_GetDesignInfo, nGraph, &info);
    if (nGraph != 0 && nGraph != 3 && nGraph != 4)
        return;
    const GraphColorSet& c = m_pDeviceState->m_aGraphColors[nGraph == 0 ? 0 : 3];
    info.m_clrBG = c.m_clrBG;
    info.m_clrAxis = c.m_clrAxis;
    info.m_clrGrid = c.m_clrGrid;
    info.m_clrText = c.m_clrText;
    info.m_clrTextFo = c.m_clrTextFo;
    info.m_clrTextSe = c.m_clrTextSe;
    info.m_clrData = c.m_clrData;
    info.m_clrFade = c.m_clrFade;
    info.m_clrDrag = c.m_clrDrag;
    info.m_clrMinHold = c.m_clrMinHold;
    info.m_clrMaxHold = c.m_clrMaxHold;
    GraphCall(m_pfnVarolGraph_SetDesignInfo, nGraph, &info);
}

void CMarlixExApp::LoadDefaultSettings() {
    if (!m_pDeviceState || !m_pMarlix)
        return;
    DeviceState& s = *m_pDeviceState;
    CMarlixMFC& mx = *m_pMarlix;

    s.m_nSystemMode = 7;
    mx.Mx2InitMinMaxValueForSystemMode(7, nullptr);
    s.m_nOptionC = 0;
    s.m_nRecordFreqHz = 474000000u;
    if (s.m_nRecordFreqHz > s.m_nFreqMaxHz)
        s.m_nRecordFreqHz = s.m_nFreqMaxHz;
    if (s.m_nRecordFreqHz < s.m_nFreqMinHz)
        s.m_nRecordFreqHz = s.m_nFreqMinHz;
    std::int32_t range = 100;
    if (range > s.m_nRangeMax)
        range = s.m_nRangeMax;
    if (range < s.m_nRangeMin)
        range = s.m_nRangeMin;
    s.m_sRecordRange = std::int16_t(range);
    s.m_nIQRateHz = 60000000u;
    s.m_nIQRateHz = mx.Mx2IQRateConfirm(s.m_nProductCatalog, 60000000u);
    s.m_nPlayBusy = 0;
    s.m_anRecordOptions[1] = 2;
    s.m_anRecordOptions[2] = 0;
    s.m_anRecordOptions[3] = 0;
    s.m_anRecordOptions[4] = 200;
    s.m_anRecordOptions[0] = 0;
    const QString section = ProfileSection();
    s.m_nZephyraFreqHz = ClampStoredFrequency(
        std::uint32_t(Profile::GetProfileInt(section, SettingKeyName(KEY_ZEPHYRA_FREQ), 87900000)), s);
    s.m_sZephyraPower =
        ClampStoredLevel(Profile::GetProfileInt(section, SettingKeyName(KEY_ZEPHYRA_POWER), -200));
    s.m_nPlaySource = 2;
    s.m_nPlayRateHz = 10000000u;
    if (s.m_nPlayRateHz < s.m_nRateMinHz)
        s.m_nPlayRateHz = s.m_nRateMinHz;
    if (s.m_nPlayRateHz > s.m_nRateMaxHz)
        s.m_nPlayRateHz = s.m_nRateMaxHz;
    s.m_nSpectralInv = 0;
    s.m_nResBW = 1;
    mx.Zephyra_UI_MFC_ResBW(MX_RESBW_300HZ);
    s.m_nAverageType = 0;
    s.m_nAverageCount = 10;
    mx.SetAverageType(MX_AVERAGE_OFF, 10);
    s.m_nPowerUnitFrom = 0;
    mx.SetPowerUnitdBType(POWER_UNIT_DBM);
    s.m_nRef10MHz = 0;
    s.m_nTrigger = 0;
    s.m_nTriggerOut = 0;
    s.m_nOptionA = 0;
    s.m_nOptionB = 30;
    s.m_nUpdateSpeed = 1;
    s.m_dSampleClockKHz = 46511.7188;
    s.m_nFrequencyStep = 0;
    mx.SetFrequencyStepHz(0);
    s.m_nFullBandStartHz = 48000000u;
    s.m_nFullBandEndHz = 1000000000u;

    const GraphColorSet defaults;
    for (int set : {0, 3}) {
        const int firstKey = set == 0 ? KEY_SPEC_BG_COLOR : KEY_IQ_BG_COLOR;
        GraphColorSet& target = s.m_aGraphColors[set];
        GraphColorSet def = defaults;
        for (int i = 0; i < 11; ++i) {
            const int value = Profile::GetProfileInt(kGraphColorSection, SettingKeyName(firstKey + i),
                                                     int(*ColorSlot(def, i)));
            *ColorSlot(target, i) = std::uint32_t(value);
        }
    }
}

// --- graphs ---

namespace {
void ShowMarkerTexts(const CMarlixExApp& app, bool markerMode) {
    for (int i = 0; i < 4; ++i)
        app.GraphCall(app.m_pfnVarolGraph_SetCustomTextVisible, 0, MeasureRules::kTextMarker1 + i, 0);
    if (!markerMode)
        return;
    for (int i = 0; i < app.m_pMarlix->GetMarkerCounts() + 1 && i < 4; ++i)
        app.GraphCall(app.m_pfnVarolGraph_SetCustomTextVisible, 0, MeasureRules::kTextMarker1 + i, -1);
}
} // namespace

void CMarlixExApp::SetGraphMode(int nGraph, int nMode) {
    if (nGraph < 0 || nGraph > 4 || m_bGraphCreated[nGraph] != 1)
        return;
    GraphCall(m_pfnVarolGraph_SetMode, nGraph, nMode);
    if (nGraph != 0)
        return;
    if (m_pDeviceState)
        m_pDeviceState->m_nSpectrumMode = nMode;
    ShowMarkerTexts(*this, nMode == VG_MODE_MARKER);
}

void CMarlixExApp::SetMarkerCount(int nMarkerCount) {
    if (m_bGraphCreated[0] != 1)
        return;
    GraphCall(m_pfnVarolGraph_SetMarkCount, 0, nMarkerCount + 1);
    ShowMarkerTexts(*this, m_pDeviceState && m_pDeviceState->m_nSpectrumMode == VG_MODE_MARKER);
}

int CMarlixExApp::AddCmd(MX_CMD_ID_e cmd, MX_RW_ID_e rw, unsigned int size, const void* payload, HWND hReply,
                         std::uint32_t* pRef) {
    if (pRef)
        *pRef = 0;
    if (m_fnCommandTap)
        m_fnCommandTap(cmd, rw, size, payload, hReply);
    const int queued = m_fnCommandQueue ? m_fnCommandQueue(cmd, rw, size, payload, hReply, pRef)
                       : m_pMarlix      ? m_pMarlix->MxAddCmd(cmd, rw, size, payload, hReply, pRef)
                                        : 0;
    // Refused on a live link: whoever sent it is not answered, and the user hears of it.
    if (queued == 0 && ConnectState() == MX_CONNECT_CONNECTED && m_pMainWnd)
        m_pMainWnd->ShowCommandNotSent();
    return queued;
}

// The application object: start-up and shut-down order, the graph library binding,
// the pointers into the device library object, the graph flags, the window
// rectangles and the settings store.
#pragma once
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

#include "app/DocTemplate.h"
#include "app/SettingKeyTable.h"
#include "app/WindowPositions.h"
#include "device/MarlixMFC.h"
#include "graph/VarolGraph.h"
#include "winbase/WinTypes.h"

class CMainFrame;
class QWidget;

class CMarlixExApp {
public:
    CMarlixExApp();
    ~CMarlixExApp();
    CMarlixExApp(const CMarlixExApp&) = delete;
    CMarlixExApp& operator=(const CMarlixExApp&) = delete;

    int m_nAppLook = 218;

    // One member per graph-library entry point, null until bound. Call them through
    // GraphCall, which skips a missing entry point (result 0) instead of crashing.
#define ZX_GRAPH_MEMBER(name) PFN_##name m_pfn##name = nullptr;
    VAROLGRAPH_ENTRY_POINTS(ZX_GRAPH_MEMBER)
#undef ZX_GRAPH_MEMBER

    // The program reaches the device state through these two (never g_Marlix's
    // blocks directly); set once the main frame is shown.
    DeviceState* m_pDeviceState = nullptr;
    DeviceDataStore* m_pDeviceData = nullptr;
    CMarlixMFC* m_pMarlix = nullptr;
    int m_bGraphCreated[5] = {}; // by graph number: 0 spectrum, 3 I, 4 Q
    int m_bGraphShown[5] = {};
    BOOL m_bScreenSaverWasActive = FALSE;
    BOOL m_bDrawEnabled = FALSE;
    void* mh_Module = nullptr; // the loaded graph library
    const SettingKeyEntry* m_pSettingKeys = nullptr;
    RECT m_rcWindowPos[WINDOW_POS_COUNT];
    QWidget* m_pSpectrumFrame = nullptr;
    QWidget* m_pIQFrame = nullptr;

    CMainFrame* m_pMainWnd = nullptr;

    // Calls a graph entry point, or returns 0 when it was not bound.
    template <typename... P, typename... A> int GraphCall(int(VG_CALL* pfn)(P...), A&&... args) const {
        return pfn ? pfn(std::forward<A>(args)...) : 0;
    }

    // --- start-up and shut-down ---
    // Binds the graph library from the executable's folder.
    void LoadVarolGraphLibrary();
    // Binds it from this file (tests); any previous binding is freed first.
    void LoadVarolGraphLibrary(const QString& path);
    void FreeVarolGraphLibrary();
    // Messages of a binding made before any window could show them (the static
    // construction); shown at the start of InitInstance.
    void ShowPendingMessages();

    BOOL InitInstance();
    void PreLoadState();
    void InitAfterMainFrame();
    // Shut-down work (also run by the destructor when main did not): the frame
    // goes, the rectangles are saved, the screen saver restored, the graph
    // library freed. Runs once.
    void ExitInstance();

    // --- commands (the main frame forwards them) ---
    void OnAppAbout();
    void OnWindowSpectrum();
    void OnWindowIQ();
    QWidget* OpenTemplateFrame(CMultiDocTemplate* pTemplate, BOOL bMakeVisible);
    void AddDocTemplate(std::unique_ptr<CMultiDocTemplate> pTemplate);
    const std::vector<std::unique_ptr<CMultiDocTemplate>>& GetDocTemplates() const {
        return m_templates;
    }
    CMultiDocTemplate* FindTemplate(const QString& docName) const;

    // --- window rectangles ---
    void LoadWindowPositions();
    void SaveWindowPositions();

    // --- settings store ---
    void LoadDefaultSettings();
    void SaveGraphColor(int key);
    void SaveZephyraFreq(std::uint32_t nFreqHz);
    void SaveZephyraPower(int nPowerTenths);
    void ApplyGraphColors(int nGraph);
    // A stored output frequency brought inside the limits of DeviceState, and a
    // stored front-panel level inside the range the panel shows after a connection.
    static std::uint32_t ClampStoredFrequency(std::uint32_t nFreqHz, const DeviceState& s);
    static std::int16_t ClampStoredLevel(int nLevelTenths);

    // The program's one way to the device state block and data area:
    // m_pDeviceState / m_pDeviceData once the main frame is shown, the library
    // object's own blocks (the same ones) before that.
    DeviceState& State() const;
    DeviceDataStore& Data() const;
    // DeviceState m_nConnectState (_MxConnectState_e).
    int ConnectState() const;
    void SetConnectState(int nState);
    bool IsConnected() const {
        return ConnectState() == MX_CONNECT_CONNECTED;
    }

    // --- graphs ---
    // Mode of an existing graph; for graph 0 also the spectrum mode and the marker
    // read-outs shown in Marker mode.
    void SetGraphMode(int nGraph, int nMode);
    // Markers of graph 0 (value 0 = one marker) and the read-outs shown for them.
    void SetMarkerCount(int nMarkerCount);

    // Queues a device command (the arguments of CMarlixMFC::MxAddCmd): 1 when
    // queued, 0 when refused; *pRef gets its identity (0 when refused).
    int AddCmd(MX_CMD_ID_e cmd, MX_RW_ID_e rw, unsigned int size, const void* payload, HWND hReply,
               std::uint32_t* pRef = nullptr);
    // For tests: sees every command AddCmd queues.
    std::function<void(MX_CMD_ID_e, MX_RW_ID_e, unsigned int, const void*, HWND)> m_fnCommandTap;
    // For tests: when set, stands for the library's queue (its answer and the identity).
    std::function<int(MX_CMD_ID_e, MX_RW_ID_e, unsigned int, const void*, HWND, std::uint32_t*)>
        m_fnCommandQueue;

    // The web address of the About box link, and the host of the reachability check.
    static QString AboutLinkUrl();
    static QString MapServiceUrl();
    static QString AppTitle();

    // Folder of the running executable (graph library, img/).
    static QString ExecutableFolder();

private:
    void ReportLoadMessage(const QString& text);
    QString ProfileSection() const;

    QStringList m_pendingMessages;
    std::vector<std::unique_ptr<CMultiDocTemplate>> m_templates;
    bool m_bScreenSaverRead = false;
    bool m_bExited = false;
};

extern CMarlixExApp theApp;
// The framework's current-application accessor.
inline CMarlixExApp* AfxGetApp() {
    return &theApp;
}

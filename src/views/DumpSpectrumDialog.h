// The window in which the graph library draws the spectrum (graph 0): mouse input
// to the graph, the right-button "Marker" menu (peak search, markers, holds), and
// the stepping and setting of the focused y bound or gain. It keeps its own copy
// of the instrument settings, whose level field is the gain stepped here.
#pragma once
#include "device/MarlixMFC.h"
#include "res/resource.h"
#include "views/GraphHostDialog.h"

class CMarlixExApp;
class CMainFrame;
class QMenu;

class CDumpSpectrumDialog : public CGraphHostDialog {
    Q_OBJECT
    DECLARE_MESSAGE_MAP()
public:
    static constexpr UINT_PTR kGainTimer = 8;
    static constexpr UINT kGainMs = 300;

    explicit CDumpSpectrumDialog(UINT nTemplateId = IDD_SPECTRUM_GRAPH, QWidget* pParent = nullptr);

    BOOL OnInitDialog() override;

    DeviceSettings m_settings;
    CMarlixExApp* m_pApp = nullptr;
    CMainFrame* m_pMainWnd = nullptr;

    // From the Spectrum view's wheel handling; TRUE.
    BOOL OnGraphWheel(UINT nFlags, short zDelta, int x, int y);
    void SetGraphTextValue(int nIndex, double dValue);
    void StepGraphText(int nIndex, int nDirection);
    void ReloadDeviceSettings();

    void OnPeakSearch();
    void OnMarker1();
    void OnMarker2();
    void OnMarker3();
    void OnMarker4();
    void OnHoldMax();
    void OnHoldMin();
    void OnClearHold();
    void OnTimer(UINT_PTR nIDEvent) override;

    // The "Marker" menu as the right button shows it (the caller owns it).
    QMenu* CreateMarkerMenu();

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;

private:
    bool GraphExists() const;
    void SetMarkers(int nValue);
    void ToggleHold(bool bMax);
    void RenderIfDrawing();
};

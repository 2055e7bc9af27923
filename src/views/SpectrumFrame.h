// The Spectrum window: an MDI child at its saved rectangle that hides instead of
// closing, with the graph-mode commands of the Analyzer menu, Undo and Auto Range.
#pragma once
#include <QMdiSubWindow>
#include <memory>

#include "platform/MsgTarget.h"
#include "views/SpectrumDoc.h"

class QMdiArea;
class CMarlixExApp;
class CSpectrumView;

class CSpectrumFrame : public QMdiSubWindow, public CMsgTarget {
    Q_OBJECT
    DECLARE_MESSAGE_MAP()
public:
    CSpectrumFrame();
    ~CSpectrumFrame() override;

    // The frame, its document and view inside the MDI area (the template's factory).
    static CSpectrumFrame* CreateIn(QMdiArea* pArea);

    CSpectrumView* GetActiveView() const { return m_pView; }
    CSpectrumDoc& GetDocument() { return m_doc; }

    void OnMode3D();
    void OnMode2D();
    void OnModeZoom();
    void OnModeMarker();
    void OnModeBandPower();
    void OnUpdateMode3D(CCmdUI* pCmdUI);
    void OnUpdateMode2D(CCmdUI* pCmdUI);
    void OnUpdateModeZoom(CCmdUI* pCmdUI);
    void OnUpdateModeMarker(CCmdUI* pCmdUI);
    void OnUpdateModeBandPower(CCmdUI* pCmdUI);
    void OnUndo();
    void OnAutoRange();
    void OnUpdateConnected(CCmdUI* pCmdUI);

    void OnClose();

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void OnCreateClient();
    void SetMode(int nMode);
    void UpdateMode(CCmdUI* pCmdUI, int nMode);

    CMarlixExApp* m_pApp;
    CSpectrumDoc m_doc;
    CSpectrumView* m_pView = nullptr;
};

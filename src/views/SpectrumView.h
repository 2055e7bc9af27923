// The Spectrum window's view: holds the graph host window, creates graph 0 in it
// on the first paint, and turns keys on the graph into WM_GRAPH_KEY for the main
// frame (Ctrl+Z undoes; Ctrl + left Shift + C opens the calibration dialog).
#pragma once
#include <QWidget>

#include "graph/VarolGraph.h"
#include "views/DumpSpectrumDialog.h"

class CSpectrumView : public QWidget {
    Q_OBJECT
public:
    explicit CSpectrumView(QWidget* pParentFrame);
    ~CSpectrumView() override;

    CDumpSpectrumDialog m_dlgSpectrum;
    GraphDataInfo m_graphInfoSaved{};

    void OnDraw();
    // Size of a window that has no stored rectangle yet.
    QSize sizeHint() const override { return QSize(640, 300); }
    void CreateGraph();
    // The power unit changed: the range kept for closing moves with the graph's.
    void ShiftSavedLevelRange(double dB);
    // A key pressed on the graph (virtual key); true when it was taken.
    bool PreTranslateKey(int vk, bool bCtrl, bool bLeftShift);

protected:
    void paintEvent(QPaintEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    bool m_bLeftShift = false;
    bool m_bRightShift = false;
};

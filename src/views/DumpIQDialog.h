// The host window of one I/Q sample graph (3 or 4): mouse input goes to the graph;
// no wheel, double click (the host's), right button or keys.
#pragma once
#include "views/GraphHostDialog.h"

class CDumpIQDialog : public CGraphHostDialog {
    Q_OBJECT
public:
    CDumpIQDialog(int nGraph, UINT nTemplateId);
    int Graph() const { return m_nGraph; }

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    int m_nGraph;
};

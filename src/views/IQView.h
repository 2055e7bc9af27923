// The IQ window's view: the I graph (3) above the Q graph (4), each in its host
// window, both created on the first paint.
#pragma once
#include <QWidget>

#include "views/DumpIDialog.h"
#include "views/DumpQDialog.h"

class CIQView : public QWidget {
    Q_OBJECT
public:
    explicit CIQView(QWidget* pParentFrame);
    ~CIQView() override;

    CDumpIDialog m_dlgI;
    CDumpQDialog m_dlgQ;

    void OnDraw();
    // Size of a window that has no stored rectangle yet.
    QSize sizeHint() const override { return QSize(640, 360); }
    void CreateIQGraph(int nGraph, CDumpIQDialog& dlg);
    // The two halves for a client height: (h - 4) / 2 each.
    void Layout(int nWidth, int nHeight);

protected:
    void paintEvent(QPaintEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
};

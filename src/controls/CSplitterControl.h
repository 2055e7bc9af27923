// Thin bar the user drags to move the border between two neighbours. It draws a
// guide line while dragging, then moves itself and tells its owner how far
// (WM_NOTIFY with SPLITTER_MOVED). The owner moves the neighbours.
#pragma once
#include <QPointer>
#include <QRect>
#include <QWidget>

#include "controls/ControlMessages.h"
#include "platform/MsgTarget.h"

class CSplitterControl : public QWidget, public CMsgTarget {
    Q_OBJECT
public:
    explicit CSplitterControl(QWidget* parent = nullptr);
    ~CSplitterControl() override;

    UINT GetDlgCtrlID() const { return m_nID; }
    void SetDlgCtrlID(UINT nID) { m_nID = nID; }

    // rect in the parent's coordinates; a rectangle narrower than high is a vertical bar.
    BOOL Create(const QRect& rect, QWidget* parent, UINT nID);
    // Limits around root (the bar's centre when root is negative), in the parent's
    // client coordinates.
    void SetRange(int nSubtract, int nAdd, int nRoot = -1);
    void MoveWindowTo(QPoint ptInParent);
    // Notifications go here when set, else to the parent.
    void SetOwner(QWidget* owner) { m_pOwner = owner; }
    QWidget* GetOwner() const;

    virtual void DrawLine(int x, int y);

    BOOL m_bIsPressed = 0;
    int m_nType = 1; // 1 vertical bar (moves on x), 2 horizontal bar (moves on y)
    // Centre line during a drag, its start and the limits: all in the parent's
    // client coordinates, so the limits compare with what they were set in.
    int m_nX = 0;
    int m_nY = 0;
    int m_nMin = 0;
    int m_nMax = 0;
    int m_nSavePos = 0;

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    int CentreOnAxis() const;
    void HideLine();

    UINT m_nID = 0;
    QPointer<QWidget> m_pOwner;
    QWidget* m_pLine = nullptr; // the guide line, a child of the parent
};

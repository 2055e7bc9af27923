// A borderless child window in which the graph library draws one graph: the
// creation that the Spectrum, I and Q host windows share.
#pragma once
#include <QWidget>

#include "platform/MsgTarget.h"

class CGraphHostDialog : public QWidget, public CMsgTarget {
    Q_OBJECT
public:
    explicit CGraphHostDialog(UINT nTemplateId = 0, QWidget* pParent = nullptr);

    // Makes the window a child of the parent and initialises it; TRUE when done.
    virtual BOOL Create(UINT nTemplateId, QWidget* pParentWnd);
    virtual BOOL OnInitDialog() { return TRUE; }

    UINT m_nTemplateId = 0;
    QWidget* m_pParentWnd = nullptr;

    // Client-coordinate flags of a mouse event as the graph library takes them.
    static int LeftHeld(Qt::MouseButtons buttons) { return (buttons & Qt::LeftButton) ? 1 : 0; }

protected:
    // The second click of a double click is no button-down for the graph (Qt would
    // hand it to the press handler); a host that takes double clicks overrides this.
    void mouseDoubleClickEvent(QMouseEvent* e) override;
};

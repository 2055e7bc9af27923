// The IQ window: an MDI child at its saved rectangle, split into the I and Q
// halves, that hides instead of closing.
#pragma once
#include <QMdiSubWindow>

#include "platform/MsgTarget.h"
#include "views/IQDoc.h"

class QMdiArea;
class CIQView;

class CIQFrame : public QMdiSubWindow, public CMsgTarget {
    Q_OBJECT
public:
    CIQFrame();
    ~CIQFrame() override;

    static CIQFrame* CreateIn(QMdiArea* pArea);
    CIQView* GetActiveView() const { return m_pView; }
    void OnClose();

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void OnCreateClient();

    CIQDoc m_doc;
    CIQView* m_pView = nullptr;
};

// The right-hand docking pane that holds the front panel: the panel sits at the
// top left at the size of its background picture, and the pane paints black
// below it.
#pragma once
#include <QDockWidget>
#include <QImage>
#include <QSize>

#include "output/CZephyraCtrlDlg.h"
#include "platform/MsgTarget.h"

class CZephyraPaneDlg : public QDockWidget, public CMsgTarget {
    Q_OBJECT
public:
    explicit CZephyraPaneDlg(QWidget* parent = nullptr);
    ~CZephyraPaneDlg() override;

    // Makes the client, the panel inside it (initialised, shown, disabled).
    BOOL Create();
    // The panel loads from DeviceState, and is enabled only while connected.
    void RefreshFromDevice();

    CZephyraCtrlDlg m_dlgCtrl;
    QImage m_bmBack;
    QSize m_bmInfo;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    QWidget* m_pClient = nullptr;
};

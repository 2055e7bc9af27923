// The bottom docking pane that holds the play bar: the bar sits at the top left
// at the size of its background picture, and the pane paints black right of it.
#pragma once
#include <QDockWidget>
#include <QImage>
#include <QSize>

#include "platform/MsgTarget.h"

class CDumpPlayBar;

class CPaneDialogCaptuePlayCtrlBar : public QDockWidget, public CMsgTarget {
    Q_OBJECT
public:
    explicit CPaneDialogCaptuePlayCtrlBar(QWidget* parent = nullptr);
    ~CPaneDialogCaptuePlayCtrlBar() override;

    // Makes the client and the bar inside it (shown, disabled).
    BOOL Create();
    // The bar forgets its file, and is enabled only while connected.
    void UpdateConnectState();

    // The play bar's window and its handle (the front panel tells it of a new
    // sample clock).
    QWidget* PlayBarWindow() const;
    HWND PlayBarHwnd() const;

    CDumpPlayBar* m_dlgPlayBar = nullptr;
    QImage m_bmBack;
    QSize m_bmInfo;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    QWidget* m_pClient = nullptr;
};

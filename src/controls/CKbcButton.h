// Push button whose whole face is one of four frames of a picture file: normal,
// hover, pressed, disabled. While m_bDisabled is set it shows the disabled frame
// and gives no click at all.
#pragma once
#include <QAbstractButton>
#include <QString>

#include "controls/CKbcBmp.h"
#include "platform/MsgTarget.h"

namespace ctl {
// Frame shown: disabled over pressed over hover over normal.
int KbcFrameFor(bool disabled, bool pressed, bool hover);
} // namespace ctl

class CKbcButton : public QAbstractButton, public CMsgTarget {
    Q_OBJECT
public:
    explicit CKbcButton(QWidget* parent = nullptr, UINT nID = 0);
    ~CKbcButton() override;

    UINT GetDlgCtrlID() const { return m_nID; }
    void SetDlgCtrlID(UINT nID) { m_nID = nID; }

    // Keeps the top-left corner and takes the size of one frame. A picture that
    // cannot be loaded leaves the button its size and draws an empty outline.
    void LoadImageFile(const QString& path, COLORREF key);
    // The command path of a click (the equivalent of BM_CLICK): nothing while disabled.
    // Use it rather than QAbstractButton::click(), which cannot be gated.
    void Click();
    int CurrentFrame() const;

    CKbcBmp m_bmp;
    COLORREF m_clrKey = 0;
    BOOL m_bDisabled = 0;
    BOOL m_bTracking = 0;
    BOOL m_bHover = 0;

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void leaveEvent(QEvent* e) override;
    bool hitButton(const QPoint& pos) const override;
    bool event(QEvent* e) override;

private:
    UINT m_nID = 0;
};

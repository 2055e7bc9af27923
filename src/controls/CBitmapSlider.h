// Slider drawn entirely from bitmaps: a seek slider (channel and thumb bitmaps)
// or, in digit mode, a one-character digit cell that turns keys, wheel and focus
// into notifications to its parent. The owner sets the public fields directly.
#pragma once
#include <QImage>
#include <QRect>
#include <QWidget>

#include "controls/ControlMessages.h"
#include "controls/SliderMath.h"
#include "platform/MsgTarget.h"

class CBitmapSlider : public QWidget, public CMsgTarget {
    Q_OBJECT
public:
    explicit CBitmapSlider(QWidget* parent = nullptr, UINT nID = 0);
    ~CBitmapSlider() override;

    UINT GetDlgCtrlID() const { return m_nID; }
    void SetDlgCtrlID(UINT nID) { m_nID = nID; }

    void SetPos(int nPos);
    BOOL LoadChannelBitmaps(); // 428 normal, 429 active
    BOOL LoadThumbBitmaps();   // 430 normal, 431 while pressed
    BOOL SetDigitBitmap(int nValue, int bHighlight);
    int PosToPixel(int nPos) const;
    int PixelToPos(int nPixel) const;
    // Lets go of the mouse (for an owner that disables the control mid-drag).
    void ReleaseCapture();

    ctl::SliderAxis Axis() const;

    int m_nMax = 100;
    int m_nMin = 0;
    int m_nPos = 0;
    int m_nPage = 20;
    UINT m_nDigitBmpHighlight = 0;
    UINT m_nDigitBmpNormal = 0;
    BOOL m_bDigitMode = 0;
    QRect m_rect;
    int m_nWidth = 0;
    int m_nHeight = 0;
    int m_nThumbWidth = 0;
    int m_nThumbHeight = 0;
    int m_nMarginLeft = 0;
    int m_nMarginRight = 0;
    int m_nMarginTop = 0;
    int m_nMarginBottom = 0;
    int m_nThumbBgX = -1; // kept for owners; Qt composes the thumb, nothing is saved
    int m_nThumbBgY = -1;
    int m_nMouseOffset = 0;
    BOOL m_bVertical = 0;
    BOOL m_bChannelActive = 0;
    BOOL m_bThumbActive = 0;
    BOOL m_bTransparentChannel = 0;
    BOOL m_bTransparentThumb = 0;
    BOOL m_bThumb = 0;
    BOOL m_bChannel = 0;
    BOOL m_bLButtonDown = 0;
    BOOL m_bFocus = 0;
    BOOL m_bFocusRectDrawn = 0;
    BOOL m_bDrawFocusRect = 1;
    BOOL m_bEnable = 1;
    // Pictures; the *Mask images are the keyed (transparent) versions ready to draw.
    QImage m_bmChannel;
    QImage m_bmChannelMask;
    QImage m_bmChannelActive;
    QImage m_bmThumb;
    QImage m_bmThumbMask;
    QImage m_bmThumbActive;
    QImage m_bmThumbBg;
    BOOL m_bInputEnabled = 1;

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    void Notify(UINT msg, LPARAM lParam);
    void DragTo(const QPoint& pt);
    QRect DrawRect() const;

    UINT m_nID = 0;
    QImage m_bmThumbActiveKeyed;
};

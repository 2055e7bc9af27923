// Round knob: keeps a range and a position like a trackbar and draws a dial
// bitmap with a small knob bitmap on a circle at the position's angle.
#pragma once
#include <QColor>
#include <QFont>
#include <QPoint>
#include <QRegion>
#include <QString>
#include <QWidget>

#include "controls/CVMBitmap.h"
#include "controls/ControlMessages.h"
#include "controls/KnobMath.h"
#include "platform/MsgTarget.h"

class CRoundSliderCtrl : public QWidget, public CMsgTarget {
    Q_OBJECT
public:
    explicit CRoundSliderCtrl(QWidget* parent = nullptr, UINT nID = 0);
    ~CRoundSliderCtrl() override;

    UINT GetDlgCtrlID() const { return m_nID; }
    void SetDlgCtrlID(UINT nID) { m_nID = nID; }

    // Trackbar part.
    void SetRange(int nMin, int nMax, BOOL bRedraw = FALSE);
    int GetRangeMin() const { return m_nRangeMin; }
    int GetRangeMax() const { return m_nRangeMax; }
    void SetPos(int nPos); // clamped into the range, redraws
    int GetPos() const { return m_nTrackPos; }
    void SetLineSize(int n) { m_nLineSize = n; }
    int GetLineSize() const { return m_nLineSize; }
    void SetPageSize(int n) { m_nPageSize = n; }
    int GetPageSize() const { return m_nPageSize; }

    virtual void SetTextFormat(const QString& fmt) { m_strTextFormat = fmt; }
    virtual QString GetTextFormat() const { return m_strTextFormat; }
    virtual void SetKnobRadius(int n) { m_nKnobRadius = n; }
    virtual int GetKnobRadius() const { return m_nKnobRadius; }
    virtual void SetDragByKnob(bool b) { m_bDragByKnob = b; }
    virtual bool GetDragByKnob() const { return m_bDragByKnob; }
    virtual void SetZero(int n) { m_nZero = n; }
    virtual int GetZero() const { return m_nZero; }
    virtual void SetInverted(bool b) { m_bInverted = b; }
    virtual bool GetInverted() const { return m_bInverted; }
    virtual void SetKnobInset(bool b) { m_bKnobInset = b; }
    virtual bool GetKnobInset() const { return m_bKnobInset; }
    virtual void SetBrushColorB(COLORREF c) { m_crBrushB = c; }
    virtual void SetBrushColorA(COLORREF c) { m_crBrushA = c; }
    virtual void SetTextColor(COLORREF c) { m_crText = c; }
    virtual void SetFontBold(bool b);
    virtual void SetFontUnderline(bool b);
    virtual void SetFontItalic(bool b);
    virtual void SetFontSize(int n);
    virtual void SetFontName(const QString& name);
    virtual QString GetText() const;
    virtual void ReconstructFont();
    virtual void SetWindowRegion();
    virtual bool SetPosFromPoint(QPoint pt);
    virtual void NotifyScroll(UINT code);

    // index 0 the dial, 1 the knob.
    void SetSliderBitmap(const QImage& bmp, int index);

    // Where the knob centre goes for the current position (as the paint puts it).
    QPoint KnobCentre() const;

    QPoint m_ptCenter;
    QPoint m_ptKnob;
    int m_nRadius = 0;
    QRegion m_rgn;
    int m_nZero = 0;
    bool m_bInverted = false;
    QString m_strTextFormat = QStringLiteral("%ld");
    int m_nKnobRadius = 6;
    bool m_bDragging = false;
    bool m_bDragByKnob = false;
    bool m_bDragChanged = false;
    bool m_bKnobInset = false;
    QFont m_lf;
    QFont m_font;
    COLORREF m_crText = 0;
    COLORREF m_crBrushA = 0;
    COLORREF m_crBrushB = 0;
    CVMBitmap m_bitmaps[2];

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;

private:
    void SetTrackPos(int p);
    void RedrawNow();

    UINT m_nID = 0;
    int m_nRangeMin = 0;
    int m_nRangeMax = 359;
    int m_nTrackPos = 0;
    int m_nLineSize = 1;
    int m_nPageSize = 10;
};

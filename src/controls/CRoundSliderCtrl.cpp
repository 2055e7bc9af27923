#include "controls/CRoundSliderCtrl.h"

#include <QFontDatabase>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QWheelEvent>
#include <algorithm>

#include "controls/CMyMemDC.h"

CRoundSliderCtrl::CRoundSliderCtrl(QWidget* parent, UINT nID)
    : QWidget(parent), CMsgTarget(this), m_nID(nID) {
    setFocusPolicy(Qt::StrongFocus);
    m_lf = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    m_font = m_lf;
    m_crText = ctl::GetSysColor(ctl::COLOR_WINDOWTEXT);
    m_crBrushA = m_crBrushB = ctl::GetSysColor(ctl::COLOR_BTNFACE);
    SetWindowRegion();
}

CRoundSliderCtrl::~CRoundSliderCtrl() = default;

void CRoundSliderCtrl::SetRange(int nMin, int nMax, BOOL bRedraw) {
    m_nRangeMin = nMin;
    m_nRangeMax = nMax;
    SetTrackPos(m_nTrackPos);
    if (bRedraw)
        update();
}

void CRoundSliderCtrl::SetTrackPos(int p) {
    // A trackbar keeps its position inside its range.
    if (m_nRangeMax >= m_nRangeMin)
        p = std::clamp(p, m_nRangeMin, m_nRangeMax);
    m_nTrackPos = p;
}

void CRoundSliderCtrl::SetPos(int nPos) {
    SetTrackPos(nPos);
    update();
}

void CRoundSliderCtrl::SetFontBold(bool b) {
    m_lf.setBold(b);
    ReconstructFont();
}
void CRoundSliderCtrl::SetFontUnderline(bool b) {
    m_lf.setUnderline(b);
    ReconstructFont();
}
void CRoundSliderCtrl::SetFontItalic(bool b) {
    m_lf.setItalic(b);
    ReconstructFont();
}
void CRoundSliderCtrl::SetFontSize(int n) {
    if (n > 0)
        m_lf.setPixelSize(n);
    ReconstructFont();
}
void CRoundSliderCtrl::SetFontName(const QString& name) {
    m_lf.setFamily(name);
    ReconstructFont();
}
void CRoundSliderCtrl::ReconstructFont() {
    m_font = m_lf;
}

QString CRoundSliderCtrl::GetText() const {
    // Only the integer conversions are honoured; the format is never handed to printf.
    QString s = m_strTextFormat;
    const QString num = QString::number(m_nTrackPos);
    s.replace(QStringLiteral("%ld"), num);
    s.replace(QStringLiteral("%d"), num);
    s.replace(QStringLiteral("%%"), QStringLiteral("%"));
    return s;
}

void CRoundSliderCtrl::SetWindowRegion() {
    const QRect r = rect();
    const int s = std::min(r.width(), r.height());
    m_ptCenter = QPoint((r.left() + s) / 2, (r.top() + s) / 2);
    m_nRadius = s / 2 - m_nKnobRadius;
    m_rgn = QRegion(QRect(r.left(), r.top(), s, s), QRegion::Ellipse);
    if (s > 0)
        setMask(m_rgn);
    else
        clearMask();
    update();
}

void CRoundSliderCtrl::SetSliderBitmap(const QImage& bmp, int index) {
    if (index < 0 || index > 1)
        return;
    CVMBitmap& b = m_bitmaps[index];
    b.Attach(bmp);
    int w = 0, h = 0;
    b.GetSize(w, h);
    if (index == 0 && w > 0 && h > 0)
        resize(w, h); // the resize makes the new region
    RedrawNow();
}

void CRoundSliderCtrl::RedrawNow() {
    repaint();
}

QPoint CRoundSliderCtrl::KnobCentre() const {
    const int a = ctl::KnobAngle(m_nTrackPos, m_nRangeMin, m_nRangeMax, m_nZero, m_bInverted);
    return ctl::KnobPoint(a, m_ptCenter, m_nRadius, m_nKnobRadius, m_bKnobInset);
}

void CRoundSliderCtrl::paintEvent(QPaintEvent*) {
    QPainter pdc(this);
    pdc.setBackground(palette().window());
    CMyMemDC dc(&pdc, nullptr, FALSE);
    const QPoint k = KnobCentre();
    m_ptKnob = k;
    m_bitmaps[0].DrawTransparent(dc, 0, 0, 0x00FF00FF);
    int w = 0, h = 0;
    m_bitmaps[1].GetSize(w, h);
    // Colour 0 differs from the starting key, so the knob keys out its corner colour.
    m_bitmaps[1].DrawTransparent(dc, k.x() + 1 - w / 2, k.y() + 1 - h / 2, 0);
}

void CRoundSliderCtrl::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    SetWindowRegion();
}

bool CRoundSliderCtrl::SetPosFromPoint(QPoint pt) {
    const double angle = ctl::KnobAngleOfPoint(pt, m_ptCenter, m_bInverted, m_nZero);
    const int raw = ctl::KnobRawPos(angle, m_nRangeMin, m_nRangeMax);
    const bool changed = raw != m_nTrackPos;
    if (changed) {
        SetTrackPos(ctl::KnobDragPos(raw));
        update();
        if (hasFocus())
            ::PostMessage(GetParentHwnd(), WM_KNOB_CHANGED, m_nID, m_nTrackPos);
    }
    return changed;
}

void CRoundSliderCtrl::NotifyScroll(UINT code) {
    const HWND parent = GetParentHwnd();
    if (!parent)
        return;
    ::PostMessage(parent, WM_HSCROLL, MakeWParam(code, static_cast<unsigned>(m_nTrackPos)),
                  reinterpret_cast<LPARAM>(GetSafeHwnd()));
}

void CRoundSliderCtrl::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) {
        e->ignore();
        return;
    }
    const QPoint pt = e->position().toPoint();
    if (m_bDragByKnob) {
        const QPoint d = pt - m_ptKnob;
        if (d.x() * d.x() + d.y() * d.y() > m_nKnobRadius * m_nKnobRadius) {
            e->accept();
            return;
        }
    }
    if (!m_bDragging) {
        m_bDragging = true;
        m_bDragChanged = false;
        if (focusPolicy() & Qt::ClickFocus)
            setFocus(Qt::MouseFocusReason);
        if (SetPosFromPoint(pt)) {
            m_bDragChanged = true;
            NotifyScroll(TB_THUMBTRACK);
        }
        RedrawNow();
    }
    e->accept();
}

void CRoundSliderCtrl::mouseMoveEvent(QMouseEvent* e) {
    if (m_bDragging && SetPosFromPoint(e->position().toPoint())) {
        m_bDragChanged = true;
        NotifyScroll(TB_THUMBTRACK);
        RedrawNow();
    }
    e->accept();
}

void CRoundSliderCtrl::mouseReleaseEvent(QMouseEvent* e) {
    if (!m_bDragging) {
        e->ignore();
        return;
    }
    m_bDragging = false;
    if (QWidget::mouseGrabber() == this)
        releaseMouse();
    if (SetPosFromPoint(e->position().toPoint())) {
        NotifyScroll(TB_THUMBTRACK);
        m_bDragChanged = true;
    }
    if (m_bDragChanged) {
        NotifyScroll(TB_THUMBPOSITION);
        m_bDragChanged = false;
    }
    RedrawNow();
    e->accept();
}

void CRoundSliderCtrl::keyPressEvent(QKeyEvent* e) {
    const int key = e->key();
    const bool keypad = (e->modifiers() & Qt::KeypadModifier) != 0;
    int step = 0;
    UINT code = 0;
    if (key == Qt::Key_PageUp) {
        step = -m_nPageSize;
        code = TB_PAGEUP;
    } else if (key == Qt::Key_PageDown) {
        step = m_nPageSize;
        code = TB_PAGEDOWN;
    } else if (key == Qt::Key_Left || key == Qt::Key_Down || (keypad && key == Qt::Key_Minus)) {
        step = m_nLineSize;
        code = TB_LINEDOWN;
    } else if (key == Qt::Key_Right || key == Qt::Key_Up || (keypad && key == Qt::Key_Plus)) {
        step = -m_nLineSize;
        code = TB_LINEUP;
    } else if (key == Qt::Key_Home || key == Qt::Key_End) {
        e->accept();
        return;
    } else {
        QWidget::keyPressEvent(e);
        return;
    }
    const int p = ctl::KnobKeyStep(m_nTrackPos, step, m_nRangeMin, m_nRangeMax);
    if (p >= 0 && p <= ctl::KNOB_POS_LIMIT) {
        SetTrackPos(p);
        ::PostMessage(GetParentHwnd(), WM_KNOB_CHANGED, m_nID, m_nTrackPos);
    }
    RedrawNow();
    NotifyScroll(code);
    e->accept();
}

void CRoundSliderCtrl::keyReleaseEvent(QKeyEvent* e) {
    switch (e->key()) {
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (!e->isAutoRepeat())
            NotifyScroll(TB_ENDTRACK);
        e->accept();
        return;
    case Qt::Key_Home:
    case Qt::Key_End:
        e->accept();
        return;
    default:
        QWidget::keyReleaseEvent(e);
        return;
    }
}

void CRoundSliderCtrl::wheelEvent(QWheelEvent* e) {
    e->accept();
    const QPoint pt = e->position().toPoint();
    if (!m_rgn.isEmpty() && !m_rgn.contains(pt))
        return;
    const int delta = e->angleDelta().y();
    if (delta == 0)
        return;
    int p = delta < 0 ? m_nTrackPos + 1 : m_nTrackPos - 1;
    p = std::clamp(p, 0, ctl::KNOB_POS_LIMIT);
    SetTrackPos(p);
    ::PostMessage(GetParentHwnd(), WM_KNOB_CHANGED, m_nID, p);
    RedrawNow();
}

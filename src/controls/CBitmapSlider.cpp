#include "controls/CBitmapSlider.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QWheelEvent>
#include <cstdlib>

#include "controls/BitmapResource.h"
#include "controls/CMyMemDC.h"

CBitmapSlider::CBitmapSlider(QWidget* parent, UINT nID) : QWidget(parent), CMsgTarget(this), m_nID(nID) {
    setFocusPolicy(Qt::StrongFocus);
}

CBitmapSlider::~CBitmapSlider() = default;

ctl::SliderAxis CBitmapSlider::Axis() const {
    ctl::SliderAxis a;
    a.min = m_nMin;
    a.max = m_nMax;
    if (m_bVertical) {
        a.length = m_nHeight;
        a.thumb = m_nThumbHeight;
        a.marginLow = m_nMarginTop;
        a.marginHigh = m_nMarginBottom;
    } else {
        a.length = m_nWidth;
        a.thumb = m_nThumbWidth;
        a.marginLow = m_nMarginLeft;
        a.marginHigh = m_nMarginRight;
    }
    return a;
}

int CBitmapSlider::PosToPixel(int nPos) const {
    return ctl::SliderPosToPixel(Axis(), nPos);
}
int CBitmapSlider::PixelToPos(int nPixel) const {
    return ctl::SliderPixelToPos(Axis(), nPixel);
}

void CBitmapSlider::SetPos(int nPos) {
    m_nPos = ctl::SliderNormalisePos(nPos, m_nMin, m_nMax, m_bDigitMode == 1);
    update();
}

BOOL CBitmapSlider::LoadChannelBitmaps() {
    m_bmChannel = ctl::LoadBitmapResourceOrReport(428);
    if (m_bmChannel.isNull())
        return FALSE;
    m_bmChannelActive = ctl::LoadBitmapResourceOrReport(429);
    if (m_bmChannelActive.isNull()) {
        m_bmChannel = QImage();
        return FALSE;
    }
    m_bChannelActive = 1;
    m_nWidth = m_bmChannel.width();
    m_nHeight = m_bmChannel.height();
    resize(m_nWidth, m_nHeight);
    m_rect = rect();
    m_bTransparentChannel = 0;
    m_bChannel = 1;
    return TRUE;
}

BOOL CBitmapSlider::LoadThumbBitmaps() {
    m_bmThumb = ctl::LoadBitmapResourceOrReport(430);
    if (m_bmThumb.isNull())
        return FALSE;
    m_bmThumbMask = ctl::ApplyColorKey(m_bmThumb, ctl::ResolveKeyColor(m_bmThumb, ctl::KEY_TOP_LEFT));
    m_bmThumbActive = ctl::LoadBitmapResourceOrReport(431);
    if (m_bmThumbActive.isNull()) {
        m_bmThumb = QImage();
        m_bmThumbMask = QImage();
        return FALSE;
    }
    // The pressed thumb goes through the normal thumb's mask.
    m_bmThumbActiveKeyed = m_bmThumbActive.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < m_bmThumbActiveKeyed.height() && y < m_bmThumbMask.height(); ++y)
        for (int x = 0; x < m_bmThumbActiveKeyed.width() && x < m_bmThumbMask.width(); ++x)
            if (qAlpha(m_bmThumbMask.pixel(x, y)) == 0)
                m_bmThumbActiveKeyed.setPixel(x, y, 0);
    m_bThumbActive = 1;
    m_nThumbWidth = m_bmThumb.width();
    m_nThumbHeight = m_bmThumb.height();
    if (!m_bChannel) {
        m_rect = rect();
        m_nWidth = m_rect.width();
        m_nHeight = m_rect.height();
    }
    m_bTransparentThumb = 1;
    m_bThumb = 1;
    return TRUE;
}

BOOL CBitmapSlider::SetDigitBitmap(int nValue, int bHighlight) {
    const long long id = static_cast<long long>(nValue) +
                         static_cast<long long>(bHighlight == 1 ? m_nDigitBmpHighlight : m_nDigitBmpNormal);
    if (id == 0) {
        m_bChannel = 0;
        m_bmChannel = QImage();
        m_bmChannelMask = QImage();
        m_bmChannelActive = QImage();
        return TRUE;
    }
    if (id < 0 || id > 0xFFFF)
        return FALSE;
    QImage img = ctl::LoadBitmapResourceOrReport(static_cast<UINT>(id));
    if (img.isNull())
        return FALSE;
    m_bmChannel = img;
    m_bmChannelMask = ctl::ApplyColorKey(m_bmChannel, ctl::ResolveKeyColor(m_bmChannel, ctl::KEY_MAGENTA));
    m_bChannelActive = 0;
    m_nWidth = m_bmChannel.width();
    m_nHeight = m_bmChannel.height();
    resize(m_nWidth, m_nHeight);
    m_rect = rect();
    m_bTransparentChannel = 1;
    m_bChannel = 1;
    update();
    return TRUE;
}

void CBitmapSlider::ReleaseCapture() {
    if (QWidget::mouseGrabber() == this)
        releaseMouse();
}

void CBitmapSlider::Notify(UINT msg, LPARAM lParam) {
    ::PostMessage(GetParentHwnd(), msg, static_cast<WPARAM>(m_nID), lParam);
}

QRect CBitmapSlider::DrawRect() const {
    return m_rect.isEmpty() ? rect() : m_rect;
}

void CBitmapSlider::paintEvent(QPaintEvent*) {
    QPainter pdc(this);
    const QRect area = DrawRect();
    CMyMemDC dc(&pdc, &area, m_bTransparentChannel || !m_bChannel);
    if (m_bFocusRectDrawn && (m_bTransparentChannel || !m_bChannel))
        m_bFocusRectDrawn = 0; // the picture is rebuilt whole, nothing to rub out

    if (m_bChannel) {
        if (!m_bChannelActive || !m_bEnable) {
            dc.drawImage(0, 0, m_bTransparentChannel ? m_bmChannelMask : m_bmChannel);
        } else {
            const int p = PosToPixel(m_nPos);
            if (m_bVertical) {
                dc.drawImage(QPoint(0, p), m_bmChannel, QRect(0, p, m_nWidth, m_nHeight - p));
                dc.drawImage(QPoint(0, 0), m_bmChannelActive, QRect(0, 0, m_nWidth, p));
            } else {
                dc.drawImage(QPoint(p, 0), m_bmChannel, QRect(p, 0, m_nWidth - p, m_nHeight));
                dc.drawImage(QPoint(0, 0), m_bmChannelActive, QRect(0, 0, p, m_nHeight));
            }
        }
    }

    if (m_bThumb && m_bEnable) {
        const bool active = m_bThumbActive && m_bLButtonDown;
        const QImage& pic = m_bTransparentThumb ? (active ? m_bmThumbActiveKeyed : m_bmThumbMask)
                                                : (active ? m_bmThumbActive : m_bmThumb);
        int x, y;
        if (m_bVertical) {
            x = m_nMarginLeft;
            y = PosToPixel(m_nPos) - m_nThumbHeight / 2;
        } else {
            x = PosToPixel(m_nPos) - m_nThumbWidth / 2;
            y = m_nMarginTop;
        }
        dc.drawImage(x, y, pic);
    }

    if (m_bDrawFocusRect && m_bFocus && m_bEnable) {
        if (m_bDigitMode != 1) {
            QStyleOptionFocusRect opt;
            opt.initFrom(this);
            opt.rect = area;
            style()->drawPrimitive(QStyle::PE_FrameFocusRect, &opt, &dc, this);
        }
        m_bFocusRectDrawn = 1;
    }
}

void CBitmapSlider::DragTo(const QPoint& pt) {
    if (!(m_bLButtonDown && m_bEnable && !m_bDigitMode && m_bInputEnabled))
        return;
    const int raw = (m_bVertical ? pt.y() : pt.x()) - m_nMouseOffset;
    const int px = ctl::SliderClampDragPixel(Axis(), raw, m_bVertical);
    if (px != PosToPixel(m_nPos)) {
        SetPos(PixelToPos(px));
        Notify(WM_SLIDER_MOVING, m_nPos);
    }
}

void CBitmapSlider::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton || !(m_bEnable && m_bInputEnabled)) {
        e->ignore();
        return;
    }
    if (focusPolicy() & Qt::ClickFocus)
        setFocus(Qt::MouseFocusReason);
    m_bLButtonDown = 1;
    const QPoint pt = e->position().toPoint();
    const int d = (m_bVertical ? pt.y() : pt.x()) - PosToPixel(m_nPos);
    const int half = (m_bVertical ? m_nThumbHeight : m_nThumbWidth) / 2;
    m_nMouseOffset = std::abs(d) <= half ? d : 0;
    DragTo(pt);
    update();
    e->accept();
}

void CBitmapSlider::mouseMoveEvent(QMouseEvent* e) {
    DragTo(e->position().toPoint());
    e->accept();
}

void CBitmapSlider::mouseReleaseEvent(QMouseEvent* e) {
    // Only a release that ends our own press counts: a stray release would seek.
    if (e->button() != Qt::LeftButton || !(m_bEnable && m_bInputEnabled) || !m_bLButtonDown) {
        e->ignore();
        return;
    }
    ReleaseCapture();
    m_bLButtonDown = 0;
    update();
    Notify(WM_SLIDER_MOVED, m_nPos);
    e->accept();
}

void CBitmapSlider::wheelEvent(QWheelEvent* e) {
    e->accept();
    if (!m_bInputEnabled)
        return;
    const int delta = e->angleDelta().y();
    if (delta == 0)
        return; // a sideways wheel is not a step
    Notify(WM_SLIDER_STEP, delta >= 1 ? 1 : 0);
}

void CBitmapSlider::keyPressEvent(QKeyEvent* e) {
    if (!(m_bEnable && m_bInputEnabled)) {
        QWidget::keyPressEvent(e);
        return;
    }
    const int key = e->key();
    const bool keypad = (e->modifiers() & Qt::KeypadModifier) != 0;
    if (m_bDigitMode) {
        if (key == Qt::Key_Up || (keypad && key == Qt::Key_Plus)) {
            Notify(WM_SLIDER_STEP, 1);
        } else if (key == Qt::Key_Down || (keypad && key == Qt::Key_Minus)) {
            Notify(WM_SLIDER_STEP, 0);
        } else if (key >= Qt::Key_0 && key <= Qt::Key_9) {
            Notify(WM_SLIDER_STEP, '0' + (key - Qt::Key_0));
        } else {
            QWidget::keyPressEvent(e);
            return;
        }
    } else {
        switch (key) {
        case Qt::Key_PageUp:
            SetPos(m_nPos - m_nPage);
            break;
        case Qt::Key_PageDown:
            SetPos(m_nPos + m_nPage);
            break;
        case Qt::Key_End:
            SetPos(m_nMax);
            break;
        case Qt::Key_Home:
            SetPos(m_nMin);
            break;
        case Qt::Key_Up:
            SetPos(m_nPos - 1);
            break;
        case Qt::Key_Down:
            SetPos(m_nPos + 1);
            break;
        default:
            QWidget::keyPressEvent(e);
            return;
        }
    }
    e->accept();
}

void CBitmapSlider::focusInEvent(QFocusEvent* e) {
    QWidget::focusInEvent(e);
    m_bFocus = 1;
    update();
    if (m_bDigitMode)
        Notify(WM_SLIDER_MOVED, m_nPos);
}

void CBitmapSlider::focusOutEvent(QFocusEvent* e) {
    QWidget::focusOutEvent(e);
    m_bFocus = 0;
    update();
    if (m_bDigitMode)
        Notify(WM_SLIDER_DIGIT_LEAVE, m_nPos);
}

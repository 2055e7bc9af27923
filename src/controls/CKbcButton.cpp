#include "controls/CKbcButton.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace ctl {
int KbcFrameFor(bool disabled, bool pressed, bool hover) {
    if (disabled)
        return 3;
    if (pressed)
        return 2;
    if (hover)
        return 1;
    return 0;
}
} // namespace ctl

CKbcButton::CKbcButton(QWidget* parent, UINT nID) : QAbstractButton(parent), CMsgTarget(this), m_nID(nID) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
}

CKbcButton::~CKbcButton() = default;

void CKbcButton::LoadImageFile(const QString& path, COLORREF key) {
    m_bmp.LoadFromFile(path);
    m_clrKey = key;
    if (m_bmp.m_nFrameWidth > 0 && m_bmp.m_nImageHeight > 0)
        setGeometry(QRect(pos(), QSize(m_bmp.m_nFrameWidth, m_bmp.m_nImageHeight)));
    update();
}

void CKbcButton::Click() {
    if (!m_bDisabled)
        click();
}

int CKbcButton::CurrentFrame() const {
    return ctl::KbcFrameFor(m_bDisabled == 1, isDown(), m_bHover != 0);
}

void CKbcButton::paintEvent(QPaintEvent*) {
    QPainter dc(this);
    if (m_bmp.m_picture.IsLoaded() && m_bmp.m_nFrameWidth > 0) {
        m_bmp.DrawFrame(&dc, CurrentFrame(), m_clrKey);
        return;
    }
    // No picture: an outline, so the button can still be found and used.
    dc.setPen(QColor(128, 128, 128));
    dc.setBrush(Qt::NoBrush);
    dc.drawRect(rect().adjusted(0, 0, -1, -1));
}

bool CKbcButton::event(QEvent* e) {
    // A mnemonic or shortcut is a click too.
    if (m_bDisabled && e->type() == QEvent::Shortcut) {
        e->accept();
        return true;
    }
    return QAbstractButton::event(e);
}

bool CKbcButton::hitButton(const QPoint& p) const {
    return !m_bDisabled && QAbstractButton::hitButton(p);
}

void CKbcButton::mousePressEvent(QMouseEvent* e) {
    if (m_bDisabled) {
        e->accept(); // swallowed: no click
        return;
    }
    QAbstractButton::mousePressEvent(e);
}

void CKbcButton::mouseReleaseEvent(QMouseEvent* e) {
    if (m_bDisabled) {
        setDown(false);
        e->accept();
        return;
    }
    QAbstractButton::mouseReleaseEvent(e);
}

void CKbcButton::mouseMoveEvent(QMouseEvent* e) {
    if (!m_bTracking) {
        m_bTracking = 1;
        m_bHover = 1;
        update();
    }
    QAbstractButton::mouseMoveEvent(e);
}

void CKbcButton::leaveEvent(QEvent* e) {
    m_bTracking = 0;
    m_bHover = 0;
    update();
    QAbstractButton::leaveEvent(e);
}

void CKbcButton::keyPressEvent(QKeyEvent* e) {
    if (m_bDisabled && (e->key() == Qt::Key_Space || e->key() == Qt::Key_Select ||
                        e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)) {
        e->accept();
        return;
    }
    QAbstractButton::keyPressEvent(e);
}

void CKbcButton::keyReleaseEvent(QKeyEvent* e) {
    if (m_bDisabled && (e->key() == Qt::Key_Space || e->key() == Qt::Key_Select)) {
        setDown(false);
        e->accept();
        return;
    }
    QAbstractButton::keyReleaseEvent(e);
}

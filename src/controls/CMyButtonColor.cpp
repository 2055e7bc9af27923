#include "controls/CMyButtonColor.h"

#include <QPainter>

CMyButtonColor::CMyButtonColor(QWidget* parent) : QAbstractButton(parent), CMsgTarget(this) {}

CMyButtonColor::~CMyButtonColor() = default;

void CMyButtonColor::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect r = rect();
    p.fillRect(r, ctl::FromColorRef(m_crColor));
    p.setPen(ctl::FromColorRef(ctl::GetSysColor(ctl::COLOR_3DDKSHADOW)));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r.adjusted(0, 0, -1, -1));
}

#include "mainframe/MdiClient.h"

#include <QPaintEvent>
#include <QPainter>

CMdiClient::CMdiClient(const QImage* background, std::function<QPoint()> origin, QWidget* parent)
    : QMdiArea(parent), m_pBackground(background), m_fnOrigin(std::move(origin)) {
    setBackground(Qt::black);
}

void CMdiClient::paintEvent(QPaintEvent* e) {
    QPainter p(viewport());
    p.fillRect(viewport()->rect(), Qt::black);
    if (m_pBackground && !m_pBackground->isNull())
        p.drawImage(m_fnOrigin ? m_fnOrigin() : QPoint(0, 0), *m_pBackground);
}

#include "controls/CSplitterControl.h"

#include <QMouseEvent>
#include <QPainter>

#include "controls/ColorRef.h"

namespace {
// Two lines one pixel either side of the centre, across the bar's length.
class GuideLine : public QWidget {
public:
    GuideLine(QWidget* parent, bool vertical) : QWidget(parent), m_vertical(vertical) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setPen(QColor(0x37, 0x37, 0x37)); // the inverse of 0xC8C8C8 on white
        if (m_vertical) {
            p.drawLine(0, 0, 0, height() - 1);
            p.drawLine(2, 0, 2, height() - 1);
        } else {
            p.drawLine(0, 0, width() - 1, 0);
            p.drawLine(0, 2, width() - 1, 2);
        }
    }

private:
    bool m_vertical;
};
} // namespace

CSplitterControl::CSplitterControl(QWidget* parent) : QWidget(parent), CMsgTarget(this) {}

CSplitterControl::~CSplitterControl() = default;

QWidget* CSplitterControl::GetOwner() const {
    return m_pOwner ? m_pOwner.data() : parentWidget();
}

int CSplitterControl::CentreOnAxis() const {
    const QRect g = geometry();
    return m_nType == 1 ? (g.left() + g.left() + g.width()) / 2 : (g.top() + g.top() + g.height()) / 2;
}

BOOL CSplitterControl::Create(const QRect& rect, QWidget* parent, UINT nID) {
    QRect r = rect;
    m_nType = r.width() < r.height() ? 1 : 2;
    if (m_nType == 1)
        r.setWidth(5);
    else
        r.setHeight(5);
    if (parent && parent != parentWidget())
        setParent(parent);
    m_nID = nID;
    setGeometry(r);
    setCursor(m_nType == 1 ? Qt::SizeHorCursor : Qt::SizeVerCursor);
    show();
    m_nMin = m_nMax = CentreOnAxis();
    return TRUE;
}

void CSplitterControl::SetRange(int nSubtract, int nAdd, int nRoot) {
    if (nRoot < 0)
        nRoot = CentreOnAxis();
    m_nMin = nRoot - nSubtract;
    m_nMax = nRoot + nAdd;
}

void CSplitterControl::MoveWindowTo(QPoint pt) {
    QRect g = geometry();
    if (m_nType == 1)
        g.moveLeft(g.left() + pt.x() - (g.left() + g.left() + g.width()) / 2);
    else
        g.moveTop(g.top() + pt.y() - (g.top() + g.top() + g.height()) / 2);
    setGeometry(g);
    update();
}

void CSplitterControl::DrawLine(int x, int y) {
    QWidget* parent = parentWidget();
    if (!parent)
        return;
    if (!m_pLine)
        m_pLine = new GuideLine(parent, m_nType == 1);
    const QRect g = geometry();
    if (m_nType == 1)
        m_pLine->setGeometry(x - 1, g.top(), 3, g.height());
    else
        m_pLine->setGeometry(g.left(), y - 1, g.width(), 3);
    m_pLine->raise();
    m_pLine->show();
}

void CSplitterControl::HideLine() {
    if (m_pLine)
        m_pLine->hide();
}

void CSplitterControl::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect r = rect();
    const QColor hi = ctl::FromColorRef(ctl::GetSysColor(ctl::COLOR_BTNHIGHLIGHT));
    const QColor sh = ctl::FromColorRef(ctl::GetSysColor(ctl::COLOR_BTNSHADOW));
    p.setPen(hi);
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(sh);
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
    const QRect in = r.adjusted(1, 1, -1, -1);
    if (in.isValid()) {
        p.setPen(ctl::FromColorRef(0xC8C8C8));
        p.setBrush(ctl::FromColorRef(0xDCDCC8));
        p.drawRect(in.adjusted(0, 0, -1, -1));
    }
}

void CSplitterControl::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) {
        e->ignore();
        return;
    }
    m_bIsPressed = 1;
    const QRect g = geometry();
    m_nX = (g.left() + g.left() + g.width()) / 2;
    m_nY = (g.top() + g.top() + g.height()) / 2;
    m_nSavePos = m_nType == 1 ? m_nX : m_nY;
    DrawLine(m_nX, m_nY);
    e->accept();
}

void CSplitterControl::mouseMoveEvent(QMouseEvent* e) {
    if (m_bIsPressed) {
        QPoint pt = mapToParent(e->position().toPoint());
        int x = pt.x(), y = pt.y();
        if (x < m_nMin)
            x = m_nMin;
        if (x > m_nMax)
            x = m_nMax;
        if (y < m_nMin)
            y = m_nMin;
        if (y > m_nMax)
            y = m_nMax;
        m_nX = x;
        m_nY = y;
        DrawLine(m_nX, m_nY);
    }
    e->accept();
}

void CSplitterControl::mouseReleaseEvent(QMouseEvent* e) {
    if (m_bIsPressed) {
        HideLine();
        m_bIsPressed = 0;
        QWidget* owner = GetOwner();
        if (owner) {
            // The line is kept in the parent's coordinates, which is where the bar moves.
            MoveWindowTo(QPoint(m_nX, m_nY));
            SplitterNotifyRecord rec{};
            rec.hdr.hwndFrom = GetSafeHwnd();
            rec.hdr.idFrom = m_nID;
            rec.hdr.code = SPLITTER_MOVED;
            rec.delta = (m_nType == 1 ? m_nX : m_nY) - m_nSavePos;
            ::SendMessage(HandleFromWidget(owner), WM_NOTIFY, m_nID, reinterpret_cast<LPARAM>(&rec));
        }
    }
    e->accept();
}

#include "mainframe/DialogWaitMessage.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>

#include "res/resource.h"

BEGIN_MESSAGE_MAP(CDialogWaitMessage, CMsgTarget)
ON_MESSAGE(WM_CLOSE, &CDialogWaitMessage::OnCloseMessage)
END_MESSAGE_MAP()

CDialogWaitMessage::CDialogWaitMessage(QWidget* parent) : QDialog(parent), CMsgTarget(this) {
    // No caption: a frameless box of about 143 x 55 dialog units.
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setObjectName(QStringLiteral("DialogWaitMessage"));
    setFixedSize(286, 110);
    auto* layout = new QVBoxLayout(this);
    m_pText = new QLabel(this);
    m_pText->setObjectName(QString::number(IDC_WAIT_TEXT));
    m_pText->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_pText->setWordWrap(true);
    layout->addWidget(m_pText);
    setStyleSheet(QStringLiteral("QDialog#DialogWaitMessage { border: 1px solid #606060; }"));
}

std::uint32_t CDialogWaitMessage::NextDots(std::uint32_t dots, std::uint32_t maxDots) {
    return dots > maxDots ? 0u : dots + 1u;
}

QString CDialogWaitMessage::CurrentText() const {
    return m_strText + m_strDot.repeated(int(m_nDots));
}

int CDialogWaitMessage::DoModal() {
    return exec();
}

BOOL CDialogWaitMessage::OnInitDialog() {
    m_pText->setText(m_strText);
    SetTimer(kDotTimer, m_nPeriodMs);
    SetTimer(kCloseTimer, kCloseAfterMs);
    return TRUE;
}

void CDialogWaitMessage::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    OnInitDialog();
    // Keys go to whatever has the focus inside the box; catch them all.
    qApp->installEventFilter(this);
}

void CDialogWaitMessage::hideEvent(QHideEvent* e) {
    // The timers die with the window.
    KillTimer(kDotTimer);
    KillTimer(kCloseTimer);
    qApp->removeEventFilter(this);
    QDialog::hideEvent(e);
}

void CDialogWaitMessage::OnTimer(UINT_PTR nIDEvent) {
    if (nIDEvent == kDotTimer) {
        m_nDots = NextDots(m_nDots, m_nMaxDots);
        m_pText->setText(CurrentText());
    } else if (nIDEvent == kCloseTimer) {
        done(QDialog::Accepted);
    }
}

void CDialogWaitMessage::keyPressEvent(QKeyEvent* e) {
    // Enter and Escape must not close the box.
    e->accept();
}

bool CDialogWaitMessage::eventFilter(QObject* watched, QEvent* e) {
    if ((e->type() == QEvent::KeyPress || e->type() == QEvent::ShortcutOverride) && isVisible()) {
        auto* w = qobject_cast<QWidget*>(watched);
        if (w && (w == this || isAncestorOf(w))) {
            e->accept();
            return true;
        }
    }
    return QDialog::eventFilter(watched, e);
}

LRESULT CDialogWaitMessage::OnCloseMessage(WPARAM, LPARAM) {
    if (isVisible())
        done(QDialog::Rejected);
    return 0;
}

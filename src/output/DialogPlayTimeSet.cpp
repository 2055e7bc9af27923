#include "output/DialogPlayTimeSet.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include "controls/BitmapResource.h"
#include "controls/CBitmapSlider.h"
#include "output/DumpPlayBar.h"
#include "output/PlayTimeRules.h"

BEGIN_MESSAGE_MAP(CDialogPlayTimeSet, CMsgTarget)
ON_MESSAGE(WM_SLIDER_MOVED, &CDialogPlayTimeSet::OnDigitMoved)
ON_MESSAGE(WM_SLIDER_STEP, &CDialogPlayTimeSet::OnDigitStep)
ON_MESSAGE(WM_SLIDER_DIGIT_LEAVE, &CDialogPlayTimeSet::OnDigitLeave)
ON_MESSAGE(WM_CLOSE, &CDialogPlayTimeSet::OnCloseMessage)
END_MESSAGE_MAP()

CDialogPlayTimeSet::CDialogPlayTimeSet(CDumpPlayBar* owner, QWidget* parent)
    : QDialog(parent,
              Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      CMsgTarget(this), m_pOwner(owner) {
    setObjectName(QStringLiteral("DialogPlayTimeSet"));
    setWindowTitle(QStringLiteral("TimeSet"));
    setModal(false);
    setFixedSize(142, 116);
    const int x0 = 14, y0 = 14, cw = 12, sep = 5;
    int x = x0;
    for (int i = 0; i < 6; ++i) {
        if (i == 2 || i == 4) {
            auto* colon = new QLabel(this);
            colon->setObjectName(QString::number(i == 2 ? 1582 : 1583));
            colon->setPixmap(QPixmap::fromImage(ctl::LoadBitmapResource(496)));
            colon->setGeometry(x + 3, y0, sep, 17);
            x += sep + 6;
        }
        auto* cell = new CBitmapSlider(this, kIdFirstDigit + UINT(i));
        cell->setObjectName(QString::number(kIdFirstDigit + UINT(i)));
        cell->setFocusPolicy(Qt::StrongFocus);
        cell->move(x, y0);
        cell->installEventFilter(this);
        m_digitCells[std::size_t(i)] = cell;
        x += cw + 2;
    }
    auto* hint = new QLabel(QStringLiteral("(HH:MM:SS)"), this);
    hint->setObjectName(QStringLiteral("1584"));
    hint->setGeometry(x0, y0 + 24, 120, 18);
    m_pApply = new QPushButton(QStringLiteral("Apply"), this);
    m_pApply->setObjectName(QString::number(kIdApply));
    m_pApply->setAutoDefault(false);
    m_pApply->setGeometry(x0, y0 + 50, 112, 26);
    m_pApply->installEventFilter(this);
    connect(m_pApply, &QPushButton::clicked, this, [this] { OnApply(); });
    InitDigits();
}

int CDialogPlayTimeSet::CellIndex(UINT id) const {
    return (id >= kIdFirstDigit && id < kIdFirstDigit + 6) ? int(id - kIdFirstDigit) : -1;
}

void CDialogPlayTimeSet::InitDigits() {
    for (CBitmapSlider* c : m_digitCells) {
        c->m_nDigitBmpHighlight = kDigitHighlight;
        c->m_nDigitBmpNormal = kDigitNormal;
        c->m_bDigitMode = 1;
        c->m_nMin = 0;
        c->m_nMax = 9;
        c->SetDigitBitmap(0, 0);
        c->m_nMarginLeft = c->m_nMarginRight = 0;
        c->m_nPage = 1;
    }
}

void CDialogPlayTimeSet::ResetDigits() {
    for (std::size_t i = 0; i < 6; ++i) {
        m_anDigits[i] = 0;
        m_digitCells[i]->SetDigitBitmap(0, 0);
        m_digitCells[i]->SetPos(0);
        m_digitCells[i]->update();
    }
}

void CDialogPlayTimeSet::ShowDigit(int cell, int value, bool highlighted) {
    if (cell < 0 || cell > 5 || value < 0 || value > PlayTimeRules::kLimits[std::size_t(cell)])
        return;
    CBitmapSlider* c = m_digitCells[std::size_t(cell)];
    c->SetDigitBitmap(value, highlighted ? 1 : 0);
    c->SetPos(value);
}

LRESULT CDialogPlayTimeSet::OnDigitMoved(WPARAM wParam, LPARAM lParam) {
    ShowDigit(CellIndex(UINT(wParam)), int(lParam), true);
    return 0;
}

LRESULT CDialogPlayTimeSet::OnDigitStep(WPARAM wParam, LPARAM lParam) {
    const int i = CellIndex(UINT(wParam));
    if (i < 0)
        return 0;
    const int v =
        PlayTimeRules::NextDigit(m_anDigits[std::size_t(i)], lParam, PlayTimeRules::kLimits[std::size_t(i)]);
    m_anDigits[std::size_t(i)] = v;
    ShowDigit(i, v, true);
    if (lParam != 0 && lParam != 1 && i < 5)
        m_digitCells[std::size_t(i + 1)]->setFocus(Qt::TabFocusReason);
    return 0;
}

LRESULT CDialogPlayTimeSet::OnDigitLeave(WPARAM wParam, LPARAM lParam) {
    ShowDigit(CellIndex(UINT(wParam)), int(lParam), false);
    return 0;
}

void CDialogPlayTimeSet::OnApply() {
    if (!m_pOwner)
        return;
    const auto seek = PlayTimeRules::ApplySeek(m_anDigits, m_pOwner->HasFile(), m_pOwner->TotalSec());
    if (seek)
        m_pOwner->SeekFromTimeSet(*seek);
}

LRESULT CDialogPlayTimeSet::OnCloseMessage(WPARAM, LPARAM) {
    hide();
    return 0;
}

void CDialogPlayTimeSet::closeEvent(QCloseEvent* e) {
    e->ignore();
    hide();
}

bool CDialogPlayTimeSet::MoveFocus(QWidget* from, bool right) {
    int i = -1;
    for (int k = 0; k < 6; ++k)
        if (m_digitCells[std::size_t(k)] == from)
            i = k;
    int to;
    if (i < 0)
        to = 0; // from Apply, either key goes to the hours tens
    else
        to = right ? std::min(i + 1, 5) : std::max(i - 1, 0);
    m_digitCells[std::size_t(to)]->setFocus(Qt::TabFocusReason);
    return true;
}

bool CDialogPlayTimeSet::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        switch (k->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            return true; // neither applies nor closes
        case Qt::Key_Left:
        case Qt::Key_Right:
            return MoveFocus(qobject_cast<QWidget*>(watched), k->key() == Qt::Key_Right);
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, e);
}

void CDialogPlayTimeSet::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter || e->key() == Qt::Key_Escape) {
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

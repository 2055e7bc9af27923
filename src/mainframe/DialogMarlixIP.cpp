#include "mainframe/DialogMarlixIP.h"

#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <cstring>

#include "app/MarlixExApp.h"
#include "device/MarlixMFC.h"
#include "mainframe/ConnectLogic.h"
#include "platform/System.h"

namespace {
// Dialog units of the template to pixels (8 pt dialog font).
int DuX(int du) {
    return du * 3 / 2;
}
int DuY(int du) {
    return du * 13 / 8;
}

QString FromAnsi(const char* text, std::size_t maxBytes, int maxChars) {
    const std::size_t n = ::strnlen(text, maxBytes);
    return QString::fromLocal8Bit(text, static_cast<qsizetype>(n)).left(maxChars);
}
} // namespace

BEGIN_MESSAGE_MAP(CDialogMarlixIP, CMsgTarget)
ON_COMMAND(IDC_BUTTON_IP_UPDATE, &CDialogMarlixIP::OnIPUpdate)
ON_COMMAND(IDC_BUTTON_CONNECT, &CDialogMarlixIP::OnConnect)
ON_MESSAGE(WM_DEVICE_FOUND, &CDialogMarlixIP::OnDeviceFound)
ON_MESSAGE(WM_LIST_CHECK_CHANGED, &CDialogMarlixIP::OnListCheckChanged)
END_MESSAGE_MAP()

CDialogMarlixIP::CDialogMarlixIP(QWidget* parent) : QDialog(parent), CMsgTarget(this), m_listIP(this) {
    setObjectName(QStringLiteral("CDialogMarlixIP"));
    setWindowTitle(QStringLiteral("Zephyra\u2122 IP List"));
    setFixedSize(DuX(411), DuY(200));

    m_listIP.setObjectName(QStringLiteral("IDC_LIST_IP"));
    m_listIP.setGeometry(DuX(7), DuY(7), DuX(397), DuY(170));
    m_pBtnUpdate = new QPushButton(QStringLiteral("IP Update"), this);
    m_pBtnUpdate->setObjectName(QStringLiteral("IDC_BUTTON_IP_UPDATE"));
    m_pBtnUpdate->setGeometry(DuX(7), DuY(179), DuX(50), DuY(14));
    m_pBtnConnect = new QPushButton(QStringLiteral("Connect"), this);
    m_pBtnConnect->setObjectName(QStringLiteral("IDC_BUTTON_CONNECT"));
    m_pBtnConnect->setGeometry(DuX(354), DuY(179), DuX(50), DuY(14));
    // Enter is ours (see keyPressEvent), never a default button's.
    m_pBtnUpdate->setAutoDefault(false);
    m_pBtnConnect->setAutoDefault(false);
    // Plain buttons, not bound commands: the dialog enables Connect itself.
    connect(m_pBtnUpdate, &QPushButton::clicked, this,
            [this] { SendMessage(WM_COMMAND, IDC_BUTTON_IP_UPDATE, 0); });
    connect(m_pBtnConnect, &QPushButton::clicked, this,
            [this] { SendMessage(WM_COMMAND, IDC_BUTTON_CONNECT, 0); });

    m_listIP.viewport()->installEventFilter(this);
    OnInitDialog();
}

CDialogMarlixIP::~CDialogMarlixIP() {
    // The list is a member and dies after this body: stop filtering its viewport first.
    m_listIP.viewport()->removeEventFilter(this);
    StopListening();
}

void CDialogMarlixIP::OnInitDialog() {
    static const struct {
        const char16_t* heading;
        int width;
    } columns[] = {
        {u"Zephyra\u2122 IP", 120}, {u"Description", 100}, {u"SW Ver", 106}, {u"HW Ver", 80},
        {u"Pump Ver", 80},          {u"DSP Ver", 80},
    };
    QStringList headings;
    for (const auto& c : columns)
        headings << QString::fromUtf16(c.heading);
    m_listIP.setColumnCount(6);
    m_listIP.setHeaderLabels(headings);
    for (int i = 0; i < 6; ++i) {
        m_listIP.setColumnWidth(i, columns[i].width);
        m_listIP.headerItem()->setTextAlignment(i, Qt::AlignLeft | Qt::AlignVCenter);
    }
    m_listIP.setRootIsDecorated(false);
    m_listIP.setItemsExpandable(false);
    m_listIP.setSelectionMode(QAbstractItemView::SingleSelection);
    m_listIP.setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pBtnConnect->setEnabled(false);
    OnIPUpdate();
}

void CDialogMarlixIP::OnIPUpdate() {
    m_nDeviceCount = 0;
    m_nChosenRow = -1;
    m_listIP.clear();
    m_pBtnConnect->setEnabled(false);
    theApp.SetConnectState(MX_CONNECT_CONNECTING);
    g_Marlix.BeginBroadCastRxThread();
    m_bSearching = true;
    SetTimer(kTimerBroadcast, kBroadcastDelayMs);
    SetTimer(kTimerListenEnd, kListenMs);
}

void CDialogMarlixIP::OnTimer(UINT_PTR nIDEvent) {
    if (nIDEvent == kTimerBroadcast) {
        KillTimer(kTimerBroadcast);
        g_Marlix.MxSendtoBroadCast(MX_CMD_DISCOVER, MX_RW_BROADCAST, 0, nullptr, GetSafeHwnd());
    } else if (nIDEvent == kTimerListenEnd) {
        KillTimer(kTimerListenEnd);
        StopListening();
    }
}

void CDialogMarlixIP::StopListening() {
    KillTimer(kTimerBroadcast);
    KillTimer(kTimerListenEnd);
    m_bSearching = false;
    g_Marlix.CloseBroadCastRxThread();
}

LRESULT CDialogMarlixIP::OnDeviceFound(WPARAM, LPARAM lParam) {
    const auto* rec = reinterpret_cast<const DeviceInfoRecord*>(lParam);
    if (!rec)
        return 0;
    const QString address = win::inet_ntoa(rec->m_nIPAddress).left(30);

    QStringList rows;
    for (int i = 0; i < m_listIP.topLevelItemCount(); ++i)
        rows << m_listIP.topLevelItem(i)->text(0);
    if (ConnectLogic::FindRow(rows, m_nDeviceCount, address) >= 0)
        return 0; // the first reply's versions stay

    auto* item = new QTreeWidgetItem;
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setText(0, address);
    item->setCheckState(0, Qt::Unchecked);
    item->setText(1, FromAnsi(rec->m_szDescription, sizeof rec->m_szDescription, 1024));
    item->setText(2, ConnectLogic::FormatVersion(rec->m_abSWVer));
    item->setText(3, ConnectLogic::FormatVersion(rec->m_abHWVer) +
                         ConnectLogic::BoardRevisionText(rec->m_nBoardRev));
    item->setText(4, ConnectLogic::FormatVersion(rec->m_abPumpVer));
    item->setText(5, ConnectLogic::FormatVersion(rec->m_abDSPVer));
    m_listIP.insertTopLevelItem(std::min(m_nDeviceCount, m_listIP.topLevelItemCount()), item);
    ++m_nDeviceCount;
    return 0;
}

bool CDialogMarlixIP::IsChecked(int row) const {
    const QTreeWidgetItem* it = m_listIP.topLevelItem(row);
    return it && it->checkState(0) == Qt::Checked;
}

void CDialogMarlixIP::SetChecked(int row, bool on) {
    if (QTreeWidgetItem* it = m_listIP.topLevelItem(row))
        it->setCheckState(0, on ? Qt::Checked : Qt::Unchecked);
}

int CDialogMarlixIP::FirstCheckedRow() const {
    for (int i = 0; i < m_listIP.topLevelItemCount(); ++i)
        if (IsChecked(i))
            return i;
    return -1;
}

void CDialogMarlixIP::OnListClick(const QPoint& pos) {
    QTreeWidgetItem* hit = m_listIP.itemAt(pos);
    const int row = hit ? m_listIP.indexOfTopLevelItem(hit) : -1;
    const int checked = FirstCheckedRow();
    if (checked >= 0 && checked != row)
        SetChecked(checked, false);
    if (row >= 0 && pos.x() >= kCheckZonepx)
        SetChecked(row, !IsChecked(row));
    m_listIP.clearSelection();
    if (hit)
        hit->setSelected(true);
    PostMessage(WM_LIST_CHECK_CHANGED, 0, 0);
}

void CDialogMarlixIP::OnListDblClick(const QPoint& pos) {
    QTreeWidgetItem* hit = m_listIP.itemAt(pos);
    const int row = hit ? m_listIP.indexOfTopLevelItem(hit) : -1;
    const int checked = FirstCheckedRow();
    if (checked >= 0 && checked != row)
        SetChecked(checked, false);
    if (row >= 0) {
        SetChecked(row, true);
        m_nChosenRow = row;
    }
    PostMessage(WM_COMMAND, IDC_BUTTON_CONNECT, 0);
}

LRESULT CDialogMarlixIP::OnListCheckChanged(WPARAM, LPARAM) {
    int count = 0;
    for (int i = 0; i < m_listIP.topLevelItemCount(); ++i)
        count += IsChecked(i) ? 1 : 0;
    m_pBtnConnect->setEnabled(count > 0);
    return 0;
}

void CDialogMarlixIP::OnConnect() {
    if (!isVisible())
        return; // a posted Connect that arrives after the dialog has closed
    m_nChosenRow = FirstCheckedRow();
    if (m_nChosenRow != -1)
        m_strChosenIP = m_listIP.topLevelItem(m_nChosenRow)->text(0);
    accept();
}

bool CDialogMarlixIP::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_listIP.viewport()) {
        if (event->type() == QEvent::MouseButtonRelease) {
            auto* me = static_cast<QMouseEvent*>(event);
            if (me->button() == Qt::LeftButton) {
                if (m_bSkipRelease)
                    m_bSkipRelease = false;
                else
                    OnListClick(me->position().toPoint());
            }
        } else if (event->type() == QEvent::MouseButtonDblClick) {
            auto* me = static_cast<QMouseEvent*>(event);
            if (me->button() == Qt::LeftButton) {
                m_bSkipRelease = true;
                OnListDblClick(me->position().toPoint());
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CDialogMarlixIP::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (m_pBtnUpdate->hasFocus())
            OnIPUpdate();
        else if (m_pBtnConnect->hasFocus())
            OnConnect();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CDialogMarlixIP::done(int r) {
    StopListening();
    QDialog::done(r);
}

#include "settings/CDialogSettingTab.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/MarlixExApp.h"
#include "platform/MsgBox.h"
#include "settings/CTabCtrl_Setting.h"

BEGIN_MESSAGE_MAP(CDialogSettingTab, CMsgTarget)
ON_COMMAND(IDOK, &CDialogSettingTab::OnBnClickedOk)
ON_COMMAND(CDialogSettingTab::IDC_APPLY, &CDialogSettingTab::OnBnClickedApply)
ON_UPDATE_COMMAND_UI(IDOK, &CDialogSettingTab::OnUpdateOk)
ON_UPDATE_COMMAND_UI(CDialogSettingTab::IDC_APPLY, &CDialogSettingTab::OnUpdateApply)
END_MESSAGE_MAP()

CDialogSettingTab::CDialogSettingTab(QWidget* parent) : QDialog(parent), CMsgTarget(this) {
    setObjectName(QString::number(IDD));
    setWindowTitle(QStringLiteral("Setting"));
    setModal(false);
    QFont f(QStringLiteral("Arial"));
    f.setPointSize(9);
    setFont(f);
    auto* layout = new QVBoxLayout(this);
    m_tabSetting = new CTabCtrl_Setting(this);
    layout->addWidget(m_tabSetting);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_btnOk = new QPushButton(QStringLiteral("Ok"), this);
    m_btnOk->setObjectName(QStringLiteral("1"));
    m_btnOk->setDefault(true);
    m_btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_btnCancel->setObjectName(QStringLiteral("2"));
    m_btnApply = new QPushButton(QStringLiteral("Apply"), this);
    m_btnApply->setObjectName(QString::number(IDC_APPLY));
    buttons->addWidget(m_btnOk);
    buttons->addWidget(m_btnCancel);
    buttons->addWidget(m_btnApply);
    layout->addLayout(buttons);
    BindCommand(m_btnOk, IDOK);
    BindCommand(m_btnApply, IDC_APPLY);
    connect(m_btnCancel, &QPushButton::clicked, this, [this] { OnBnClickedCancel(); });
    m_tabSetting->InitPages();
    connect(m_tabSetting, &QTabWidget::currentChanged, this, [this] { UpdateCommandUI(); });
    resize(420, 330);
}

void CDialogSettingTab::OnBnClickedOk() {
    m_tabSetting->ApplyAll();
    hide();
}

void CDialogSettingTab::OnBnClickedCancel() {
    m_tabSetting->RevertAll();
    hide();
}

void CDialogSettingTab::OnBnClickedApply() {
    m_tabSetting->ApplyCurrentPage();
}

void CDialogSettingTab::OnUpdateOk(CCmdUI* pCmdUI) {
    pCmdUI->Enable(theApp.IsConnected());
}

void CDialogSettingTab::OnUpdateApply(CCmdUI* pCmdUI) {
    pCmdUI->Enable(m_tabSetting->CanApplyPage(m_tabSetting->m_nCurPage));
}

void CDialogSettingTab::ShowPage(int index) {
    m_tabSetting->LoadAllPages();
    show();
    raise();
    activateWindow();
    m_tabSetting->SelectPage(index);
}

void CDialogSettingTab::reject() {
    OnBnClickedCancel();
}

void CDialogSettingTab::accept() {
    // As the Ok button: not without a link.
    SendMessage(WM_COMMAND, IDOK);
}

void CDialogSettingTab::closeEvent(QCloseEvent* e) {
    // The close box is Cancel; the window stays for the next opening.
    e->ignore();
    OnBnClickedCancel();
}

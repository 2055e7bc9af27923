#include "settings/CDialogSetting_System.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

#include "app/MarlixExApp.h"
#include "device/MxMessages.h"

BEGIN_MESSAGE_MAP(CDialogSetting_System, CMsgTarget)
ON_MESSAGE(WM_DRIVE_FOUND, &CDialogSetting_System::OnDriveFound)
ON_MESSAGE(WM_DRIVE_LIST_RESET, &CDialogSetting_System::OnDriveListReset)
ON_COMMAND(CDialogSetting_System::IDC_INTERNAL, &CDialogSetting_System::OnBnClickedInternal)
ON_COMMAND(CDialogSetting_System::IDC_EXTERNAL, &CDialogSetting_System::OnBnClickedExternal)
ON_COMMAND(CDialogSetting_System::IDC_RESCAN_DISK, &CDialogSetting_System::OnBnClickedRescanDisk)
ON_UPDATE_COMMAND_UI(CDialogSetting_System::IDC_INTERNAL, &CDialogSetting_System::OnUpdateLinkButton)
ON_UPDATE_COMMAND_UI(CDialogSetting_System::IDC_EXTERNAL, &CDialogSetting_System::OnUpdateLinkButton)
ON_UPDATE_COMMAND_UI(CDialogSetting_System::IDC_RESCAN_DISK, &CDialogSetting_System::OnUpdateLinkButton)
END_MESSAGE_MAP()

CDialogSetting_System::CDialogSetting_System(QWidget* parent) : CSettingsPage(parent), m_model(m_link) {
    setObjectName(QString::number(IDD));
    auto* grid = new QGridLayout(this);
    auto combo = [this](int id) {
        auto* c = new QComboBox(this);
        c->setObjectName(QString::number(id));
        return c;
    };
    auto label = [](const QString& text, int id, QWidget* parent) {
        auto* l = new QLabel(text, parent);
        l->setObjectName(QString::number(id));
        return l;
    };
    m_cbRef = combo(IDC_REF);
    m_cbTrigger = combo(IDC_TRIGGER);
    m_cbTriggerOut = combo(IDC_TRIGGER_OUT);
    grid->addWidget(label(QStringLiteral("Ref(10MHz)"), 1070, this), 0, 0);
    grid->addWidget(m_cbRef, 0, 1);
    grid->addWidget(label(QStringLiteral("Trigger"), 1296, this), 1, 0);
    grid->addWidget(m_cbTrigger, 1, 1);
    grid->addWidget(label(QStringLiteral("Trigger Out"), 1361, this), 2, 0);
    grid->addWidget(m_cbTriggerOut, 2, 1);

    auto* storage = new QGroupBox(QStringLiteral("Storage"), this);
    storage->setObjectName(QStringLiteral("1228"));
    auto* sg = new QGridLayout(storage);
    m_rbInternal = new QRadioButton(QStringLiteral("Internal"), storage);
    m_rbInternal->setObjectName(QString::number(IDC_INTERNAL));
    m_rbExternal = new QRadioButton(QStringLiteral("External"), storage);
    m_rbExternal->setObjectName(QString::number(IDC_EXTERNAL));
    m_rbInternal->setChecked(true);
    m_cbDrive = new QComboBox(storage);
    m_cbDrive->setObjectName(QString::number(IDC_DRIVE));
    m_cbDrive->setEditable(true);
    m_cbDrive->setInsertPolicy(QComboBox::NoInsert);
    m_cbDrive->setEnabled(false);
    m_btnRescan = new QPushButton(QStringLiteral("Rescan Disk"), storage);
    m_btnRescan->setObjectName(QString::number(IDC_RESCAN_DISK));
    m_btnRescan->setAutoDefault(false);
    sg->addWidget(m_rbInternal, 0, 0);
    sg->addWidget(label(QStringLiteral("D:\\"), 1231, storage), 0, 1);
    sg->addWidget(m_rbExternal, 1, 0);
    sg->addWidget(m_cbDrive, 1, 1);
    sg->addWidget(m_btnRescan, 2, 1);
    grid->addWidget(storage, 3, 0, 1, 2);
    grid->setRowStretch(4, 1);
    grid->setColumnStretch(2, 1);

    connect(m_cbRef, &QComboBox::currentIndexChanged, this, [this](int i) { m_model.ChooseRef(i); });
    connect(m_cbTrigger, &QComboBox::currentIndexChanged, this, [this](int i) { m_model.ChooseTrigger(i); });
    connect(m_cbTriggerOut, &QComboBox::currentIndexChanged, this,
            [this](int i) { m_model.ChooseTriggerOut(i); });
    connect(m_cbDrive, &QComboBox::activated, this, [this](int i) { m_model.ChooseDriveEntry(i); });
    BindCommand(m_rbInternal, IDC_INTERNAL);
    BindCommand(m_rbExternal, IDC_EXTERNAL);
    BindCommand(m_btnRescan, IDC_RESCAN_DISK);
    WatchKeys();
}

void CDialogSetting_System::ShowStorage() {
    {
        const QSignalBlocker b1(m_rbInternal), b2(m_rbExternal);
        (m_model.m_nStorageChosen == 1 ? m_rbExternal : m_rbInternal)->setChecked(true);
    }
    const QSignalBlocker block(m_cbDrive);
    QStringList shown;
    for (int i = 0; i < m_cbDrive->count(); ++i)
        shown << m_cbDrive->itemText(i);
    if (shown != m_model.m_lstDrives) {
        m_cbDrive->clear();
        m_cbDrive->addItems(m_model.m_lstDrives);
    }
    m_cbDrive->setCurrentIndex(m_model.m_nDriveEntry);
    m_cbDrive->setEnabled(m_model.m_bDriveListEnabled);
}

void CDialogSetting_System::LoadFromDeviceState() {
    m_model.Load();
    FillCombo(m_cbRef, SystemPageModel::RefItems(), m_model.m_nRefApplied);
    FillCombo(m_cbTrigger, SystemPageModel::TriggerItems(), m_model.m_nTriggerApplied);
    FillCombo(m_cbTriggerOut, SystemPageModel::TriggerOutItems(), m_model.m_nTriggerOutApplied);
    ShowStorage();
}

void CDialogSetting_System::OnUpdateLinkButton(CCmdUI* pCmdUI) {
    pCmdUI->Enable(theApp.IsConnected());
}

void CDialogSetting_System::Apply() {
    m_model.Apply();
    ShowStorage();
}

void CDialogSetting_System::Revert() {
    m_model.Revert();
    SelectCombo(m_cbRef, m_model.m_nRefChosen);
    SelectCombo(m_cbTrigger, m_model.m_nTriggerChosen);
    ShowStorage();
}

void CDialogSetting_System::OnClickStorage(int storage) {
    m_model.ClickStorage(storage);
    ShowStorage();
}

void CDialogSetting_System::OnBnClickedRescanDisk() {
    m_model.RescanDisk();
}

void CDialogSetting_System::OnTimer(UINT_PTR nIDEvent) {
    m_model.OnTimer(unsigned(nIDEvent));
}

LRESULT CDialogSetting_System::OnDriveFound(WPARAM wParam, LPARAM) {
    m_model.OnDriveFound(wParam > 0xFFFFFFFFu ? 0u : unsigned(wParam));
    ShowStorage();
    return 0;
}

LRESULT CDialogSetting_System::OnDriveListReset(WPARAM, LPARAM) {
    m_model.OnDriveListReset();
    ShowStorage();
    return 0;
}

// Page 2 of the settings dialog: reference, trigger, trigger output, storage
// and its drive, and the disk rescan.
#pragma once
#include "settings/CSettingsPage.h"
#include "settings/SystemPageModel.h"

class QComboBox;
class QPushButton;
class QRadioButton;

class CDialogSetting_System : public CSettingsPage {
    Q_OBJECT
    DECLARE_MESSAGE_MAP()
public:
    enum {
        IDD = 345,
        IDC_REF = 1071,
        IDC_TRIGGER = 1297,
        IDC_TRIGGER_OUT = 1350,
        IDC_INTERNAL = 1229,
        IDC_EXTERNAL = 1230,
        IDC_DRIVE = 1232,
        IDC_RESCAN_DISK = 1351,
    };

    explicit CDialogSetting_System(QWidget* parent = nullptr);

    void LoadFromDeviceState();
    void Apply();
    void Revert();
    void OnClickStorage(int storage);
    void OnBnClickedRescanDisk();
    void OnBnClickedInternal() { OnClickStorage(0); }
    void OnBnClickedExternal() { OnClickStorage(1); }
    // Storage and rescan are sent at once: only while there is a link.
    void OnUpdateLinkButton(CCmdUI* pCmdUI);
    void OnTimer(UINT_PTR nIDEvent) override;
    LRESULT OnDriveFound(WPARAM wParam, LPARAM lParam);
    LRESULT OnDriveListReset(WPARAM wParam, LPARAM lParam);

    SystemPageModel m_model;
    QComboBox* m_cbRef = nullptr;
    QComboBox* m_cbTrigger = nullptr;
    QComboBox* m_cbTriggerOut = nullptr;
    QRadioButton* m_rbInternal = nullptr;
    QRadioButton* m_rbExternal = nullptr;
    QComboBox* m_cbDrive = nullptr;
    QPushButton* m_btnRescan = nullptr;

private:
    // The storage buttons and the drive list as the model has them.
    void ShowStorage();
};

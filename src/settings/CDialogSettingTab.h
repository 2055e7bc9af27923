// The modeless settings dialog: the tab control with the four pages, Ok, Cancel
// and Apply. Ok, Cancel, Escape and the close box only hide it.
#pragma once
#include <QDialog>

#include "platform/MsgTarget.h"

class CTabCtrl_Setting;
class QPushButton;

class CDialogSettingTab : public QDialog, public CMsgTarget {
    Q_OBJECT
    DECLARE_MESSAGE_MAP()
public:
    enum { IDD = 341, IDC_APPLY = 1254 };

    explicit CDialogSettingTab(QWidget* parent = nullptr);

    void OnBnClickedOk();
    void OnBnClickedCancel();
    void OnBnClickedApply();
    // Ok needs the link; Apply too, but on the Graph tab.
    void OnUpdateOk(CCmdUI* pCmdUI);
    void OnUpdateApply(CCmdUI* pCmdUI);
    // The four page loads, then the dialog shown on page `index`.
    void ShowPage(int index);

    CTabCtrl_Setting* m_tabSetting = nullptr;
    QPushButton* m_btnOk = nullptr;
    QPushButton* m_btnCancel = nullptr;
    QPushButton* m_btnApply = nullptr;

protected:
    void reject() override;
    void accept() override;
    void closeEvent(QCloseEvent* e) override;
};

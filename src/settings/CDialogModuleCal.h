// The service dialog for the instrument's calibration values UPC, ATT and DOC,
// the attenuator test points and the reference lists. No menu entry: the
// Spectrum window opens it with Ctrl + left Shift + C.
#pragma once
#include <QDialog>
#include <map>

#include "platform/MsgTarget.h"
#include "settings/ModuleCalModel.h"
#include "settings/SettingsDeviceLink.h"

class QComboBox;
class QLineEdit;
class QPushButton;

class CDialogModuleCal : public QDialog, public CMsgTarget {
    Q_OBJECT
    DECLARE_MESSAGE_MAP()
public:
    enum { IDD = 458, IDC_LF_SET = 1524, IDC_HF_SET = 1525 };
    static const int kEditId[ModuleCalModel::kValueCount];
    static const int kSpinId[ModuleCalModel::kValueCount];
    static const int kGetId[ModuleCalModel::kValueCount];
    static const int kSetId[ModuleCalModel::kValueCount];

    explicit CDialogModuleCal(QWidget* parent = nullptr);

    void Refresh();
    void OnBnClickedGet(int index);
    void OnBnClickedSet(int index);
    void OnEnKillfocusValue(int index);
    void OnStep(int index, int delta);
    void OnBnClickedLFSet();
    void OnBnClickedHFSet();
    LRESULT OnCalValue(WPARAM wParam, LPARAM lParam);
    // The Get, Set, LF Set and HF Set buttons, enabled while there is a link.
    void OnButton(UINT id);
    void OnUpdateButton(CCmdUI* pCmdUI);

    QComboBox* List(int id) const;
    QLineEdit* Edit(int index) const { return m_apEdit[index]; }
    QPushButton* GetButton(int index) const { return m_apGet[index]; }
    QPushButton* SetButton(int index) const { return m_apSet[index]; }

    SettingsDeviceLink m_link;
    ModuleCalModel m_model;

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;

private:
    // Edits and Set buttons as the model has them.
    void ShowValues();
    std::map<int, QComboBox*> m_lists;
    QLineEdit* m_apEdit[ModuleCalModel::kValueCount] = {};
    QPushButton* m_apGet[ModuleCalModel::kValueCount] = {};
    QPushButton* m_apSet[ModuleCalModel::kValueCount] = {};
};

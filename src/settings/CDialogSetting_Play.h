// Page 0 of the settings dialog: the output inversion, and the output
// frequency (and the hidden level) for reference.
#pragma once
#include "settings/CSettingsPage.h"
#include "settings/PlayPageModel.h"

class QComboBox;
class QLineEdit;

class CDialogSetting_Play : public CSettingsPage {
    Q_OBJECT
public:
    enum { IDD = 343, IDC_OUTPUT_INVERT = 1301, IDC_FREQUENCY = 1063, IDC_GAIN = 1064 };

    explicit CDialogSetting_Play(QWidget* parent = nullptr);

    void LoadFromDeviceState();
    void RefreshPlayValues();
    void Apply();
    void Revert() { m_model.Revert(); }
    void OnTimer(UINT_PTR nIDEvent) override;

    PlayPageModel m_model;
    QComboBox* m_cbOutputInvert = nullptr;
    QLineEdit* m_editFrequency = nullptr;
    QLineEdit* m_editGain = nullptr;

private:
    void ShowTexts();
};

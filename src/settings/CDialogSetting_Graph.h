// Page 3 of the settings dialog: the colours of the spectrum graph and of the
// two IQ graphs, previewed in the graphs at once and kept in the profile on Apply.
#pragma once
#include "settings/CSettingsPage.h"
#include "settings/GraphPageModel.h"

class CMyButtonColor;
class QPushButton;

class CDialogSetting_Graph : public CSettingsPage {
    Q_OBJECT
public:
    enum { IDD = 452, IDC_DEFAULT_SPECTRUM = 1427, IDC_DEFAULT_IQ = 1428 };
    // Swatch ids by colour index, for set 0 (Spectrum) and set 3 (IQ).
    static const int kSpectrumSwatch[GraphPageModel::kColorCount];
    static const int kIQSwatch[GraphPageModel::kColorCount];

    explicit CDialogSetting_Graph(QWidget* parent = nullptr);

    void LoadFromDeviceState();
    void ApplyColors(int set) { m_model.ApplyColors(set); }
    void RevertColors(int set) { m_model.RevertColors(set); }
    void OnBnClickedSwatch(int set, int index);
    void OnBnClickedDefault(int set);

    CMyButtonColor* Swatch(int set, int index) const;

    GraphPageModel m_model;
    // The colour dialog; tests answer it.
    GraphPageModel::Picker m_fnPicker;
    QPushButton* m_btnDefaultSpectrum = nullptr;
    QPushButton* m_btnDefaultIQ = nullptr;

private:
    // The swatches of a set in its edited colours.
    void ShowSet(int set);
    CMyButtonColor* m_apSwatch[2][GraphPageModel::kColorCount] = {};
};

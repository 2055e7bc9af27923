// Page 1 of the settings dialog: how the spectrum is measured and shown.
#pragma once
#include "settings/CSettingsPage.h"
#include "settings/ViewerPageModel.h"

class QComboBox;
class QLineEdit;
class QToolButton;

class CDialogSetting_Viewer : public CSettingsPage {
    Q_OBJECT
public:
    enum {
        IDD = 344,
        IDC_RESBW = 1071,
        IDC_AVERAGE = 1073,
        IDC_AVERAGE_COUNT = 1072,
        IDC_AVERAGE_SPIN = 1083,
        IDC_UNIT = 1290,
        IDC_MARKER = 1293,
        IDC_UPDATE_SPEED = 1295,
        IDC_FREQ_STEP = 1297,
    };

    explicit CDialogSetting_Viewer(QWidget* parent = nullptr);

    void LoadFromDeviceState();
    void Apply();
    void Revert() { m_model.Revert(); }
    void ApplyAverageCount();
    void StepAverageCount(int step);
    // The spectrum graph's marker menu set this count in the library.
    void MarkersSetElsewhere(int index);
    void OnTimer(UINT_PTR nIDEvent) override;

    ViewerPageModel m_model;
    QComboBox* m_cbResBW = nullptr;
    QComboBox* m_cbAverage = nullptr;
    QLineEdit* m_editAverageCount = nullptr;
    QWidget* m_spinAverage = nullptr;
    QToolButton* m_btnCountUp = nullptr;
    QToolButton* m_btnCountDown = nullptr;
    QComboBox* m_cbUnit = nullptr;
    QComboBox* m_cbMarker = nullptr;
    QComboBox* m_cbUpdateSpeed = nullptr;
    QComboBox* m_cbFreqStep = nullptr;

protected:
    bool SwallowKey(QWidget* focus, int key) override;
    void wheelEvent(QWheelEvent* e) override;

private:
    void ShowCount();
    void TakeCountText();
};

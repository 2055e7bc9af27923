// The instrument's front panel: output frequency, output level and sample clock
// on rows of digit cells, the level knob and step buttons, and the AM/FM
// presets. Edits change only the panel's values; each quantity goes to the
// instrument from its own one-shot 300 ms timer, so a burst of edits sends one
// command. The rules themselves are in FrontPanelRules.
#pragma once
#include <QDialog>
#include <QImage>
#include <QString>
#include <array>
#include <cstdint>

#include "platform/MsgTarget.h"

class CBitmapSlider;
class CKbcButton;
class CRoundSliderCtrl;
class QLabel;

class CZephyraCtrlDlg : public QDialog, public CMsgTarget {
    Q_OBJECT
    DECLARE_MESSAGE_MAP()
public:
    static constexpr UINT IDD = 459;

    explicit CZephyraCtrlDlg(QWidget* parent = nullptr);
    ~CZephyraCtrlDlg() override;

    // Once, right after the pane made the window: controls, pictures, zeros.
    void InitControls();
    // On every entry into the system mode: values and limits from DeviceState.
    void LoadFromDevice();
    // A play-list file became current: its sample clock (kHz) and its power
    // (tenths of dBm) set the clock window and the level offset; frequency and
    // level are sent again.
    void ApplyPlayFile(double dSampleClockKHz, int nFilePower);

    void ShowFrequency();
    void ShowLevel();
    void ShowSampleClock();
    void EnableControls(BOOL bEnable);

    void StepFrequencyDigit(UINT nID, LPARAM value);
    void StepLevelDigit(UINT nID, LPARAM value);
    void StepClockDigit(UINT nID, LPARAM value);
    void StepLevel(int nStep);

    void SendFrequency();
    void SendLevel();
    void SendSampleClock();

    // The controls by id (null for an id the panel does not have).
    CBitmapSlider* Cell(UINT nID) const;
    CKbcButton* Button(UINT nID) const;
    CRoundSliderCtrl* Knob() const { return m_knob; }

    QString m_strImgPath;
    std::array<CBitmapSlider*, 13> m_aFreqCells{};
    std::array<CBitmapSlider*, 6> m_aLevelCells{};
    std::array<CBitmapSlider*, 13> m_aClockCells{};
    CRoundSliderCtrl* m_knob = nullptr;
    QImage m_hDialBmp;
    QImage m_hKnobBmp;
    std::array<CKbcButton*, 14> m_aButtons{};
    std::int64_t m_llFrequency = 0;
    std::int64_t m_llFreqMin = 0;
    std::int64_t m_llFreqMax = 0;
    int m_nLevel = 0;
    int m_nShownMin = 0;
    int m_nShownMax = 0;
    std::int64_t m_llSampleClock = 0;
    std::int64_t m_llClockMin = 0;
    std::int64_t m_llClockMax = 0;
    int m_nPowerOffset = 0;

    void OnTimer(UINT_PTR nIDEvent) override;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    LRESULT OnSliderMoved(WPARAM wParam, LPARAM lParam);
    LRESULT OnSliderDigitLeave(WPARAM wParam, LPARAM lParam);
    LRESULT OnSliderStep(WPARAM wParam, LPARAM lParam);
    LRESULT OnKnobChanged(WPARAM wParam, LPARAM lParam);
    void OnStepButton(UINT nID);
    void OnPreset(UINT nID);

    void CreateControls();
    void ShowCell(UINT nID, int nPos, bool bHighlight);
    void ShowRow(const std::array<CBitmapSlider*, 13>& row, std::int64_t value);
    void HighlightFocusedCell();
    void SetKnobFromLevel(bool bRedrawNow);
    void StartTimer(UINT_PTR nID);
    bool MoveFocusInRow(QWidget* focused, bool bRight);
    bool KnobInput(QEvent* e);

    QLabel* m_pBackground = nullptr;
};

// The Viewer page's rules: resolution bandwidth, averaging and its count, power
// unit, marker count, update speed and frequency step, each applied and chosen,
// and the road each one takes when Apply commits it.
#pragma once
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <utility>

class ISettingsDevice;

class ViewerPageModel {
public:
    static constexpr unsigned kAverageTimer = 2;
    static constexpr unsigned kSpeedTimer = 5;
    static constexpr unsigned kDelayMs = 300;

    explicit ViewerPageModel(ISettingsDevice& dev) : m_dev(dev) {}

    static const QStringList& ResBWItems();
    static const QStringList& AverageItems();
    static const QStringList& UnitItems();
    static const QStringList& MarkerItems();
    static const QStringList& SpeedItems();
    static const QStringList& FreqStepItems();

    // The count as typed: blanks and a sign, then digits up to the first other
    // character; no digits gives 0. Saturates instead of overflowing.
    static std::int64_t ParseCount(const QString& text);
    // Taken as unsigned 32 bits: above 100 (so any negative number) gives 100, 0 gives 1.
    static std::uint32_t ClampCount(std::int64_t value);

    void Load();
    void ChooseResBW(int i) { m_nResBWChosen = i; }
    // Also shows the chosen count for Exponential, "0" otherwise.
    void ChooseAverageType(int i);
    void ChooseUnit(int i) { m_nUnitChosen = i; }
    void ChooseMarker(int i) { m_nMarkerChosen = i; }
    void ChooseUpdateSpeed(int i) { m_nSpeedChosen = i; }
    void ChooseFreqStep(int i) { m_nFreqStepChosen = i; }
    // The marker menu of the spectrum graph set a count in the library.
    void MarkersSetElsewhere(int index) { m_nMarkerApplied = m_nMarkerChosen = index; }

    // m_strAverageCount holds the edit's text when these run.
    void Apply();
    void ApplyAverageCount(); // Enter in the count edit
    void StepAverageCount(int step);
    void Revert();
    bool OnTimer(unsigned id);

    bool CountEnabled() const { return m_nAverageTypeChosen == 1; }

    int m_nResBWApplied = 0, m_nResBWChosen = 0;
    int m_nAverageTypeApplied = 0, m_nAverageTypeChosen = 0;
    int m_nAverageCountApplied = 1, m_nAverageCountChosen = 1;
    int m_nUnitApplied = 0, m_nUnitChosen = 0;
    int m_nMarkerApplied = 0, m_nMarkerChosen = 0;
    int m_nSpeedApplied = 0, m_nSpeedChosen = 0;
    int m_nFreqStepApplied = 0, m_nFreqStepChosen = 0;
    QString m_strAverageCount;

private:
    // Parses and clamps the text into the chosen count for Exponential, "0" otherwise.
    void TakeCountText();
    // Taken by Apply or Enter and waiting for the timer; a reload shows these,
    // and the timer sends them whatever is chosen meanwhile.
    std::optional<int> m_oPendingSpeed;
    std::optional<std::pair<int, int>> m_oPendingAverage; // type, count
    ISettingsDevice& m_dev;
};

// The Play page's rules: the output inversion as applied and as chosen, and the
// read-only frequency and level texts.
#pragma once
#include <QString>
#include <cstdint>
#include <optional>

class ISettingsDevice;

class PlayPageModel {
public:
    static constexpr unsigned kInvertTimer = 1;
    static constexpr unsigned kDelayMs = 300;

    explicit PlayPageModel(ISettingsDevice& dev) : m_dev(dev) {}

    static QString FrequencyText(std::uint32_t hz); // "%u"
    static QString GainText(std::int16_t tenths);   // "%.1f" of dB

    void Load();
    // After a new output frequency or a new file: texts again, and the library's
    // resolution bandwidth applied once more.
    void RefreshPlayValues();
    void Choose(int inv) { m_nSpectralInvChosen = inv; }
    // Starts the send timer when the choice differs from what was applied; the
    // timer sends the value applied, whatever is chosen or reloaded meanwhile.
    void Apply();
    void Revert() { m_nSpectralInvChosen = m_nSpectralInvApplied; }
    // True when the timer was this page's.
    bool OnTimer(unsigned id);

    QString m_strFrequency;
    QString m_strGain;
    int m_nSpectralInvApplied = 0;
    int m_nSpectralInvChosen = 0;

private:
    void FormatTexts();
    // Applied and waiting for the timer: not yet in the device state.
    std::optional<int> m_oPendingInv;
    ISettingsDevice& m_dev;
};

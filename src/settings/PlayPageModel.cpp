#include "settings/PlayPageModel.h"

#include "settings/ISettingsDevice.h"

QString PlayPageModel::FrequencyText(std::uint32_t hz) {
    return QString::number(hz);
}

QString PlayPageModel::GainText(std::int16_t tenths) {
    return QString::asprintf("%.1f", tenths / 10.0);
}

void PlayPageModel::FormatTexts() {
    const DeviceState& s = m_dev.State();
    m_strFrequency = FrequencyText(s.m_nZephyraFreqHz);
    m_strGain = GainText(s.m_sZephyraPower);
}

void PlayPageModel::Load() {
    FormatTexts();
    m_nSpectralInvApplied = m_nSpectralInvChosen = m_oPendingInv.value_or(m_dev.State().m_nSpectralInv);
}

void PlayPageModel::RefreshPlayValues() {
    FormatTexts();
    m_dev.ResBW(m_dev.State().m_nResBW);
}

void PlayPageModel::Apply() {
    if (m_nSpectralInvChosen == m_nSpectralInvApplied)
        return;
    m_nSpectralInvApplied = m_nSpectralInvChosen;
    m_oPendingInv = m_nSpectralInvApplied;
    m_dev.StartTimer(kInvertTimer, kDelayMs);
}

bool PlayPageModel::OnTimer(unsigned id) {
    if (id != kInvertTimer)
        return false;
    m_dev.KillTimer(kInvertTimer);
    const int inv = m_oPendingInv.value_or(m_nSpectralInvApplied);
    m_oPendingInv.reset();
    m_dev.State().m_nSpectralInv = inv;
    m_dev.QueueValue(MX_CMD_SPECTRAL_INV, inv);
    m_dev.SetSpectralInv(inv);
    return true;
}

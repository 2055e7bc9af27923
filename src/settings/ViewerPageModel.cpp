#include "settings/ViewerPageModel.h"

#include <algorithm>

#include "settings/ISettingsDevice.h"

const QStringList& ViewerPageModel::ResBWItems() {
    static const QStringList l{"200Hz", "300Hz", "400Hz", "500Hz"};
    return l;
}
const QStringList& ViewerPageModel::AverageItems() {
    static const QStringList l{"Off", "Exponential"};
    return l;
}
const QStringList& ViewerPageModel::UnitItems() {
    static const QStringList l{"dBm", "dBmV", "dBuV"};
    return l;
}
const QStringList& ViewerPageModel::MarkerItems() {
    static const QStringList l{"1", "2", "3", "4"};
    return l;
}
const QStringList& ViewerPageModel::SpeedItems() {
    static const QStringList l{"Fastest", "Faster", "Normal", "Slower", "Slowest"};
    return l;
}
const QStringList& ViewerPageModel::FreqStepItems() {
    static const QStringList l{"1MHz",  "8MHz",  "10MHz", "20MHz", "24MHz", "30MHz", "40MHz",
                               "48MHz", "50MHz", "60MHz", "70MHz", "80MHz", "90MHz", "100MHz"};
    return l;
}

std::int64_t ViewerPageModel::ParseCount(const QString& text) {
    int i = 0;
    const int n = int(text.size());
    while (i < n && (text[i] == u' ' || text[i] == u'\t' || text[i] == u'\n' || text[i] == u'\r' ||
                     text[i] == u'\v' || text[i] == u'\f'))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    // Saturated far beyond 32 bits: any such number clamps the same way.
    constexpr std::int64_t kCap = std::int64_t(1) << 40;
    std::int64_t v = 0;
    for (; i < n && text[i] >= u'0' && text[i] <= u'9'; ++i)
        v = std::min(kCap, v * 10 + (text[i].unicode() - u'0'));
    return negative ? -v : v;
}

std::uint32_t ViewerPageModel::ClampCount(std::int64_t value) {
    // Negative numbers compare as large unsigned ones.
    if (value < 0 || value > 100)
        return 100;
    return value == 0 ? 1 : std::uint32_t(value);
}

void ViewerPageModel::Load() {
    DeviceState& s = m_dev.State();
    m_nResBWApplied = m_nResBWChosen = s.m_nResBW;
    const auto average = m_oPendingAverage.value_or(std::pair(s.m_nAverageType, s.m_nAverageCount));
    m_nAverageTypeApplied = m_nAverageTypeChosen = average.first;
    m_nAverageCountApplied = m_nAverageCountChosen = average.second;
    m_nUnitApplied = m_nUnitChosen = m_dev.PowerUnit();
    m_nMarkerApplied = m_nMarkerChosen = m_dev.MarkerCounts();
    m_nSpeedApplied = m_nSpeedChosen = m_oPendingSpeed.value_or(s.m_nUpdateSpeed);
    m_nFreqStepApplied = m_nFreqStepChosen = s.m_nFrequencyStep;
    m_strAverageCount =
        m_nAverageTypeApplied == 1 ? QString::number(std::uint32_t(average.second)) : QStringLiteral("0");
}

void ViewerPageModel::ChooseAverageType(int i) {
    m_nAverageTypeChosen = i;
    m_strAverageCount = i == 1 ? QString::number(std::uint32_t(m_nAverageCountChosen)) : QStringLiteral("0");
}

void ViewerPageModel::TakeCountText() {
    if (m_nAverageTypeChosen == 1) {
        m_nAverageCountChosen = int(ClampCount(ParseCount(m_strAverageCount)));
        m_strAverageCount = QString::number(m_nAverageCountChosen);
    } else {
        m_strAverageCount = QStringLiteral("0");
    }
}

void ViewerPageModel::Apply() {
    if (m_nUnitChosen != m_nUnitApplied) {
        m_nUnitApplied = m_nUnitChosen;
        m_dev.SetPowerUnit(m_nUnitChosen);
    }
    if (m_nResBWChosen != m_nResBWApplied) {
        m_nResBWApplied = m_nResBWChosen;
        m_dev.ResBW(m_nResBWChosen);
        m_dev.State().m_nResBW = m_nResBWChosen;
        m_dev.QueueValue(MX_CMD_RES_BW, m_nResBWChosen);
    }
    TakeCountText();
    if (m_nAverageTypeChosen != m_nAverageTypeApplied || m_nAverageCountChosen != m_nAverageCountApplied) {
        m_nAverageTypeApplied = m_nAverageTypeChosen;
        m_nAverageCountApplied = m_nAverageCountChosen;
        m_dev.SetAverageType(m_nAverageTypeChosen, m_nAverageCountChosen);
    }
    if (m_nMarkerChosen != m_nMarkerApplied) {
        m_nMarkerApplied = m_nMarkerChosen;
        m_dev.SetMarkerCounts(m_nMarkerChosen);
        m_dev.SetGraphMarkerCount(m_nMarkerChosen);
    }
    if (m_nSpeedChosen != m_nSpeedApplied) {
        m_nSpeedApplied = m_nSpeedChosen;
        m_oPendingSpeed = m_nSpeedApplied;
        m_dev.StartTimer(kSpeedTimer, kDelayMs);
    }
    if (m_nFreqStepChosen != m_nFreqStepApplied) {
        m_nFreqStepApplied = m_nFreqStepChosen;
        m_dev.State().m_nFrequencyStep = m_nFreqStepChosen;
        m_dev.SetFrequencyStep(m_nFreqStepChosen);
    }
}

void ViewerPageModel::ApplyAverageCount() {
    TakeCountText();
    m_oPendingAverage = std::pair(m_nAverageTypeChosen, m_nAverageCountChosen);
    m_dev.StartTimer(kAverageTimer, kDelayMs);
}

void ViewerPageModel::StepAverageCount(int step) {
    m_strAverageCount = QString::number(ClampCount(ParseCount(m_strAverageCount) + step));
}

void ViewerPageModel::Revert() {
    m_nResBWChosen = m_nResBWApplied;
    m_nAverageTypeChosen = m_nAverageTypeApplied;
    m_nAverageCountChosen = m_nAverageCountApplied;
    m_nUnitChosen = m_nUnitApplied;
    m_nMarkerChosen = m_nMarkerApplied;
    m_nSpeedChosen = m_nSpeedApplied;
    m_nFreqStepChosen = m_nFreqStepApplied;
}

bool ViewerPageModel::OnTimer(unsigned id) {
    if (id == kAverageTimer) {
        m_dev.KillTimer(kAverageTimer);
        const auto [type, count] =
            m_oPendingAverage.value_or(std::pair(m_nAverageTypeChosen, m_nAverageCountChosen));
        m_oPendingAverage.reset();
        m_dev.SetAverageType(type, count);
        return true;
    }
    if (id == kSpeedTimer) {
        m_dev.KillTimer(kSpeedTimer);
        const int speed = m_oPendingSpeed.value_or(m_nSpeedApplied);
        m_oPendingSpeed.reset();
        m_dev.State().m_nUpdateSpeed = speed;
        m_dev.QueueValue(MX_CMD_UPDATE_SPEED, speed);
        // A choice made since stays chosen for the next Apply.
        m_nSpeedApplied = speed;
        return true;
    }
    return false;
}

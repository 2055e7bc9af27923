// The spectrum-computation entry points of Part 1.110. Thin methods: the real
// computation (mxspectrum) replaces their bodies without changing the calls.
#include <algorithm>
#include <cmath>

#include "marlixmfc/MarlixImpl.h"

namespace {
// Offset of each unit from dBm for 50 ohm: 0 dBm = 46.99 dBmV = 106.99 dBuV.
int UnitOffsetDb(int unit) {
    if (unit == POWER_UNIT_DBM) return 0;
    if (unit == POWER_UNIT_DBMV) return 47;
    return 107;
}
}  // namespace

void MxComputeSpectrum(const MxSpectrumParams& p, const std::int16_t* iq, int points, double* out) {
    // Placeholder until the measurement work: a flat floor in the chosen unit.
    (void)iq;
    const double floorDbm = -150.0;
    std::fill(out, out + points, floorDbm + UnitOffsetDb(p.powerUnit));
}

void CMarlixMFC::Zephyra_UI_MFC_ResBW(_MxResBWType_e type) {
    std::lock_guard<std::mutex> lock(m_pImpl->paramMutex);
    m_pImpl->params.resBW = std::clamp(static_cast<int>(type), 0, 3);
}

void CMarlixMFC::SetAverageType(_MxAverageType_e type, int count) {
    DeviceState.m_nAverageType = type;
    DeviceState.m_nAverageCount = count;
    std::lock_guard<std::mutex> lock(m_pImpl->paramMutex);
    m_pImpl->params.averageType = type;
    m_pImpl->params.averageCount = std::clamp(count, 1, 100);
}

void CMarlixMFC::SetPowerUnitdBType(Power_Unit_dB_e unit) {
    int previous;
    {
        std::lock_guard<std::mutex> lock(m_pImpl->paramMutex);
        previous = m_pImpl->params.powerUnit;
        m_pImpl->params.powerUnit = unit;
    }
    DeviceState.m_nPowerUnitTo = unit;
    if (previous != unit) {
        MxDelivery d;
        d.hwnd = m_hNotifyWnd;
        d.msg = WM_POWER_UNIT_CHANGED;
        m_pImpl->Post(std::move(d));
    }
}

Power_Unit_dB_e CMarlixMFC::GetPowerUnitdBType() const {
    std::lock_guard<std::mutex> lock(m_pImpl->paramMutex);
    return static_cast<Power_Unit_dB_e>(m_pImpl->params.powerUnit);
}

int CMarlixMFC::GetAverageRelativePowerdB(int fromUnit, int toUnit) const {
    return UnitOffsetDb(toUnit) - UnitOffsetDb(fromUnit);
}

void CMarlixMFC::SetMarkerCounts(MarkerCountsType_t value) {
    std::lock_guard<std::mutex> lock(m_pImpl->paramMutex);
    m_pImpl->params.markerCounts = std::clamp(value, 0, 3);
}

MarkerCountsType_t CMarlixMFC::GetMarkerCounts() const {
    std::lock_guard<std::mutex> lock(m_pImpl->paramMutex);
    return m_pImpl->params.markerCounts;
}

void CMarlixMFC::SetFrequencyStepHz(FrequencyStep_t step) {
    std::lock_guard<std::mutex> lock(m_pImpl->paramMutex);
    m_pImpl->params.frequencyStep = step;
}

void CMarlixMFC::SetSpectralInv(_MxSpectralInv_e inv) {
    std::lock_guard<std::mutex> lock(m_pImpl->paramMutex);
    m_pImpl->params.spectralInv = inv != 0 ? 1 : 0;
}

void CMarlixMFC::CalcuExcludeCnt(double span, double excluded) {
    const int n = std::clamp(DeviceState.m_nSpectrumPoints, 0, MX_MAX_POINTS);
    int e = 0;
    if (span > 0.0 && excluded > 0.0 && std::isfinite(span) && std::isfinite(excluded))
        e = static_cast<int>(std::lround(std::min(1.0, excluded / span) * n));
    m_pImpl->excludeCnt = std::clamp(e, 0, n);
}

int CMarlixMFC::GetExcludeCnt() const { return m_pImpl->excludeCnt; }

double CMarlixMFC::CalcuBandPower(int first, int last) {
    const int n = std::clamp(DeviceState.m_nSpectrumPoints, 0, MX_MAX_POINTS);
    if (first > last) std::swap(first, last);
    first = std::max(first, 0);
    last = std::min(last, n - 1);
    if (n == 0 || first > last) return -200.0;
    double sum = 0.0;
    for (int i = first; i <= last; ++i) sum += std::pow(10.0, DeviceDataStore.m_adSpectrum[i] / 10.0);
    return sum > 0.0 ? 10.0 * std::log10(sum) : -200.0;
}

int CMarlixMFC::CheckMaskData() { return 0; }

int CMarlixMFC::CheckBandPower() { return 0; }

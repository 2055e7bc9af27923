// The spectrum-computation entry points of CMarlixMFC: thin methods over the one
// MxSpectrumEngine the library owns. The link thread computes each block with it;
// the program's calls land here on the GUI thread (the engine guards itself).
#include <algorithm>
#include <cmath>

#include "marlixmfc/MarlixImpl.h"

bool MxComputeSpectrum(MxSpectrumEngine& engine, int wantInv, const mxp::MeasureHead& head,
                       const std::int16_t* iq, double* out) {
    const int n = static_cast<int>(head.points);
    engine.SetSampleClock(head.sampleClock);
    engine.SetFullScaleDbm(head.fullScaleDbm);
    // Samples the instrument has mirrored already show the output as it is.
    engine.SetSpectralInv(wantInv != 0 && (head.flags & mxp::MEASURE_INVERTED) == 0 ? 1 : 0);
    return engine.ComputeSpectrum(iq, iq + n, n, out);
}

void CMarlixMFC::Zephyra_UI_MFC_ResBW(_MxResBWType_e type) {
    m_pImpl->engine.Zephyra_UI_MFC_ResBW(type);
}

void CMarlixMFC::SetAverageType(_MxAverageType_e type, int count) {
    DeviceState.m_nAverageType = type;
    DeviceState.m_nAverageCount = count;
    m_pImpl->engine.SetAverageType(type, count);
}

void CMarlixMFC::SetPowerUnitdBType(Power_Unit_dB_e unit) {
    MxSpectrumEngine& e = m_pImpl->engine;
    const int from = e.GetPowerUnitdBType();
    const bool changed = e.SetPowerUnitdBType(unit);
    const int to = e.GetPowerUnitdBType();
    DeviceState.m_nPowerUnitTo = to;
    if (changed) {
        // Each notice carries its own pair, so the level axis always shifts from the
        // unit it shows, however many changes wait for the GUI thread.
        MxDelivery d;
        d.hwnd = m_hNotifyWnd;
        d.msg = WM_POWER_UNIT_CHANGED;
        d.apply = [this, from, to] {
            DeviceState.m_nPowerUnitFrom = from;
            DeviceState.m_nPowerUnitTo = to;
        };
        m_pImpl->Post(std::move(d));
    }
}

Power_Unit_dB_e CMarlixMFC::GetPowerUnitdBType() const {
    return static_cast<Power_Unit_dB_e>(m_pImpl->engine.GetPowerUnitdBType());
}

int CMarlixMFC::GetAverageRelativePowerdB(int fromUnit, int toUnit) const {
    return MxSpectrumEngine::GetAverageRelativePowerdB(fromUnit, toUnit);
}

void CMarlixMFC::SetMarkerCounts(MarkerCountsType_t value) {
    m_pImpl->engine.SetMarkerCounts(value);
}

MarkerCountsType_t CMarlixMFC::GetMarkerCounts() const {
    return m_pImpl->engine.GetMarkerCounts();
}

void CMarlixMFC::SetFrequencyStepHz(FrequencyStep_t step) {
    m_pImpl->engine.SetFrequencyStepHz(step);
}

void CMarlixMFC::SetSpectralInv(_MxSpectralInv_e inv) {
    m_pImpl->spectralInv.store(inv != 0 ? 1 : 0);
}

void CMarlixMFC::CalcuExcludeCnt(double span, double excluded) {
    MxSpectrumEngine& e = m_pImpl->engine;
    e.SetSpectrumPoints(std::clamp(DeviceState.m_nSpectrumPoints, 1, MX_MAX_POINTS));
    e.CalcuExcludeCnt(span, excluded);
}

int CMarlixMFC::GetExcludeCnt() const {
    return m_pImpl->engine.GetExcludeCnt();
}

double CMarlixMFC::CalcuBandPower(int first, int last) {
    // Over the trace the program shows, which may be older than the engine's latest.
    const int n = std::clamp(DeviceState.m_nSpectrumPoints, 0, MX_MAX_POINTS);
    return m_pImpl->engine.CalcuBandPower(DeviceDataStore.m_adSpectrum, n, first, last);
}

int CMarlixMFC::CheckMaskData() {
    return m_pImpl->engine.CheckMaskData();
}

int CMarlixMFC::CheckBandPower() {
    return m_pImpl->engine.CheckBandPower();
}

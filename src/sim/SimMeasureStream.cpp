#include "sim/SimMeasureStream.h"

#include <algorithm>
#include <cmath>

#include "sim/synth/MxSignalSynth.h"

namespace {
// 20, 10, 5, 2 and 1 blocks per second.
constexpr unsigned kIntervalMs[5] = {50, 100, 200, 500, 1000};
// The output levels the block's full scale can state, with the headroom.
constexpr double kMinLevelDbm = mxp::kMinFullScaleDbm, kMaxLevelDbm = 60.0;
} // namespace

SimMeasureStream::SimMeasureStream() = default;
SimMeasureStream::~SimMeasureStream() = default;

unsigned SimMeasureStream::IntervalMs(int updateSpeed) {
    return kIntervalMs[std::clamp(updateSpeed, 0, 4)];
}

unsigned SimMeasureStream::Interval(int updateSpeed) const {
    return m_overrideMs ? m_overrideMs : IntervalMs(updateSpeed);
}

void SimMeasureStream::Load(const std::u16string& fileName) {
    m_file = mxp::ToUtf8(fileName);
    m_synth.reset();
}

void SimMeasureStream::Start(std::uint64_t nowMs, int updateSpeed) {
    m_running = !m_file.empty();
    m_nextMs = nowMs + Interval(updateSpeed);
}

int SimMeasureStream::MsUntilDue(std::uint64_t nowMs) const {
    if (!m_running)
        return -1;
    return m_nextMs <= nowMs ? 0 : static_cast<int>(std::min<std::uint64_t>(m_nextMs - nowMs, 1000));
}

std::vector<std::uint8_t> SimMeasureStream::NextBlock(std::uint64_t nowMs, int updateSpeed, int points,
                                                      std::int32_t playMode, double positionSec,
                                                      double sampleClock, double levelDbm, bool inverted) {
    if (MsUntilDue(nowMs) != 0)
        return {};
    const unsigned interval = Interval(updateSpeed);
    // Keep the rate; after a stall (a slow machine) start afresh rather than burst.
    m_nextMs = nowMs - m_nextMs > interval ? nowMs + interval : m_nextMs + interval;

    points = std::clamp(points, 1, MX_MAX_POINTS);
    levelDbm = std::clamp(std::isfinite(levelDbm) ? levelDbm : 0.0, kMinLevelDbm, kMaxLevelDbm - kHeadroomDb);
    const double fullScale = levelDbm + kHeadroomDb;
    if (!m_synth || m_synthLevel != levelDbm || m_synthInv != inverted) {
        m_synth =
            std::make_unique<MxSignalSynth>(MxSignalSynth::ForFile(m_file, levelDbm, inverted, 1, fullScale));
        m_synthLevel = levelDbm;
        m_synthInv = inverted;
    }
    m_i.resize(static_cast<std::size_t>(points));
    m_q.resize(static_cast<std::size_t>(points));
    // Sample index from the play position: a seek plays other samples, a replay the same.
    const double clock = m_synth->SampleClock();
    const auto first = static_cast<std::uint64_t>(std::max(0.0, positionSec) * clock);
    m_synth->Generate(first, points, m_i.data(), m_q.data());

    mxp::MeasureHead h;
    h.kind = 0;
    h.points = static_cast<std::uint32_t>(points);
    h.playMode = playMode;
    h.positionSec = static_cast<std::uint32_t>(std::max(0.0, positionSec));
    h.sampleClock = sampleClock > 0.0 && sampleClock <= mxp::kMaxMeasureClock ? sampleClock : clock;
    h.fullScaleDbm = fullScale;
    h.flags = inverted ? mxp::MEASURE_INVERTED : 0;
    ++m_made;
    return mxp::EncodeMeasure(h, m_i.data(), m_q.data());
}

// The simulated instrument's measurement stream: while a file plays, one block of
// I/Q samples of that file per update interval, made by the signal synthesiser at
// the output level and inversion in force when the block is made.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "marlixmfc/MxProtocol.h"

class MxSignalSynth;

class SimMeasureStream {
public:
    SimMeasureStream();
    ~SimMeasureStream();
    SimMeasureStream(const SimMeasureStream&) = delete;
    SimMeasureStream& operator=(const SimMeasureStream&) = delete;

    // Milliseconds between blocks for MX_CMD_UPDATE_SPEED 0 (fastest) .. 4; other
    // values are clamped into that range.
    static unsigned IntervalMs(int updateSpeed);
    // Headroom of the samples: full scale = output level + this many dB, so that
    // noise and OFDM peaks rarely clip while a weak signal keeps its resolution.
    static constexpr double kHeadroomDb = 15.0;

    // A fixed interval instead of the update speed (test and benchmark hook; 0 = off).
    void SetIntervalOverrideMs(unsigned ms) { m_overrideMs = ms; }

    // The file now loaded for play (its name as stored, without the folder).
    void Load(const std::u16string& fileName);
    // Playback (re)started: the first block follows one interval later. The owner
    // asks for blocks only while it plays.
    void Start(std::uint64_t nowMs, int updateSpeed);
    bool Running() const { return m_running; }

    // Milliseconds until the next block is due (0 when due now); -1 when stopped.
    int MsUntilDue(std::uint64_t nowMs) const;
    // When a block is due: its EV_MEASURE payload, the schedule moved on; else empty.
    // levelDbm is the output level, sampleClock the clock played at, inverted the
    // output inversion; position in seconds.
    std::vector<std::uint8_t> NextBlock(std::uint64_t nowMs, int updateSpeed, int points,
                                        std::int32_t playMode, double positionSec, double sampleClock,
                                        double levelDbm, bool inverted);

    std::uint64_t BlocksMade() const { return m_made; }

private:
    unsigned Interval(int updateSpeed) const;

    std::string m_file; // UTF-8
    bool m_running = false;
    std::uint64_t m_nextMs = 0;
    unsigned m_overrideMs = 0;
    std::uint64_t m_made = 0;

    // The synthesiser of the last block, kept while file, level and inversion stay.
    std::unique_ptr<MxSignalSynth> m_synth;
    double m_synthLevel = 0.0;
    bool m_synthInv = false;
    std::vector<std::int16_t> m_i, m_q;
};

// A settings device that records, in order, everything a page's rules do.
#pragma once
#include <QString>
#include <QStringList>
#include <cstring>
#include <set>

#include "settings/ISettingsDevice.h"

class RecordingDevice : public ISettingsDevice {
public:
    DeviceState state;
    QStringList log;
    std::set<unsigned> timers;
    int powerUnit = 0;
    int markerCounts = 0;

    QStringList Take() {
        QStringList out = log;
        log.clear();
        return out;
    }

    DeviceState& State() override { return state; }
    void Queue(MX_CMD_ID_e cmd, MX_RW_ID_e rw, unsigned size, const void* payload) override {
        QString line = QStringLiteral("%1 %2").arg(QString::fromLatin1(MxCmdName(cmd))).arg(int(rw));
        if (cmd == MX_CMD_TEXT_COMMAND) {
            line += QStringLiteral(" \"%1\" %2")
                        .arg(QString::fromUtf16(static_cast<const char16_t*>(payload), size / 2))
                        .arg(size);
        } else if (size == 4) {
            std::int32_t v = 0;
            std::memcpy(&v, payload, 4);
            line += QStringLiteral(" %1").arg(v);
        } else {
            line += QStringLiteral(" size %1").arg(size);
        }
        log << line;
    }
    void ResBW(int type) override {
        log << QStringLiteral("ResBW %1 state %2").arg(type).arg(state.m_nResBW);
    }
    void SetAverageType(int type, int count) override {
        log << QStringLiteral("SetAverageType %1 %2").arg(type).arg(count);
    }
    void SetPowerUnit(int unit) override {
        powerUnit = unit;
        log << QStringLiteral("SetPowerUnit %1").arg(unit);
    }
    int PowerUnit() override { return powerUnit; }
    void SetMarkerCounts(int index) override {
        markerCounts = index;
        log << QStringLiteral("SetMarkerCounts %1").arg(index);
    }
    int MarkerCounts() override { return markerCounts; }
    void SetFrequencyStep(int step) override {
        log << QStringLiteral("SetFrequencyStep %1 state %2").arg(step).arg(state.m_nFrequencyStep);
    }
    void SetSpectralInv(int inv) override { log << QStringLiteral("SetSpectralInv %1").arg(inv); }
    void SetGraphMarkerCount(int index) override { log << QStringLiteral("GraphMarkers %1").arg(index); }
    void ApplyGraphColors(int graph) override {
        log << QStringLiteral("ApplyGraphColors %1 bg %2")
                   .arg(graph)
                   .arg(state.m_aGraphColors[graph == 0 ? 0 : 3].m_clrBG, 8, 16, QLatin1Char('0'));
    }
    void SaveGraphColor(int key) override { log << QStringLiteral("Save %1").arg(key); }
    void SetStatusPane(int pane, unsigned value) override {
        log << QStringLiteral("pane %1 %2").arg(pane).arg(value);
    }
    void StartTimer(unsigned id, unsigned ms) override {
        timers.insert(id);
        log << QStringLiteral("timer %1 %2ms").arg(id).arg(ms);
    }
    void KillTimer(unsigned id) override { timers.erase(id); }
    void Message(const QString& text) override { log << QStringLiteral("box ") + text; }

    // Fires a running timer the way the page window would.
    template <typename Model> bool Fire(Model& m, unsigned id) {
        if (!timers.count(id))
            return false;
        return m.OnTimer(id);
    }
};

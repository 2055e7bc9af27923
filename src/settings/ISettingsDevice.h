// The roads a settings page or the calibration dialog takes to the instrument:
// the device state, the command queue, the library's setters, the status bar,
// the page's own timers and message boxes. The pages' rules talk only to this,
// so a test can record what they do and in which order.
#pragma once
#include <QString>
#include <cstdint>

#include "device/MarlixMFC.h"

class ISettingsDevice {
public:
    virtual ~ISettingsDevice() = default;

    virtual DeviceState& State() = 0;
    // MX_RW-selected command with the page's window as reply window.
    virtual void Queue(MX_CMD_ID_e cmd, MX_RW_ID_e rw, unsigned size, const void* payload) = 0;
    void QueueValue(MX_CMD_ID_e cmd, std::int32_t value) { Queue(cmd, MX_RW_DEFAULT, 4, &value); }

    // Device-library setters and getters.
    virtual void ResBW(int type) = 0;
    virtual void SetAverageType(int type, int count) = 0;
    virtual void SetPowerUnit(int unit) = 0;
    virtual int PowerUnit() = 0;
    virtual void SetMarkerCounts(int index) = 0;
    virtual int MarkerCounts() = 0;
    virtual void SetFrequencyStep(int step) = 0;
    virtual void SetSpectralInv(int inv) = 0;

    // The program around the page.
    virtual void SetGraphMarkerCount(int index) = 0;
    virtual void ApplyGraphColors(int graph) = 0;
    virtual void SaveGraphColor(int key) = 0;
    virtual void SetStatusPane(int pane, unsigned value) = 0;
    virtual void StartTimer(unsigned id, unsigned ms) = 0;
    virtual void KillTimer(unsigned id) = 0;
    virtual void Message(const QString& text) = 0;
};

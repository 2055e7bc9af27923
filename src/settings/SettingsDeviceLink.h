// The real roads of a page: theApp's device state and command queue, the device
// library, the main frame's status bar, and the timers of the page's window.
#pragma once
#include "settings/ISettingsDevice.h"

class CMsgTarget;

class SettingsDeviceLink : public ISettingsDevice {
public:
    explicit SettingsDeviceLink(CMsgTarget* owner) : m_pOwner(owner) {}

    DeviceState& State() override;
    // Dropped while the instrument is not connected: nothing waits in the queue
    // for a link that may go to another instrument.
    void Queue(MX_CMD_ID_e cmd, MX_RW_ID_e rw, unsigned size, const void* payload) override;
    void ResBW(int type) override;
    void SetAverageType(int type, int count) override;
    void SetPowerUnit(int unit) override;
    int PowerUnit() override;
    void SetMarkerCounts(int index) override;
    int MarkerCounts() override;
    void SetFrequencyStep(int step) override;
    void SetSpectralInv(int inv) override;
    void SetGraphMarkerCount(int index) override;
    void ApplyGraphColors(int graph) override;
    void SaveGraphColor(int key) override;
    void SetStatusPane(int pane, unsigned value) override;
    void StartTimer(unsigned id, unsigned ms) override;
    void KillTimer(unsigned id) override;
    void Message(const QString& text) override;

private:
    CMarlixMFC& Lib();
    CMsgTarget* m_pOwner;
};

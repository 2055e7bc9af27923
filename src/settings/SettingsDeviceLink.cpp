#include "settings/SettingsDeviceLink.h"

#include "app/MarlixExApp.h"
#include "mainframe/MainFrm.h"
#include "platform/MsgBox.h"
#include "platform/MsgTarget.h"

CMarlixMFC& SettingsDeviceLink::Lib() {
    return theApp.m_pMarlix ? *theApp.m_pMarlix : g_Marlix;
}

DeviceState& SettingsDeviceLink::State() {
    return theApp.State();
}

void SettingsDeviceLink::Queue(MX_CMD_ID_e cmd, MX_RW_ID_e rw, unsigned size, const void* payload) {
    if (State().m_nConnectState != MX_CONNECT_CONNECTED)
        return;
    theApp.AddCmd(cmd, rw, size, payload, m_pOwner ? m_pOwner->GetSafeHwnd() : nullptr);
}

void SettingsDeviceLink::ResBW(int type) {
    Lib().Zephyra_UI_MFC_ResBW(_MxResBWType_e(type));
}

void SettingsDeviceLink::SetAverageType(int type, int count) {
    Lib().SetAverageType(_MxAverageType_e(type), count);
}

void SettingsDeviceLink::SetPowerUnit(int unit) {
    Lib().SetPowerUnitdBType(Power_Unit_dB_e(unit));
}

int SettingsDeviceLink::PowerUnit() {
    return int(Lib().GetPowerUnitdBType());
}

void SettingsDeviceLink::SetMarkerCounts(int index) {
    Lib().SetMarkerCounts(index);
}

int SettingsDeviceLink::MarkerCounts() {
    return int(Lib().GetMarkerCounts());
}

void SettingsDeviceLink::SetFrequencyStep(int step) {
    Lib().SetFrequencyStepHz(step);
}

void SettingsDeviceLink::SetSpectralInv(int inv) {
    Lib().SetSpectralInv(_MxSpectralInv_e(inv));
}

void SettingsDeviceLink::SetGraphMarkerCount(int index) {
    theApp.SetMarkerCount(index);
}

void SettingsDeviceLink::ApplyGraphColors(int graph) {
    theApp.ApplyGraphColors(graph);
}

void SettingsDeviceLink::SaveGraphColor(int key) {
    theApp.SaveGraphColor(key);
}

void SettingsDeviceLink::SetStatusPane(int pane, unsigned value) {
    if (theApp.m_pMainWnd)
        theApp.m_pMainWnd->SetStatusPane(pane, value);
}

void SettingsDeviceLink::StartTimer(unsigned id, unsigned ms) {
    if (m_pOwner)
        m_pOwner->SetTimer(id, ms);
}

void SettingsDeviceLink::KillTimer(unsigned id) {
    if (m_pOwner)
        m_pOwner->KillTimer(id);
}

void SettingsDeviceLink::Message(const QString& text) {
    AfxMessageBox(text, MB_OK);
}

#include "settings/SystemPageModel.h"

#include "settings/ISettingsDevice.h"

const QStringList& SystemPageModel::RefItems() {
    static const QStringList l{"INT", "EXT"};
    return l;
}
const QStringList& SystemPageModel::TriggerItems() {
    static const QStringList l{"Off", "On"};
    return l;
}
const QStringList& SystemPageModel::TriggerOutItems() {
    static const QStringList l{"Low", "High"};
    return l;
}

QString SystemPageModel::DriveText(int index) {
    if (index < 0 || index > kLastDrive)
        return QString();
    return QStringLiteral("%1:\\").arg(QChar(char16_t(u'A' + index)));
}

void SystemPageModel::StartTimer(unsigned id) {
    m_dev.StartTimer(id, kDelayMs);
}

void SystemPageModel::Load() {
    DeviceState& s = m_dev.State();
    m_nRefApplied = m_nRefChosen = s.m_nRef10MHz;
    m_nTriggerApplied = m_nTriggerChosen = m_oPendingTrigger.value_or(s.m_nTrigger);
    m_nStorageApplied = m_nStorageChosen = s.m_nStorage;
    m_nDriveApplied = m_nDriveChosen = s.m_nStorageDrive;
    ShowLoadedStorage();
    m_dev.SetStatusPane(2, unsigned(m_nTriggerApplied));
    m_dev.SetStatusPane(3, unsigned(m_nRefApplied));
    // Any index outside the letters shows a blank.
    m_dev.SetStatusPane(5, unsigned(m_nDriveApplied));
    m_nTriggerOutApplied = m_nTriggerOutChosen = m_oPendingTriggerOut.value_or(s.m_nTriggerOut);
}

void SystemPageModel::ShowLoadedStorage() {
    m_bDriveListEnabled = m_nStorageChosen == 1;
    if (m_nStorageChosen == 1)
        SelectDriveEntry(m_nDriveChosen);
}

void SystemPageModel::ResetDriveList() {
    m_nDriveCount = 0;
    m_lstDrives = QStringList{QStringLiteral("Select")};
    m_nDriveEntry = 0;
}

void SystemPageModel::SelectDriveEntry(int drive) {
    const QString text = DriveText(drive);
    const int at = text.isEmpty() ? -1 : int(m_lstDrives.indexOf(text));
    m_nDriveEntry = at < 0 ? 0 : at;
}

void SystemPageModel::ClickStorage(int storage) {
    m_nStorageChosen = storage;
    ApplyStorage();
}

void SystemPageModel::ChooseDriveEntry(int entry) {
    const QString text = m_lstDrives.value(entry);
    m_nDriveEntry = entry;
    m_nDriveChosen = kDefaultDrive;
    for (int i = 0; i <= kLastDrive; ++i)
        if (text == DriveText(i)) {
            m_nDriveChosen = i;
            break;
        }
}

void SystemPageModel::ApplyStorage() {
    if (m_nStorageChosen != 1) {
        m_bDriveListEnabled = false;
        m_nDriveChosen = kDefaultDrive;
    } else {
        ResetDriveList();
        m_bDriveListEnabled = true;
    }
    m_dev.State().m_nStorage = m_nStorageChosen;
    m_dev.QueueValue(MX_CMD_STORAGE, m_nStorageChosen);
}

void SystemPageModel::ApplyDrive() {
    DeviceState& s = m_dev.State();
    if (s.m_nStorageDrive == m_nDriveChosen)
        return;
    m_nDriveApplied = m_nDriveChosen;
    s.m_nStorageDrive = m_nDriveChosen;
    m_dev.QueueValue(MX_CMD_STORAGE_DRIVE, m_nDriveChosen);
    m_dev.SetStatusPane(5, unsigned(m_nDriveChosen));
}

void SystemPageModel::Apply() {
    DeviceState& s = m_dev.State();
    if (m_nRefChosen != m_nRefApplied) {
        m_nRefApplied = m_nRefChosen;
        s.m_nRef10MHz = m_nRefChosen;
        m_dev.QueueValue(MX_CMD_REF_10MHZ, m_nRefChosen);
        m_dev.SetStatusPane(3, unsigned(m_nRefChosen));
    }
    if (m_nTriggerChosen != m_nTriggerApplied) {
        m_nTriggerApplied = m_nTriggerChosen;
        m_dev.SetStatusPane(2, unsigned(m_nTriggerChosen));
        m_oPendingTrigger = m_nTriggerApplied;
        StartTimer(kTriggerTimer);
    }
    if (m_nStorageApplied != m_nStorageChosen || m_nDriveApplied != m_nDriveChosen) {
        m_nStorageApplied = m_nStorageChosen;
        if (s.m_nStorage != m_nStorageChosen) {
            s.m_nStorage = m_nStorageChosen;
            ApplyStorage();
        }
        ApplyDrive();
    }
    if (m_nTriggerOutChosen != m_nTriggerOutApplied) {
        m_nTriggerOutApplied = m_nTriggerOutChosen;
        m_oPendingTriggerOut = m_nTriggerOutApplied;
        StartTimer(kTriggerOutTimer);
    }
}

void SystemPageModel::Revert() {
    m_nRefChosen = m_nRefApplied;
    m_nTriggerChosen = m_nTriggerApplied;
    if (m_nStorageChosen != m_nStorageApplied) {
        m_nStorageChosen = m_nStorageApplied;
        ApplyStorage();
    }
    if (m_nDriveChosen != m_nDriveApplied) {
        m_nDriveChosen = m_nDriveApplied;
        SelectDriveEntry(m_nDriveChosen);
        ApplyDrive();
    }
}

bool SystemPageModel::OnTimer(unsigned id) {
    DeviceState& s = m_dev.State();
    switch (id) {
    case kTriggerTimer: {
        m_dev.KillTimer(id);
        const int trigger = m_oPendingTrigger.value_or(m_nTriggerApplied);
        m_oPendingTrigger.reset();
        s.m_nTrigger = trigger;
        m_dev.QueueValue(MX_CMD_TRIGGER, trigger);
        return true;
    }
    case kRescanTimer:
        m_dev.KillTimer(id);
        if (s.m_nPlayMode != 2)
            m_dev.Queue(MX_CMD_RESCAN_DISK, MX_RW_DEFAULT, 0, nullptr);
        else
            m_dev.Message(QStringLiteral("Recording not supported"));
        return true;
    case kTriggerOutTimer: {
        m_dev.KillTimer(id);
        const int out = m_oPendingTriggerOut.value_or(m_nTriggerOutApplied);
        m_oPendingTriggerOut.reset();
        s.m_nTriggerOut = out;
        m_dev.QueueValue(MX_CMD_TRIGGER_OUT, out);
        return true;
    }
    default:
        return false;
    }
}

void SystemPageModel::OnDriveFound(unsigned index) {
    if (index >= unsigned(kFirstExternalDrive) && index <= unsigned(kLastDrive)) {
        const QString text = DriveText(int(index));
        // An instrument that reports a drive twice in one scan lists it once.
        if (m_lstDrives.contains(text))
            return;
        ++m_nDriveCount;
        m_lstDrives.append(text);
    } else if (index == unsigned(kNoExternalDrive)) {
        m_nStorageChosen = 0;
        // Falls back once from external storage. On internal storage this is the
        // instrument's answer to internal storage (or to a rescan): sending it
        // again would be answered again, for ever.
        if (m_dev.State().m_nStorage == 1) {
            ApplyStorage();
            ApplyDrive();
        } else {
            m_bDriveListEnabled = false;
            m_nDriveChosen = kDefaultDrive;
        }
    }
}

void SystemPageModel::OnDriveListReset() {
    ResetDriveList();
}

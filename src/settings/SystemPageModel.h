// The System page's rules: reference, trigger, trigger output, storage and its
// drive (applied and chosen), the drive list the instrument's answers fill, and
// the status panes 2, 3 and 5 that mirror them.
#pragma once
#include <QString>
#include <QStringList>
#include <optional>

class ISettingsDevice;

class SystemPageModel {
public:
    static constexpr unsigned kTriggerTimer = 4;
    static constexpr unsigned kRescanTimer = 5;
    static constexpr unsigned kTriggerOutTimer = 6;
    static constexpr unsigned kDelayMs = 300;
    static constexpr int kDefaultDrive = 3; // D:\ .
    static constexpr int kFirstExternalDrive = 4;
    static constexpr int kLastDrive = 24;
    static constexpr int kNoExternalDrive = 25;

    explicit SystemPageModel(ISettingsDevice& dev) : m_dev(dev) {}

    static const QStringList& RefItems();
    static const QStringList& TriggerItems();
    static const QStringList& TriggerOutItems();
    // "%c:\" of 'A' + index for 0..24; empty for anything else.
    static QString DriveText(int index);

    void Load();

    void ChooseRef(int i) { m_nRefChosen = i; }
    void ChooseTrigger(int i) { m_nTriggerChosen = i; }
    void ChooseTriggerOut(int i) { m_nTriggerOutChosen = i; }
    // A click on Internal (0) or External (1): sent at once.
    void ClickStorage(int storage);
    // Entry of the drive list chosen.
    void ChooseDriveEntry(int entry);

    void ApplyStorage();
    void ApplyDrive();
    void Apply();
    void Revert();
    void RescanDisk() { StartTimer(kRescanTimer); }
    bool OnTimer(unsigned id);

    void OnDriveFound(unsigned index);
    void OnDriveListReset();

    int m_nRefApplied = 0, m_nRefChosen = 0;
    int m_nStorageApplied = 0, m_nStorageChosen = 0;
    int m_nDriveApplied = kDefaultDrive, m_nDriveChosen = kDefaultDrive;
    int m_nDriveCount = 0;
    int m_nTriggerApplied = 0, m_nTriggerChosen = 0;
    int m_nTriggerOutApplied = 0, m_nTriggerOutChosen = 0;

    // The drive list as shown: "Select" and then the drives.
    QStringList m_lstDrives{QStringLiteral("Select")};
    int m_nDriveEntry = 0;
    bool m_bDriveListEnabled = false;

private:
    void ResetDriveList();
    // Selects the drive's entry, "Select" when it is not listed.
    void SelectDriveEntry(int drive);
    // Shows the storage and drive in effect: the list enabled for external
    // storage, with the drive's entry selected when the instrument listed it.
    void ShowLoadedStorage();
    void StartTimer(unsigned id);
    // Applied and waiting for their timers; a reload shows these and the timers send them.
    std::optional<int> m_oPendingTrigger, m_oPendingTriggerOut;
    ISettingsDevice& m_dev;
};

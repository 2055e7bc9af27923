// What the four settings pages share: a child window that takes program
// messages and timers, the real roads to the instrument, and the key rule that
// Enter and Escape never close or commit anything from inside a page.
#pragma once
#include <QStringList>
#include <QWidget>

#include "platform/MsgTarget.h"
#include "settings/SettingsDeviceLink.h"

class QComboBox;

class CSettingsPage : public QWidget, public CMsgTarget {
    Q_OBJECT
public:
    explicit CSettingsPage(QWidget* parent = nullptr);

    // Empties the list, fills it and selects `index`, without selection signals.
    static void FillCombo(QComboBox* combo, const QStringList& items, int index);
    static void SelectCombo(QComboBox* combo, int index);

protected:
    // True when the page eats this key-down with this control focused: every
    // Enter and Escape, so that no key inside a page closes or commits anything.
    virtual bool SwallowKey(QWidget* focus, int key);
    // Watches the keys of every child control; call once the controls exist.
    void WatchKeys();
    bool eventFilter(QObject* watched, QEvent* event) override;

    SettingsDeviceLink m_link;
};

// The device list: searches the network for instruments and lets the user pick
// the one to connect to.
#pragma once
#include <QDialog>
#include <QString>
#include <QTreeWidget>

#include "platform/MsgTarget.h"

class QPushButton;

// The instrument list: a plain list control, report view with check boxes.
class CMarlixIPList : public QTreeWidget {
    Q_OBJECT
public:
    explicit CMarlixIPList(QWidget* parent = nullptr) : QTreeWidget(parent) {}
};

class CDialogMarlixIP : public QDialog, public CMsgTarget {
    Q_OBJECT
public:
    enum { IDD = 339, IDC_LIST_IP = 1043, IDC_BUTTON_IP_UPDATE = 1045, IDC_BUTTON_CONNECT = 1046 };
    // Search timers: send the broadcast, end the listening.
    enum : UINT_PTR { kTimerBroadcast = 1, kTimerListenEnd = 2 };
    static constexpr int kBroadcastDelayMs = 1;
    static constexpr int kListenMs = 3500;
    static constexpr int kCheckZonepx = 26; // clicks left of this are the check box's own

    explicit CDialogMarlixIP(QWidget* parent = nullptr);
    ~CDialogMarlixIP() override;

    CMarlixIPList m_listIP;
    int m_nChosenRow = -1;
    int m_nDeviceCount = 0;
    QString m_strChosenIP;

    void OnIPUpdate();
    void OnConnect();
    LRESULT OnDeviceFound(WPARAM wParam, LPARAM lParam);
    LRESULT OnListCheckChanged(WPARAM wParam, LPARAM lParam);
    void OnListClick(const QPoint& viewportPos);
    void OnListDblClick(const QPoint& viewportPos);
    void OnTimer(UINT_PTR nIDEvent) override;

    QPushButton* IPUpdateButton() const { return m_pBtnUpdate; }
    QPushButton* ConnectButton() const { return m_pBtnConnect; }
    bool IsSearching() const { return m_bSearching; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void done(int r) override;

    DECLARE_MESSAGE_MAP()

private:
    void OnInitDialog();
    void StopListening();
    int FirstCheckedRow() const;
    void SetChecked(int row, bool on);
    bool IsChecked(int row) const;

    QPushButton* m_pBtnUpdate = nullptr;
    QPushButton* m_pBtnConnect = nullptr;
    bool m_bSearching = false;
    bool m_bSkipRelease = false;
};

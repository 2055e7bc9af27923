// Copies the files checked in the browser to another drive of the instrument,
// with the progress of the current file and over all files. Run modally from
// the browser's Copy button.
#pragma once
#include <QDialog>

#include "output/CopyProgress.h"
#include "platform/MsgTarget.h"

class CDialogPlayFolderList;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;

class CDialogCopyDrive : public QDialog, public CMsgTarget {
    Q_OBJECT
    DECLARE_MESSAGE_MAP()
public:
    static constexpr UINT kIdDrive = 1264, kIdTotalBar = 1265, kIdFileBar = 1272, kIdName = 1269,
                          kIdDone = 1267, kIdOf = 1268, kIdCopy = 1270, kIdCancel = 1271;

    explicit CDialogCopyDrive(CDialogPlayFolderList* browser, QWidget* parent = nullptr);

    void OnCopy();
    void OnCancelCopy();
    bool Copying() const { return m_bCopying; }
    const CCopyProgress& Progress() const { return m_progress; }
    // Why the copy stopped before its end ("" while it runs or after it ended well).
    const QString& Failure() const { return m_strFailure; }

    QComboBox* m_comboDrive = nullptr;
    QProgressBar* m_progressTotal = nullptr;
    QProgressBar* m_progressFile = nullptr;
    QLabel* m_txtName = nullptr;
    QLabel* m_txtDone = nullptr;
    QLabel* m_txtOf = nullptr;
    QPushButton* m_btnCopy = nullptr;
    QPushButton* m_btnCancel = nullptr;
    int m_nRowCount = 0;

    void done(int r) override;

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    void InitCopy();
    void TakeSnapshot();
    void ShowCounts();
    LRESULT OnCopyProgress(WPARAM wParam, LPARAM);
    // A status the instrument gave in answer to one of this copy's files.
    LRESULT OnStatusMessage(WPARAM wParam, LPARAM);
    // The main frame tells of a lost link (MX_CONNECT_LOST) while this copy runs.
    LRESULT OnConnectState(WPARAM wParam, LPARAM);
    LRESULT OnCloseMessage(WPARAM, LPARAM);

    CDialogPlayFolderList* m_pBrowser;
    CCopyProgress m_progress;
    QString m_strFolder;
    bool m_bCopying = false;
    QString m_strFailure;
};

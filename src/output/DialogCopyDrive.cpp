#include "output/DialogCopyDrive.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "app/MarlixExApp.h"
#include "device/MxMessages.h"
#include "mainframe/MainFrm.h"
#include "mainframe/StatusText.h"
#include "output/DialogPlayFolderList.h"
#include "platform/MsgBox.h"

BEGIN_MESSAGE_MAP(CDialogCopyDrive, CMsgTarget)
ON_MESSAGE(WM_COPY_PROGRESS, &CDialogCopyDrive::OnCopyProgress)
ON_MESSAGE(WM_STATUS_MESSAGE, &CDialogCopyDrive::OnStatusMessage)
ON_MESSAGE(WM_CONNECT_STATE, &CDialogCopyDrive::OnConnectState)
ON_MESSAGE(WM_CLOSE, &CDialogCopyDrive::OnCloseMessage)
END_MESSAGE_MAP()

CDialogCopyDrive::CDialogCopyDrive(CDialogPlayFolderList* browser, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint), CMsgTarget(this),
      m_pBrowser(browser) {
    setObjectName(QStringLiteral("DialogCopyDrive"));
    setWindowTitle(QStringLiteral("Copy"));
    setFixedSize(374, 230);
    m_txtName = new QLabel(this);
    m_txtName->setObjectName(QString::number(kIdName));
    m_txtName->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_txtName->setGeometry(14, 14, 340, 18);
    m_progressFile = new QProgressBar(this);
    m_progressFile->setObjectName(QString::number(kIdFileBar));
    m_progressFile->setGeometry(16, 40, 346, 26);
    m_progressTotal = new QProgressBar(this);
    m_progressTotal->setObjectName(QString::number(kIdTotalBar));
    m_progressTotal->setGeometry(16, 88, 346, 26);
    m_progressTotal->setFormat(QStringLiteral("%v"));
    m_txtDone = new QLabel(this);
    m_txtDone->setObjectName(QString::number(kIdDone));
    m_txtDone->setGeometry(16, 120, 150, 18);
    m_txtOf = new QLabel(this);
    m_txtOf->setObjectName(QString::number(kIdOf));
    m_txtOf->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_txtOf->setGeometry(202, 120, 150, 18);
    m_comboDrive = new QComboBox(this);
    m_comboDrive->setObjectName(QString::number(kIdDrive));
    m_comboDrive->setGeometry(14, 152, 96, 28);
    m_btnCopy = new QPushButton(QStringLiteral("Copy"), this);
    m_btnCopy->setObjectName(QString::number(kIdCopy));
    m_btnCopy->setGeometry(154, 152, 100, 28);
    m_btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_btnCancel->setObjectName(QString::number(kIdCancel));
    m_btnCancel->setGeometry(260, 152, 100, 28);
    m_btnCopy->setAutoDefault(false);
    m_btnCancel->setAutoDefault(false);
    connect(m_btnCopy, &QPushButton::clicked, this, [this] { OnCopy(); });
    connect(m_btnCancel, &QPushButton::clicked, this, [this] { OnCancelCopy(); });
    InitCopy();
}

void CDialogCopyDrive::TakeSnapshot() {
    QStringList names;
    m_nRowCount = 0;
    m_strFolder.clear();
    if (m_pBrowser) {
        const CFileListModel& files = m_pBrowser->Files();
        m_nRowCount = files.RowCount();
        m_strFolder = files.Folder();
        for (int row : files.CheckedRows())
            names << files.Rows()[std::size_t(row)].name;
    }
    m_progress.SetFiles(names);
}

void CDialogCopyDrive::ShowCounts() {
    m_txtName->setText(m_progress.CurrentName());
    m_txtDone->setText(m_progress.Copied() == 0 ? m_progress.StartText() : m_progress.DoneText());
    m_txtOf->setText(m_progress.TotalText());
    m_progressTotal->setRange(0, std::max(m_progress.Total(), 1));
    m_progressTotal->setValue(m_progress.Copied());
    m_progressFile->setRange(0, 100);
    m_progressFile->setValue(m_progress.FilePercent());
}

void CDialogCopyDrive::InitCopy() {
    m_btnCopy->setEnabled(true);
    m_comboDrive->clear();
    m_comboDrive->addItem(QStringLiteral("Select"));
    if (m_pBrowser) {
        const CFolderTree& tree = m_pBrowser->Tree();
        for (std::uint32_t tag : tree.Children(CFolderTree::kRoot))
            m_comboDrive->addItem(tree.Text(tag));
    }
    m_comboDrive->setCurrentIndex(0);
    TakeSnapshot();
    ShowCounts();
}

void CDialogCopyDrive::OnCopy() {
    if (m_bCopying)
        return;
    const int drive = CCopyProgress::DriveIndex(m_comboDrive->currentText());
    if (drive < 0)
        return; // no drive chosen yet: Copy waits for one
    TakeSnapshot();
    ShowCounts();
    if (m_progress.Total() == 0)
        return;
    m_btnCopy->setEnabled(false);
    m_bCopying = true;
    if (CMainFrame* frame = theApp.m_pMainWnd)
        frame->TransferStarted(GetSafeHwnd());
    const std::int32_t index = drive;
    const QStringList files = m_progress.Files();
    for (int i = 0; i < files.size(); ++i) {
        const QString path = m_strFolder + files[i];
        std::uint32_t ref = 0;
        if (theApp.AddCmd(MX_CMD_COPY_DRIVE, MX_RW_DEFAULT, sizeof index, &index, GetSafeHwnd()) != 0)
            theApp.AddCmd(MX_CMD_COPY_FILE, MX_RW_DEFAULT, unsigned(path.size() * 2), path.utf16(),
                          GetSafeHwnd(), &ref);
        if (ref == 0) {
            // Refused by the queue: only the files sent so far are waited for.
            m_progress.KeepFirst(i);
            ShowCounts();
            AfxMessageBox(QStringLiteral("Only %1 of %2 files could be sent to the instrument to copy.\n"
                                         "Not sent: %3")
                              .arg(i)
                              .arg(files.size())
                              .arg(files[i]),
                          MB_OK | MB_ICONWARNING);
            if (i == 0)
                m_bCopying = false;
            return;
        }
        m_progress.FileQueued(i, ref);
    }
}

LRESULT CDialogCopyDrive::OnCopyProgress(WPARAM wParam, LPARAM) {
    if (!m_bCopying)
        return 0;
    const bool last = m_progress.OnProgress(int(std::min<WPARAM>(wParam, 1000)), CurrentReplyRef());
    ShowCounts();
    if (last) {
        m_bCopying = false;
        PostMessage(WM_CLOSE, 0, 0);
    }
    return 0;
}

LRESULT CDialogCopyDrive::OnStatusMessage(WPARAM wParam, LPARAM) {
    const int file = m_progress.FileOf(CurrentReplyRef());
    const QString text = StatusText::CodeText(std::int32_t(wParam));
    if (!m_bCopying || file < 0 || m_progress.FileDone(file) || text.isEmpty())
        return 0;
    // The instrument refused this file: the wait ends here, with the reason.
    m_bCopying = false;
    theApp.AddCmd(MX_CMD_COPY_CANCEL, MX_RW_DEFAULT, 0, nullptr, GetSafeHwnd()); // nothing half done stays
    // The transfer is over now, not when the dialog closes.
    if (CMainFrame* frame = theApp.m_pMainWnd)
        frame->TransferEnded();
    const QString name = m_progress.Files()[file];
    m_strFailure = QStringLiteral("Not copied: %1 (%2)").arg(name, text);
    m_txtName->setText(m_strFailure);
    AfxMessageBox(
        QStringLiteral("The instrument did not copy %1: %2.\nThe copy has stopped after %3 of %4 files.")
            .arg(name, text)
            .arg(m_progress.Copied())
            .arg(m_progress.Total()),
        MB_OK | MB_ICONWARNING);
    return 0;
}

LRESULT CDialogCopyDrive::OnConnectState(WPARAM wParam, LPARAM) {
    if (!m_bCopying || wParam != MX_CONNECT_LOST)
        return 0;
    // No answer can come over a lost link: the wait ends, and no cancel is sent to it.
    m_bCopying = false;
    if (CMainFrame* frame = theApp.m_pMainWnd)
        frame->TransferEnded();
    m_strFailure =
        QStringLiteral("Link lost: %1 of %2 files copied").arg(m_progress.Copied()).arg(m_progress.Total());
    m_txtName->setText(m_strFailure);
    AfxMessageBox(
        QStringLiteral("The link to the instrument was lost.\nThe copy has stopped after %1 of %2 files.")
            .arg(m_progress.Copied())
            .arg(m_progress.Total()),
        MB_OK | MB_ICONWARNING);
    return 0;
}

LRESULT CDialogCopyDrive::OnCloseMessage(WPARAM, LPARAM) {
    accept();
    return 0;
}

void CDialogCopyDrive::OnCancelCopy() {
    theApp.AddCmd(MX_CMD_COPY_CANCEL, MX_RW_DEFAULT, 0, nullptr, GetSafeHwnd());
    m_bCopying = false;
    reject();
}

void CDialogCopyDrive::done(int r) {
    // Escape, Enter or the close box while files are still being copied stop the copy too.
    if (m_bCopying) {
        m_bCopying = false;
        theApp.AddCmd(MX_CMD_COPY_CANCEL, MX_RW_DEFAULT, 0, nullptr, GetSafeHwnd());
    }
    if (CMainFrame* frame = theApp.m_pMainWnd)
        frame->TransferEnded();
    QDialog::done(r);
}

void CDialogCopyDrive::keyPressEvent(QKeyEvent* e) {
    // Enter ends the dialog as a dialog's default key does (no button is the default here).
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

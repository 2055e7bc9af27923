// The browser of the instrument's storage: the folder tree, the selected
// folder's files with check boxes, and the play list made from the checked
// files. Modeless and hidden rather than destroyed; the main frame holds the one
// instance, the play bar's Open shows it.
#pragma once
#include <QDialog>
#include <QHash>
#include <QString>
#include <cstdint>
#include <vector>

#include "output/FileListModel.h"
#include "output/FolderTree.h"
#include "output/PlayListItem.h"
#include "platform/MsgTarget.h"

class CSplitterControl;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class CDialogPlayFolderList : public QDialog, public CMsgTarget {
    Q_OBJECT
    DECLARE_MESSAGE_MAP()
public:
    static constexpr UINT kIdTree = 1236, kIdList = 1237, kIdSplitter = 1240, kIdUpdate = 1238,
                          kIdOpenFiles = 1241, kIdUnselectAll = 1243, kIdSelectAll = 1242, kIdDelete = 1258,
                          kIdCopy = 1259, kIdTotal = 1273;

    explicit CDialogPlayFolderList(QWidget* parent = nullptr);
    ~CDialogPlayFolderList() override;

    // --- used by the play bar, the main frame and the copy dialog ---
    void RefreshOnShow();
    void ShowOpenFilesButton(int);
    void DisableFileButtons();
    void UpdateFileButtons();
    void ClearPlayList();
    void PlayItem(int index);
    void PlayNext();
    void PlayPrev();
    void GetSelectedFolderPath(QString& path) const;
    void GetPlayItem(int index, PlayListItem& item);
    // Rows, tree, loaded flag, play request and checked count back to the start
    // (a disconnection, or the instrument asked for it).
    void ResetContents();
    // The link went: reset, and the list says why it is empty.
    void LinkDown();
    // A new connection: reset, and a browser left open lists the drives again as
    // a fresh Open does (a hidden one lists them on its next Open).
    void LinkUp();

    void OnUpdate();
    void OnOpenFiles();
    void OnDelete();
    void OnCopy();
    void OnSelectAll();
    void OnUnselectAll();
    // F2 on a file row; the edit ends in OnEndLabelEdit.
    void BeginRename(int row);
    void OnEndLabelEdit(bool cancelled, const QString& newName);
    // Closes a rename box without committing it and forgets an outstanding rename.
    void EndRename();
    void OnSplitterMoved(int delta);

    // The current play item, read by the play bar, front panel and main frame.
    QString m_strCurrentDescription;
    QString m_strCurrentName;
    QString m_strCurrentPath;
    std::int64_t m_llCurrentSize = 0;
    double m_dCurrentSampleClock = 0.0;
    std::int32_t m_bCurrentFM = 0;
    std::int32_t m_nCurrentTimeSec = 0;
    std::int32_t m_nCurrentPower = 0;

    QTreeWidget* m_treeFolder = nullptr;
    QTreeWidget* m_listFile = nullptr;
    CSplitterControl* m_wndSplitter = nullptr;
    QPushButton* m_btnUpdate = nullptr;
    QPushButton* m_btnOpenFiles = nullptr;
    QPushButton* m_btnUnselectAll = nullptr;
    QPushButton* m_btnSelectAll = nullptr;
    QPushButton* m_btnDelete = nullptr;
    QPushButton* m_btnCopy = nullptr;
    QLabel* m_txtTotal = nullptr;

    std::int32_t m_nPlayRequest = -1;
    std::int32_t m_nCheckedCount = 0;
    std::int32_t m_bFolderListLoaded = 0;
    std::vector<PlayListItem> m_vecPlayList;
    std::int32_t m_nCurrentIndex = 0;
    std::int32_t m_nPlayCount = 0;

    const CFolderTree& Tree() const { return m_tree; }
    const CFileListModel& Files() const { return m_files; }
    QTreeWidgetItem* ItemForTag(std::uint32_t tag) const { return m_items.value(tag, nullptr); }
    std::uint32_t SelectedTag() const;
    QLineEdit* RenameEdit() const { return m_pRenameEdit; }
    // Why the selected folder shows no rows, when it has no listing; "" otherwise.
    QString NotListedText() const;
    // Answers dropped because they named no request of ours still waiting.
    std::uint64_t DroppedReplies() const {
        return m_tree.DroppedReplies() + m_files.DroppedReplies() + m_nDroppedPlayResults;
    }

signals:
    // The play list was emptied or made anew (the play bar's Prev and Next follow it).
    void PlayListChanged();
    // The instrument renamed the file at oldPath (the play bar follows when it is its file).
    void PlayFileRenamed(const QString& oldPath, const QString& newPath, const QString& name,
                         const QString& description);

protected:
    void resizeEvent(QResizeEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void Layout();
    // Each returns the command's identity, 0 when it was not queued.
    std::uint32_t SendFolderRequest(MX_CMD_ID_e cmd, const FolderItemRecord& r);
    std::uint32_t SendText(MX_CMD_ID_e cmd, const QString& text);
    // The text over the file list ("" hides it).
    void ShowNotListed(const QString& text);
    void EnableFileButtons(bool on);
    void FillRows();
    void ShowRowState(QTreeWidgetItem* item, const FileRow& row);
    void ShowRowStates();
    void CloseRenameEdit();
    void TellUnusable(const FileRow& row);
    // Why a folder's files cannot be listed (its name, or an ancestor's, cannot
    // be part of a path), or empty when they can.
    QString FolderUnusableText(std::uint32_t tag) const;
    void SetTotalText(std::uint64_t bytes);
    void ClearTree();
    void SetCurrent(const PlayListItem& it);
    // Where Prev and Next step from: the file asked for while its answer is awaited.
    int StepFrom() const { return m_nPlayRef != 0 ? m_nPlayIndex : m_nCurrentIndex; }
    // Plays the item that step (PlayListNext or PlayListPrev) gives from StepFrom().
    void PlayStep(int (*step)(int current, int count));
    void FollowRename(const CFileListModel::RenamedFile& r);
    void OnTreeSelChanged();
    void OnItemChanged(QTreeWidgetItem* item, int column);
    void SetAllChecks(bool on);
    void PostCheckChanged();
    HWND MainWindow() const;
    LRESULT OnFolderListReady(WPARAM, LPARAM);
    LRESULT OnFileListReady(WPARAM, LPARAM);
    LRESULT OnPlayFileResult(WPARAM, LPARAM);
    LRESULT OnRenameResult(WPARAM, LPARAM);
    LRESULT OnListCheckChanged(WPARAM, LPARAM);
    LRESULT OnNotify(WPARAM, LPARAM);

    CFolderTree m_tree;
    CFileListModel m_files;
    QHash<std::uint32_t, QTreeWidgetItem*> m_items;
    bool m_bFilling = false;
    bool m_bCheckPosted = false;
    bool m_bOpenFilesHidden = false;
    int m_nSplit = -1; // tree width after a splitter move; -1 the default quarter
    QLineEdit* m_pRenameEdit = nullptr;
    QLabel* m_txtNotListed = nullptr;
    std::uint32_t m_nPlayRef = 0; // the MX_CMD_PLAY_FILE whose result is awaited
    PlayListItem m_playAsked;     // its file, and where it stood in the list
    int m_nPlayIndex = 0;
    PlayListItem m_loaded; // the file the instrument last said it loaded
    std::uint64_t m_nDroppedPlayResults = 0;
    QString m_strRenameFolder;
    QString m_strRenameOld;
};

#include "output/DialogPlayFolderList.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTreeWidget>

#include "app/MarlixExApp.h"
#include "controls/CSplitterControl.h"
#include "device/MarlixMFC.h"
#include "device/MxMessages.h"
#include "mainframe/MainFrm.h"
#include "output/DialogCopyDrive.h"
#include "output/FrontPanelRules.h"
#include "platform/MsgBox.h"
#include "res/ResImages.h"
#include "views/SpectrumView.h"

BEGIN_MESSAGE_MAP(CDialogPlayFolderList, CMsgTarget)
ON_MESSAGE(WM_FOLDER_LIST_READY, &CDialogPlayFolderList::OnFolderListReady)
ON_MESSAGE(WM_FILE_LIST_READY, &CDialogPlayFolderList::OnFileListReady)
ON_MESSAGE(WM_PLAY_FILE_RESULT, &CDialogPlayFolderList::OnPlayFileResult)
ON_MESSAGE(WM_RENAME_RESULT, &CDialogPlayFolderList::OnRenameResult)
ON_MESSAGE(WM_LIST_CHECK_CHANGED, &CDialogPlayFolderList::OnListCheckChanged)
ON_MESSAGE(WM_NOTIFY, &CDialogPlayFolderList::OnNotify)
ON_COMMAND(CDialogPlayFolderList::kIdUpdate, &CDialogPlayFolderList::OnUpdate)
ON_COMMAND(CDialogPlayFolderList::kIdOpenFiles, &CDialogPlayFolderList::OnOpenFiles)
ON_COMMAND(CDialogPlayFolderList::kIdDelete, &CDialogPlayFolderList::OnDelete)
ON_COMMAND(CDialogPlayFolderList::kIdCopy, &CDialogPlayFolderList::OnCopy)
ON_COMMAND(CDialogPlayFolderList::kIdSelectAll, &CDialogPlayFolderList::OnSelectAll)
ON_COMMAND(CDialogPlayFolderList::kIdUnselectAll, &CDialogPlayFolderList::OnUnselectAll)
END_MESSAGE_MAP()

namespace {
constexpr int kTagRole = Qt::UserRole + 1;
constexpr int kCheckBoxWidth = 25; // clicks left of this are the list's own check-box clicks

DeviceState& DS() {
    return theApp.State();
}
} // namespace

CDialogPlayFolderList::CDialogPlayFolderList(QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint),
      CMsgTarget(this) {
    setObjectName(QStringLiteral("DialogPlayFolderList"));
    setWindowTitle(QStringLiteral("Play Folder List"));
    setWindowIcon(AppIcon());
    setModal(false);
    setSizeGripEnabled(true);

    m_treeFolder = new QTreeWidget(this);
    m_treeFolder->setObjectName(QString::number(kIdTree));
    m_treeFolder->setHeaderHidden(true);
    m_treeFolder->setColumnCount(1);
    m_treeFolder->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(m_treeFolder, &QTreeWidget::itemSelectionChanged, this, [this] { OnTreeSelChanged(); });

    m_listFile = new QTreeWidget(this);
    m_listFile->setObjectName(QString::number(kIdList));
    m_listFile->setRootIsDecorated(false);
    m_listFile->setUniformRowHeights(true);
    m_listFile->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_listFile->setSelectionMode(QAbstractItemView::SingleSelection);
    m_listFile->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_listFile->setColumnCount(CFileListModel::kColumns);
    m_listFile->setHeaderLabels(CFileListModel::ColumnTitles());
    const int widths[CFileListModel::kColumns] = {250, 70, 120, 350, 100, 100, 80};
    for (int c = 0; c < CFileListModel::kColumns; ++c)
        m_listFile->setColumnWidth(c, widths[c]);
    m_listFile->viewport()->installEventFilter(this);
    m_listFile->installEventFilter(this);
    connect(m_listFile, &QTreeWidget::itemChanged, this,
            [this](QTreeWidgetItem* item, int column) { OnItemChanged(item, column); });

    struct Button {
        QPushButton** p;
        const char* text;
        UINT id;
    };
    const Button buttons[] = {{&m_btnUpdate, "Update", kIdUpdate},
                              {&m_btnOpenFiles, "Open Files", kIdOpenFiles},
                              {&m_btnUnselectAll, "Unselect All", kIdUnselectAll},
                              {&m_btnSelectAll, "Select All", kIdSelectAll},
                              {&m_btnDelete, "Delete", kIdDelete},
                              {&m_btnCopy, "Copy", kIdCopy}};
    for (const Button& b : buttons) {
        auto* btn = new QPushButton(QString::fromLatin1(b.text), this);
        btn->setObjectName(QString::number(b.id));
        btn->setAutoDefault(false);
        btn->setDefault(false);
        btn->resize(100, 26);
        btn->installEventFilter(this);
        const UINT id = b.id;
        connect(btn, &QPushButton::clicked, this, [this, id] { SendMessage(WM_COMMAND, id, 0); });
        *b.p = btn;
    }
    m_txtTotal = new QLabel(CFileListModel::TotalText(0), this);
    m_txtTotal->setObjectName(QString::number(kIdTotal));
    // Over the file list while the selected folder has no listing to show.
    m_txtNotListed = new QLabel(m_listFile->viewport());
    m_txtNotListed->setObjectName(QStringLiteral("NotListed"));
    m_txtNotListed->setAlignment(Qt::AlignCenter);
    m_txtNotListed->setEnabled(false); // the list's own grey
    m_txtNotListed->hide();

    resize(990, 450);
    m_wndSplitter = new CSplitterControl(this);
    m_wndSplitter->Create(QRect(248, 1, 4, 380), this, kIdSplitter);
    m_wndSplitter->m_nType = 1;
    Layout();
    EnableFileButtons(false);
}

CDialogPlayFolderList::~CDialogPlayFolderList() = default;

HWND CDialogPlayFolderList::MainWindow() const {
    return g_Marlix.m_hNotifyWnd ? g_Marlix.m_hNotifyWnd
                                 : (theApp.m_pMainWnd ? theApp.m_pMainWnd->GetSafeHwnd() : nullptr);
}

void CDialogPlayFolderList::Layout() {
    if (!m_treeFolder || !m_listFile || !m_wndSplitter)
        return;
    const int W = width(), Hc = height();
    const int bw = m_btnUpdate->width(), bh = m_btnUpdate->height();
    const int q = (W - 4) / 4;
    const int H = std::max(Hc - bh - 3, 10);
    const int split = (m_nSplit >= 0 && m_nSplit < W - 20) ? m_nSplit : q;
    m_treeFolder->setGeometry(1, 1, split, H);
    m_wndSplitter->setGeometry(split + 1, 1, 4, H);
    m_listFile->setGeometry(split + 5, 1, std::max(W - split - 6, 10), H);
    QPushButton* const row[] = {m_btnUpdate,    m_btnOpenFiles, m_btnUnselectAll,
                                m_btnSelectAll, m_btnDelete,    m_btnCopy};
    for (int i = 0; i < 6; ++i)
        row[i]->setGeometry(i * (bw + 1) + 1, H + 2, bw, bh);
    m_txtTotal->setGeometry(6 * (bw + 1), H + 8, 2 * bw, bh);
    m_txtNotListed->setGeometry(0, 0, m_listFile->viewport()->width(), 3 * bh);
    m_wndSplitter->SetRange(q, 3 * q, q);
}

void CDialogPlayFolderList::resizeEvent(QResizeEvent* e) {
    QDialog::resizeEvent(e);
    m_nSplit = -1; // a resize puts the split back at a quarter
    Layout();
}

LRESULT CDialogPlayFolderList::OnNotify(WPARAM wParam, LPARAM lParam) {
    if (UINT(wParam) != kIdSplitter || lParam == 0)
        return 0;
    const auto* rec = reinterpret_cast<const SplitterNotifyRecord*>(lParam);
    if (rec->hdr.code == SPLITTER_MOVED)
        OnSplitterMoved(rec->delta);
    return 0;
}

void CDialogPlayFolderList::OnSplitterMoved(int delta) {
    const int current = m_nSplit >= 0 ? m_nSplit : (width() - 4) / 4;
    m_nSplit = std::clamp(current + delta, 0, std::max(width() - 20, 0));
    Layout();
    update();
}

// --- requests ---

std::uint32_t CDialogPlayFolderList::SendFolderRequest(MX_CMD_ID_e cmd, const FolderItemRecord& r) {
    std::uint32_t ref = 0;
    theApp.AddCmd(cmd, MX_RW_DEFAULT, sizeof r, &r, GetSafeHwnd(), &ref);
    return ref;
}

std::uint32_t CDialogPlayFolderList::SendText(MX_CMD_ID_e cmd, const QString& text) {
    std::uint32_t ref = 0;
    theApp.AddCmd(cmd, MX_RW_DEFAULT, unsigned(text.size() * 2), text.utf16(), GetSafeHwnd(), &ref);
    return ref;
}

void CDialogPlayFolderList::ShowNotListed(const QString& text) {
    m_txtNotListed->setText(text);
    m_txtNotListed->setVisible(!text.isEmpty());
}

void CDialogPlayFolderList::RefreshOnShow() {
    if (m_bFolderListLoaded != 0)
        return;
    m_bFolderListLoaded = 1;
    OnUpdate();
}

void CDialogPlayFolderList::OnUpdate() {
    FolderItemRecord r;
    CFolderTree::MakeRequest(CFolderTree::kRoot, QStringLiteral("root"), r);
    ClearTree();
    m_tree.RequestSent(CFolderTree::kRoot, SendFolderRequest(MX_CMD_FOLDER_LIST, r));
}

void CDialogPlayFolderList::ClearTree() {
    m_bFilling = true;
    m_items.clear();
    m_tree.Clear();
    m_treeFolder->clear();
    m_bFilling = false;
}

std::uint32_t CDialogPlayFolderList::SelectedTag() const {
    const QList<QTreeWidgetItem*> sel = m_treeFolder->selectedItems();
    if (sel.isEmpty())
        return 0;
    return sel.front()->data(0, kTagRole).toUInt();
}

void CDialogPlayFolderList::GetSelectedFolderPath(QString& path) const {
    path = m_tree.Path(SelectedTag());
}

LRESULT CDialogPlayFolderList::OnFolderListReady(WPARAM wParam, LPARAM) {
    const std::uint32_t ref = CurrentReplyRef();
    if (wParam == MX_LIST_REFUSED) {
        m_tree.TakeRefusal(ref); // the folder keeps no children; the others list on
        return 0;
    }
    bool cleared = false;
    std::vector<CFolderTree::Insert> inserts;
    if (!m_tree.TakeAnswer(ref, theApp.Data().m_vecFolders, inserts, cleared))
        return 0; // not the answer to a request of ours that still waits
    m_bFilling = true;
    if (cleared) {
        m_items.clear();
        m_treeFolder->clear();
    }
    QTreeWidgetItem* last = nullptr;
    for (const CFolderTree::Insert& ins : inserts) {
        QTreeWidgetItem* parent =
            ins.parent == CFolderTree::kRoot ? nullptr : m_items.value(ins.parent, nullptr);
        auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(m_treeFolder);
        item->setText(0, ins.text);
        item->setData(0, kTagRole, ins.tag);
        // Shown but never asked for, as a file row whose name cannot be used.
        const QString why = FolderUnusableText(ins.tag);
        if (!why.isEmpty()) {
            item->setToolTip(0, why);
            item->setForeground(0, palette().brush(QPalette::Disabled, QPalette::Text));
        }
        m_items.insert(ins.tag, item);
        if (parent)
            parent->setExpanded(true);
        last = item;
    }
    m_bFilling = false;
    if (last)
        m_treeFolder->scrollToItem(last);
    return 0;
}

QString CDialogPlayFolderList::FolderUnusableText(std::uint32_t tag) const {
    QString badName, why;
    if (!m_tree.BadName(tag, badName, &why))
        return QString();
    return QStringLiteral("The instrument lists the folder \"%1\", which cannot be part of a path. "
                          "Its files cannot be listed.\n%2")
        .arg(badName, why);
}

void CDialogPlayFolderList::OnTreeSelChanged() {
    if (m_bFilling)
        return;
    const std::uint32_t tag = SelectedTag();
    if (tag == 0)
        return;
    QString path;
    GetSelectedFolderPath(path);
    // The rows of the folder left behind go at once, so nothing joins them to the new path.
    CloseRenameEdit();
    m_bFilling = true;
    m_listFile->clear();
    m_bFilling = false;
    m_files.Clear();
    m_nCheckedCount = 0;
    EnableFileButtons(false);
    SetTotalText(0);
    ShowNotListed(QString());
    FolderItemRecord r;
    const QString unusable = FolderUnusableText(tag);
    if (!unusable.isEmpty()) {
        ShowNotListed(QStringLiteral("Not listed: the folder's name cannot be part of a path"));
        AfxMessageBox(unusable, MB_OK | MB_ICONWARNING);
        return;
    }
    if (!CFolderTree::MakeRequest(tag, path, r)) {
        AfxMessageBox(QStringLiteral("The folder path is too long for the instrument:\n%1").arg(path),
                      MB_OK | MB_ICONWARNING);
        return;
    }
    m_tree.RemoveChildren(tag);
    if (QTreeWidgetItem* item = m_items.value(tag, nullptr)) {
        m_bFilling = true;
        const QList<QTreeWidgetItem*> kids = item->takeChildren();
        for (QTreeWidgetItem* k : kids) {
            // Drop the handles of the whole subtree before the items go.
            QList<QTreeWidgetItem*> stack{k};
            while (!stack.isEmpty()) {
                QTreeWidgetItem* n = stack.takeLast();
                m_items.remove(n->data(0, kTagRole).toUInt());
                for (int i = 0; i < n->childCount(); ++i)
                    stack << n->child(i);
            }
            delete k;
        }
        m_bFilling = false;
    }
    m_tree.RequestSent(tag, SendFolderRequest(MX_CMD_FOLDER_LIST, r));
    const std::uint32_t files = SendFolderRequest(MX_CMD_FILE_LIST, r);
    m_files.RequestSent(path, files);
    ShowNotListed(files != 0 ? QStringLiteral("Not listed yet")
                             : QStringLiteral("Not listed: the request could not be sent to the instrument"));
}

LRESULT CDialogPlayFolderList::OnFileListReady(WPARAM wParam, LPARAM) {
    // With no node selected (the tree was listed again) the rows' own folder is
    // the one shown, and a new listing of it (after a delete) is taken.
    QString selected = m_files.Folder();
    if (SelectedTag() != 0)
        GetSelectedFolderPath(selected);
    const std::uint32_t ref = CurrentReplyRef();
    if (wParam == MX_LIST_REFUSED) {
        if (m_files.TakeRefusal(ref, selected) && m_files.RowCount() == 0)
            ShowNotListed(QStringLiteral("Not listed: the instrument's answer could not be read"));
        return 0;
    }
    if (!m_files.TakeReply(theApp.Data().m_vecFiles, ref, selected))
        return 0; // not the newest answer for the folder shown
    ShowNotListed(QString());
    m_nCheckedCount = 0;
    DisableFileButtons();
    ClearPlayList();
    EndRename(); // its row may be gone; a lost result must not hold F2 for ever
    FillRows();
    SetTotalText(m_files.CheckedBytes()); // the new rows' own, not the last rows'
    return 0;
}

void CDialogPlayFolderList::FillRows() {
    m_bFilling = true;
    m_listFile->setUpdatesEnabled(false);
    m_listFile->clear();
    QList<QTreeWidgetItem*> items;
    items.reserve(m_files.RowCount());
    for (const FileRow& row : m_files.Rows()) {
        auto* item = new QTreeWidgetItem;
        for (int c = 0; c < CFileListModel::kColumns; ++c) {
            item->setText(c, CFileListModel::ColumnText(row, c));
            if (c == 1 || c == 2 || c == 4 || c == 5 || c == 6)
                item->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
        }
        ShowRowState(item, row);
        items << item;
    }
    m_listFile->addTopLevelItems(items);
    m_listFile->setUpdatesEnabled(true);
    m_bFilling = false;
}

void CDialogPlayFolderList::ShowRowState(QTreeWidgetItem* item, const FileRow& row) {
    const bool wasFilling = m_bFilling;
    m_bFilling = true;
    // A row being deleted is greyed out and cannot be checked or selected; one
    // whose name cannot be used can be selected (to be told why) but not checked.
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (row.deleting)
        flags = Qt::NoItemFlags;
    else if (row.Actionable())
        flags |= Qt::ItemIsUserCheckable;
    item->setFlags(flags);
    item->setCheckState(0, row.checked ? Qt::Checked : Qt::Unchecked);
    const QString why = CFileListModel::UnusableText(row);
    for (int c = 0; c < CFileListModel::kColumns; ++c) {
        item->setToolTip(c, why);
        if (!why.isEmpty())
            item->setForeground(c, palette().brush(QPalette::Disabled, QPalette::Text));
    }
    m_bFilling = wasFilling;
}

void CDialogPlayFolderList::TellUnusable(const FileRow& row) {
    const QString why = CFileListModel::UnusableText(row);
    if (why.isEmpty())
        return;
    // After the click has been handled: no modal loop inside the list's mouse event.
    QMetaObject::invokeMethod(
        this, [why] { AfxMessageBox(why, MB_OK | MB_ICONWARNING); }, Qt::QueuedConnection);
}

void CDialogPlayFolderList::ShowRowStates() {
    const std::vector<FileRow>& rows = m_files.Rows();
    for (int i = 0; i < m_listFile->topLevelItemCount() && std::size_t(i) < rows.size(); ++i)
        ShowRowState(m_listFile->topLevelItem(i), rows[std::size_t(i)]);
}

// --- checks ---

void CDialogPlayFolderList::OnItemChanged(QTreeWidgetItem* item, int column) {
    if (m_bFilling || column != 0)
        return;
    const int row = m_listFile->indexOfTopLevelItem(item);
    const bool on = item->checkState(0) == Qt::Checked;
    m_files.SetChecked(row, on);
    if (on && !m_files.IsChecked(row) && row >= 0 && row < m_files.RowCount())
        ShowRowState(item, m_files.Rows()[std::size_t(row)]); // a row that cannot be checked stays so
    PostCheckChanged();
}

void CDialogPlayFolderList::PostCheckChanged() {
    if (m_bCheckPosted)
        return;
    m_bCheckPosted = true;
    PostMessage(WM_LIST_CHECK_CHANGED, 0, 0);
}

LRESULT CDialogPlayFolderList::OnListCheckChanged(WPARAM, LPARAM) {
    m_bCheckPosted = false;
    m_nCheckedCount = m_files.CheckedCount();
    EnableFileButtons(m_nCheckedCount >= 1);
    SetTotalText(m_files.CheckedBytes());
    return 0;
}

void CDialogPlayFolderList::SetAllChecks(bool on) {
    m_files.SetAllChecked(on);
    ShowRowStates();
    OnListCheckChanged(0, 0);
}

void CDialogPlayFolderList::OnSelectAll() {
    if (m_files.RowCount() > 0)
        SetAllChecks(true);
}

void CDialogPlayFolderList::OnUnselectAll() {
    if (m_files.RowCount() > 0)
        SetAllChecks(false);
}

void CDialogPlayFolderList::SetTotalText(std::uint64_t bytes) {
    m_txtTotal->setText(CFileListModel::TotalText(bytes));
}

void CDialogPlayFolderList::EnableFileButtons(bool on) {
    m_btnOpenFiles->setEnabled(on);
    m_btnDelete->setEnabled(on);
    m_btnCopy->setEnabled(on);
}

void CDialogPlayFolderList::ShowOpenFilesButton(int) {
    m_bOpenFilesHidden = false;
    m_btnOpenFiles->show();
}

void CDialogPlayFolderList::DisableFileButtons() {
    EnableFileButtons(false);
}

void CDialogPlayFolderList::UpdateFileButtons() {
    EnableFileButtons(m_nCheckedCount >= 1);
}

// --- play list ---

void CDialogPlayFolderList::ClearPlayList() {
    m_vecPlayList.clear();
    m_nPlayCount = 0;
    DS().m_nPlayListCount = 0;
    emit PlayListChanged();
}

void CDialogPlayFolderList::OnOpenFiles() {
    m_nPlayRequest = -1;
    ClearPlayList();
    m_vecPlayList = m_files.BuildPlayList();
    m_nPlayCount = std::int32_t(m_vecPlayList.size());
    DS().m_nPlayListCount = m_nPlayCount;
    emit PlayListChanged();
    if (m_nPlayCount >= 1) {
        PlayItem(0);
    } else {
        m_loaded = PlayListItem{};
        m_strCurrentName = QStringLiteral("None");
        m_strCurrentPath.clear();
        if (HWND h = MainWindow())
            ::PostMessage(h, WM_PLAY_FILE_CHANGED, 0, 0);
    }
}

void CDialogPlayFolderList::GetPlayItem(int index, PlayListItem& item) {
    if (index >= 0 && std::size_t(index) < m_vecPlayList.size())
        item = m_vecPlayList[std::size_t(index)];
    m_nCurrentIndex = index;
}

void CDialogPlayFolderList::SetCurrent(const PlayListItem& it) {
    m_strCurrentDescription = it.m_strDescription;
    m_strCurrentName = it.m_strName;
    m_strCurrentPath = it.m_strPath;
    m_llCurrentSize = it.m_llSize;
    m_dCurrentSampleClock = it.m_dSampleClock;
    m_bCurrentFM = it.m_bFM;
    m_nCurrentTimeSec = it.m_nTimeSec;
    m_nCurrentPower = it.m_nPower;
}

void CDialogPlayFolderList::PlayItem(int index) {
    if (index < 0 || std::size_t(index) >= m_vecPlayList.size())
        return;
    // The list's position moves when the instrument has loaded the file.
    m_nPlayRequest = 1;
    const PlayListItem it = m_vecPlayList[std::size_t(index)];
    m_playAsked = it;
    m_nPlayIndex = index;
    SetCurrent(it);
    DeviceState& ds = DS();
    if (frontpanel::UsableClockKHz(it.m_dSampleClock))
        ds.m_dSampleClockKHz = it.m_dSampleClock; // else the clock in use stays for the axes
    ds.m_nPlaySource = 2;
    ds.m_llPlayTimeSec = std::int64_t(std::uint32_t(it.m_nTimeSec));
    ds.m_nPlayTimeSec = it.m_nTimeSec;
    if (theApp.m_pMainWnd)
        theApp.m_pMainWnd->RefreshPlayValues();
    CSpectrumView* view = nullptr;
    if (theApp.m_pMainWnd && theApp.m_pMainWnd->FindSpectrumView(view))
        view->m_dlgSpectrum.ReloadDeviceSettings();
    g_Marlix.AllocPlayPowerGPSLogBuffer(it.m_nTimeSec);
    m_nPlayRef = SendText(MX_CMD_PLAY_FILE, it.m_strPath);
    if (m_nPlayRef == 0) {
        m_nPlayRequest = -1; // nothing will answer: the user may try again
        AfxMessageBox(
            QStringLiteral("The file could not be sent to the instrument to play:\n%1").arg(it.m_strPath),
            MB_OK | MB_ICONWARNING);
    }
}

void CDialogPlayFolderList::PlayNext() {
    PlayStep(PlayListNext);
}

void CDialogPlayFolderList::PlayPrev() {
    PlayStep(PlayListPrev);
}

void CDialogPlayFolderList::PlayStep(int (*step)(int current, int count)) {
    if (m_nPlayCount == 0)
        return;
    const int to = step(StepFrom(), int(m_vecPlayList.size()));
    if (to >= 0)
        PlayItem(to);
}

LRESULT CDialogPlayFolderList::OnPlayFileResult(WPARAM wParam, LPARAM) {
    // The answer naming the play asked for is taken whatever came since (a listing
    // that emptied the play list): the instrument has done what it says.
    if (m_nPlayRef == 0 || CurrentReplyRef() != m_nPlayRef) {
        ++m_nDroppedPlayResults; // an earlier file's, a repeat, or one never asked for
        return 0;
    }
    m_nPlayRef = 0;
    // Any answer ends the request: after a failure the user can try again.
    m_nPlayRequest = -1;
    if (wParam != 2) {
        // The bar keeps the file it shows: so do the list's position and the record.
        SetCurrent(m_loaded);
        return 0;
    }
    m_loaded = m_playAsked;
    SetCurrent(m_loaded);
    m_nCurrentIndex = m_nPlayIndex;
    if (HWND h = MainWindow())
        ::PostMessage(h, WM_PLAY_FILE_CHANGED, 0, 0);
    hide();
    return 0;
}

void CDialogPlayFolderList::ResetContents() {
    EndRename();
    m_bFilling = true;
    m_listFile->clear();
    m_bFilling = false;
    m_files.Clear(true);
    ClearTree();
    m_tree.ForgetRequests();
    ShowNotListed(QString());
    m_bFolderListLoaded = 0;
    m_nPlayRequest = -1;
    m_nPlayRef = 0;
    m_nCheckedCount = 0;
    EnableFileButtons(false);
    SetTotalText(0);
    ClearPlayList();
}

void CDialogPlayFolderList::LinkDown() {
    ResetContents();
    ShowNotListed(QStringLiteral("Not listed: no instrument is connected"));
}

void CDialogPlayFolderList::LinkUp() {
    ResetContents();
    if (isVisible())
        RefreshOnShow();
}

// --- delete, rename, copy ---

void CDialogPlayFolderList::OnDelete() {
    m_nPlayRequest = -1;
    m_nCheckedCount = m_files.CheckedCount();
    const QString question =
        m_nCheckedCount == 1 ? QStringLiteral("Delete File?") : QStringLiteral("Delete Files?");
    const std::uint64_t listing = m_files.Listing();
    if (AfxMessageBox(question, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    if (m_files.Listing() != listing) {
        // The rows the user was asked about are gone: their checks with them.
        AfxMessageBox(QStringLiteral("The file list changed while you were asked. Nothing was deleted."),
                      MB_OK | MB_ICONINFORMATION);
        return;
    }
    const QStringList paths = m_files.TakeForDelete();
    if (paths.isEmpty())
        return;
    ShowRowStates();
    int sent = 0;
    for (const QString& p : paths) {
        if (SendText(MX_CMD_FILE_DELETE, p) == 0)
            break; // refused: the rest would be refused too
        ++sent;
    }
    // The rows follow what the instrument still holds: the folder is listed again.
    const std::uint32_t tag = SelectedTag() != 0 ? SelectedTag() : CFolderTree::kRoot;
    FolderItemRecord r;
    if (CFolderTree::MakeRequest(tag, m_files.Folder(), r))
        m_files.RequestSent(m_files.Folder(), SendFolderRequest(MX_CMD_FILE_LIST, r));
    if (sent < paths.size())
        AfxMessageBox(QStringLiteral("Only %1 of %2 files could be sent to the instrument to delete.\n"
                                     "Not sent: %3")
                          .arg(sent)
                          .arg(paths.size())
                          .arg(paths[sent]),
                      MB_OK | MB_ICONWARNING);
    m_nCheckedCount = 0;
    PostCheckChanged();
}

void CDialogPlayFolderList::BeginRename(int row) {
    if (row < 0 || row >= m_files.RowCount() || m_files.RenamePending())
        return;
    if (!m_files.Rows()[std::size_t(row)].Actionable()) {
        const QString why = CFileListModel::UnusableText(m_files.Rows()[std::size_t(row)]);
        if (!why.isEmpty())
            AfxMessageBox(why, MB_OK | MB_ICONWARNING);
        return;
    }
    QTreeWidgetItem* item = m_listFile->topLevelItem(row);
    if (!item)
        return;
    m_strRenameFolder = m_files.Folder();
    m_strRenameOld = m_files.Rows()[std::size_t(row)].name;
    delete m_pRenameEdit;
    m_pRenameEdit = new QLineEdit(m_strRenameOld, m_listFile->viewport());
    m_pRenameEdit->setObjectName(QStringLiteral("RenameEdit"));
    m_pRenameEdit->setMaxLength(int(CFileListModel::kNameChars) - 1);
    const QRect r = m_listFile->visualItemRect(item);
    m_pRenameEdit->setGeometry(kCheckBoxWidth, r.top(), m_listFile->columnWidth(0) - kCheckBoxWidth,
                               r.height());
    m_pRenameEdit->installEventFilter(this);
    m_pRenameEdit->show();
    m_pRenameEdit->selectAll();
    m_pRenameEdit->setFocus();
}

void CDialogPlayFolderList::CloseRenameEdit() {
    if (!m_pRenameEdit)
        return;
    // The filter goes first, so that hiding the box is no focus-out commit.
    m_pRenameEdit->removeEventFilter(this);
    m_pRenameEdit->hide();
    m_pRenameEdit->deleteLater();
    m_pRenameEdit = nullptr;
}

void CDialogPlayFolderList::EndRename() {
    CloseRenameEdit();
    m_files.EndRename();
}

void CDialogPlayFolderList::OnEndLabelEdit(bool cancelled, const QString& newName) {
    CloseRenameEdit();
    if (cancelled || newName == m_strRenameOld || m_strRenameOld.isEmpty())
        return;
    const QString error = CFileListModel::RenameError(newName, m_strRenameFolder);
    if (!error.isEmpty()) {
        AfxMessageBox(error, MB_OK | MB_ICONWARNING);
        return;
    }
    std::uint32_t ref = 0;
    if (SendText(MX_CMD_FILE_RENAME_FROM, m_strRenameFolder + m_strRenameOld) != 0)
        ref = SendText(MX_CMD_FILE_RENAME_TO, m_strRenameFolder + newName);
    if (ref == 0) {
        AfxMessageBox(QStringLiteral("The rename could not be sent to the instrument."),
                      MB_OK | MB_ICONWARNING);
        return;
    }
    m_files.RenameSent(m_strRenameFolder, m_strRenameOld, newName, ref);
}

LRESULT CDialogPlayFolderList::OnRenameResult(WPARAM wParam, LPARAM) {
    CFileListModel::RenamedFile renamed;
    const int row = m_files.RenameResult(wParam == 2, CurrentReplyRef(), &renamed);
    if (!renamed.oldPath.isEmpty())
        FollowRename(renamed);
    if (row < 0)
        return 0;
    if (QTreeWidgetItem* item = m_listFile->topLevelItem(row)) {
        m_bFilling = true;
        const FileRow& f = m_files.Rows()[std::size_t(row)];
        item->setText(0, CFileListModel::ColumnText(f, 0));
        item->setText(3, CFileListModel::ColumnText(f, 3));
        m_bFilling = false;
    }
    return 0;
}

void CDialogPlayFolderList::FollowRename(const CFileListModel::RenamedFile& r) {
    // The old path names no file any more: every place that would send it takes the new one.
    auto follow = [&r](PlayListItem& it) {
        if (it.m_strPath != r.oldPath)
            return;
        it.m_strPath = r.newPath;
        it.m_strName = r.newName;
        it.m_strDescription = r.description;
    };
    for (PlayListItem& it : m_vecPlayList)
        follow(it);
    follow(m_playAsked);
    follow(m_loaded);
    if (m_strCurrentPath == r.oldPath) {
        m_strCurrentPath = r.newPath;
        m_strCurrentName = r.newName;
        m_strCurrentDescription = r.description;
    }
    emit PlayFileRenamed(r.oldPath, r.newPath, r.newName, r.description);
}

void CDialogPlayFolderList::OnCopy() {
    CDialogCopyDrive dlg(this);
    dlg.exec();
}

// --- keys, mouse, closing ---

bool CDialogPlayFolderList::eventFilter(QObject* watched, QEvent* e) {
    if (m_pRenameEdit && watched == m_pRenameEdit) {
        if (e->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(e)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                OnEndLabelEdit(false, m_pRenameEdit->text());
                return true;
            }
            if (key == Qt::Key_Escape) {
                OnEndLabelEdit(true, QString());
                return true;
            }
        } else if (e->type() == QEvent::FocusOut) {
            OnEndLabelEdit(false, m_pRenameEdit->text());
            return false;
        }
        return false;
    }
    if (watched == m_listFile->viewport() && e->type() == QEvent::MouseButtonRelease) {
        auto* me = static_cast<QMouseEvent*>(e);
        QTreeWidgetItem* item = m_listFile->itemAt(me->position().toPoint());
        if (item && me->button() == Qt::LeftButton) {
            const int row = m_listFile->indexOfTopLevelItem(item);
            if (row >= 0 && row < m_files.RowCount())
                TellUnusable(m_files.Rows()[std::size_t(row)]);
            if (me->position().x() > kCheckBoxWidth && (item->flags() & Qt::ItemIsUserCheckable)) {
                // The check box toggles itself; a click elsewhere on the row toggles it here.
                item->setCheckState(0, item->checkState(0) == Qt::Checked ? Qt::Unchecked : Qt::Checked);
            }
            // A click on the box itself selects its row too.
            m_listFile->setCurrentItem(item);
        }
        return false;
    }
    if (watched == m_listFile && e->type() == QEvent::KeyPress) {
        if (static_cast<QKeyEvent*>(e)->key() == Qt::Key_F2) {
            BeginRename(m_listFile->indexOfTopLevelItem(m_listFile->currentItem()));
            return true;
        }
        return false;
    }
    if (e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (watched == m_btnUpdate)
                OnUpdate();
            else if (watched == m_btnOpenFiles)
                OnOpenFiles();
            if (watched == m_btnUpdate || watched == m_btnOpenFiles || watched == m_btnDelete ||
                watched == m_btnCopy)
                return true;
        }
    }
    return QDialog::eventFilter(watched, e);
}

void CDialogPlayFolderList::keyPressEvent(QKeyEvent* e) {
    // Enter elsewhere in the dialog does nothing (no default button).
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

void CDialogPlayFolderList::closeEvent(QCloseEvent* e) {
    OnOpenFiles();
    e->ignore();
    hide();
}

QString CDialogPlayFolderList::NotListedText() const {
    return m_txtNotListed->isHidden() ? QString() : m_txtNotListed->text();
}

#include "output/FileListModel.h"

#include "output/FolderTree.h"
#include "output/TestVectorCatalog.h"

void CFileListModel::RequestSent(const QString& folder, std::uint32_t ref) {
    m_requests.Sent(folder, ref);
}

bool CFileListModel::TakeReply(const std::vector<FileInfoRecord>& reply, std::uint32_t ref,
                               const QString& selectedFolder) {
    const std::optional<QString> folder = m_requests.Take(ref);
    if (!folder || *folder != selectedFolder) {
        ++m_nDropped;
        return false;
    }
    m_strFolder = *folder;
    ++m_nListing;
    m_rows.clear();
    m_rows.reserve(reply.size());
    for (const FileInfoRecord& r : reply)
        m_rows.push_back(RowFromRecord(r));
    return true;
}

bool CFileListModel::TakeRefusal(std::uint32_t ref, const QString& selectedFolder) {
    return m_requests.Take(ref) == selectedFolder;
}

void CFileListModel::Clear(bool forgetRequests) {
    m_rows.clear();
    m_strFolder.clear();
    ++m_nListing;
    if (forgetRequests)
        m_requests.Clear();
}

void CFileListModel::SetChecked(int row, bool on) {
    if (row >= 0 && row < RowCount()) {
        FileRow& r = m_rows[std::size_t(row)];
        r.checked = on && r.Actionable();
    }
}

bool CFileListModel::IsChecked(int row) const {
    return row >= 0 && row < RowCount() && m_rows[std::size_t(row)].checked;
}

void CFileListModel::SetAllChecked(bool on) {
    for (FileRow& r : m_rows)
        r.checked = on && r.Actionable();
}

int CFileListModel::CheckedCount() const {
    int n = 0;
    for (const FileRow& r : m_rows)
        n += r.checked ? 1 : 0;
    return n;
}

std::uint64_t CFileListModel::CheckedBytes() const {
    std::uint64_t n = 0;
    for (const FileRow& r : m_rows)
        if (r.checked)
            n += r.size;
    return n;
}

std::uint64_t CFileListModel::AllBytes() const {
    std::uint64_t n = 0;
    for (const FileRow& r : m_rows)
        n += r.size;
    return n;
}

std::vector<int> CFileListModel::CheckedRows() const {
    std::vector<int> v;
    for (int i = 0; i < RowCount(); ++i)
        if (m_rows[std::size_t(i)].checked)
            v.push_back(i);
    return v;
}

int CFileListModel::FindRow(const QString& name) const {
    for (int i = 0; i < RowCount(); ++i)
        if (m_rows[std::size_t(i)].name == name)
            return i;
    return -1;
}

FileRow CFileListModel::RowFromRecord(const FileInfoRecord& r) {
    FileRow row;
    row.name = CFolderTree::FieldText(r.m_szName, kNameChars);
    row.fm = r.m_bFM != 0;
    row.size = r.m_llSize;
    row.sampleClock = r.m_dSampleClock;
    row.timeSec = r.m_nTimeSec;
    row.power = r.m_nPower;
    // The name goes into play, copy and delete paths: one that could name
    // another file (a separator, "..") is shown but never used.
    row.nameError = CFolderTree::NameError(row.name);
    std::u16string desc;
    GetTestVectorDescription(row.name.toStdU16String(), desc);
    row.description = QString::fromStdU16String(desc);
    return row;
}

QString CFileListModel::ColumnText(const FileRow& row, int column) {
    switch (column) {
    case 0:
        return row.name;
    case 1:
        return row.fm ? QStringLiteral("FM") : QStringLiteral("AM");
    case 2:
        return QString::asprintf("%.1lf", row.power / 10.0);
    case 3:
        return row.description;
    case 4:
        return QString::asprintf("%.4lf", row.sampleClock);
    case 5:
        return QString::number(row.size);
    case 6:
        return QString::number(row.timeSec);
    default:
        return QString();
    }
}

QStringList CFileListModel::ColumnTitles() {
    return {QStringLiteral("File Name"),   QStringLiteral("Waveform"),     QStringLiteral("File Power(dBm)"),
            QStringLiteral("Description"), QStringLiteral("Sample Clock"), QStringLiteral("File Size(Bytes)"),
            QStringLiteral("Time(sec)")};
}

QString CFileListModel::TotalText(std::uint64_t bytes) {
    return QStringLiteral("Total:%1 MB").arg(bytes / 1048576u);
}

std::vector<PlayListItem> CFileListModel::BuildPlayList() const {
    std::vector<PlayListItem> v;
    for (int i = 0; i < RowCount(); ++i) {
        const FileRow& r = m_rows[std::size_t(i)];
        if (!r.checked)
            continue;
        PlayListItem it;
        it.m_nRow = i;
        it.m_strDescription = r.description;
        it.m_strName = r.name;
        it.m_strPath = m_strFolder + r.name;
        it.m_llSize = std::int64_t(r.size);
        it.m_dSampleClock = r.sampleClock;
        it.m_bFM = r.fm ? 1 : 0;
        it.m_nTimeSec = std::int32_t(r.timeSec);
        it.m_nPower = r.power;
        v.push_back(it);
    }
    return v;
}

QStringList CFileListModel::CheckedPaths(bool lastFirst) const {
    QStringList v;
    for (int i = 0; i < RowCount(); ++i) {
        const FileRow& r = m_rows[std::size_t(i)];
        if (!r.checked)
            continue;
        if (lastFirst)
            v.prepend(m_strFolder + r.name);
        else
            v.append(m_strFolder + r.name);
    }
    return v;
}

QStringList CFileListModel::TakeForDelete() {
    const QStringList paths = CheckedPaths(true);
    for (FileRow& r : m_rows)
        if (r.checked) {
            r.checked = false;
            r.deleting = true;
        }
    return paths;
}

QString CFileListModel::UnusableText(const FileRow& row) {
    if (row.nameError.isEmpty())
        return QString();
    return QStringLiteral("The instrument lists \"%1\", which cannot be a file name in this folder. %2\n"
                          "It cannot be played, copied, deleted or renamed.")
        .arg(row.name, row.nameError);
}

QString CFileListModel::RenameError(const QString& newName, const QString& folder) {
    if (newName.trimmed().isEmpty())
        return QStringLiteral("The file name must not be empty.");
    const QString error = CFolderTree::NameError(newName);
    if (!error.isEmpty())
        return error;
    if (std::size_t(newName.size()) >= kNameChars ||
        std::size_t(folder.size() + newName.size()) >= kPathChars)
        return QStringLiteral("The file name is too long.");
    return QString();
}

void CFileListModel::RenameSent(const QString& folder, const QString& oldName, const QString& newName,
                                std::uint32_t ref) {
    m_rename = Rename{folder, oldName, newName, ref};
}

int CFileListModel::RenameResult(bool ok, std::uint32_t ref, RenamedFile* renamed) {
    if (!m_rename || ref == 0 || ref != m_rename->ref) {
        ++m_nDropped;
        return -1;
    }
    const Rename r = *m_rename;
    m_rename.reset();
    if (!ok)
        return -1;
    std::u16string desc;
    GetTestVectorDescription(r.newName.toStdU16String(), desc);
    const QString description = QString::fromStdU16String(desc);
    if (renamed)
        *renamed = RenamedFile{r.folder + r.oldName, r.folder + r.newName, r.newName, description};
    if (r.folder != m_strFolder)
        return -1;
    const int row = FindRow(r.oldName);
    if (row >= 0) {
        FileRow& f = m_rows[std::size_t(row)];
        f.name = r.newName;
        f.description = description;
    }
    return row;
}

int PlayListNext(int current, int count) {
    if (count <= 0)
        return -1;
    const int next = current + 1;
    return (next >= count || next < 0) ? 0 : next;
}

int PlayListPrev(int current, int count) {
    if (count <= 0)
        return -1;
    const int prev = current - 1;
    return (prev < 0 || prev >= count) ? count - 1 : prev;
}

// The browser's file rows without a window: each row keeps the record it came
// from and the folder it was listed in, the check marks and their totals, the
// file-list requests in flight, the play list made from the checked rows, and
// the rename that is outstanding.
#pragma once
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

#include "device/MxTypes.h"
#include "output/PendingRequests.h"
#include "output/PlayListItem.h"

struct FileRow {
    QString name;
    bool fm = false;
    std::uint64_t size = 0;
    double sampleClock = 0.0;
    std::uint32_t timeSec = 0;
    std::int32_t power = 0; // tenths of dBm
    QString description;
    bool checked = false;
    bool deleting = false; // a delete was sent; the row waits for the new listing
    QString nameError;     // why the listed name cannot be a file name in its folder
    // Whether the row may be checked, played, copied, deleted or renamed.
    bool Actionable() const { return !deleting && nameError.isEmpty(); }
};

class CFileListModel {
public:
    static constexpr int kColumns = 7;
    static constexpr std::size_t kNameChars = 100; // terminator included
    static constexpr std::size_t kPathChars = 260;

    // A file-list request for folder went out as the command ref (its identity).
    // A newer request for the same folder supersedes it: only the newest answer counts.
    void RequestSent(const QString& folder, std::uint32_t ref);
    // The answer to command ref: the rows become the reply's when ref is the
    // newest request for the selected folder. Anything else (an answer for another
    // folder, a superseded one, a repeat, one never asked for) is dropped and
    // counted, whatever its age: false, rows untouched.
    bool TakeReply(const std::vector<FileInfoRecord>& reply, std::uint32_t ref,
                   const QString& selectedFolder);
    // The answer to ref could not be read: true when it was the selected folder's
    // newest request (that folder is not listed).
    bool TakeRefusal(std::uint32_t ref, const QString& selectedFolder);
    // Whether a listing of folder is still awaited.
    bool Awaiting(const QString& folder) const { return m_requests.Awaiting(folder); }
    std::uint64_t DroppedReplies() const { return m_nDropped; }
    // Rows gone (a new folder was selected, or a reset); requests in flight stay
    // unless forgetRequests.
    void Clear(bool forgetRequests = false);

    const QString& Folder() const { return m_strFolder; }
    const std::vector<FileRow>& Rows() const { return m_rows; }
    int RowCount() const { return int(m_rows.size()); }

    // Each new set of rows (a listing taken, or the rows cleared) counts one up,
    // so a question asked about the rows can tell whether they are still the same.
    std::uint64_t Listing() const { return m_nListing; }

    // Only an actionable row can be checked; unchecking always works.
    void SetChecked(int row, bool on);
    bool IsChecked(int row) const;
    void SetAllChecked(bool on);
    int CheckedCount() const;
    std::uint64_t CheckedBytes() const;
    std::uint64_t AllBytes() const;
    std::vector<int> CheckedRows() const;
    int FindRow(const QString& name) const;

    static FileRow RowFromRecord(const FileInfoRecord& r);
    static QString ColumnText(const FileRow& row, int column);
    static QStringList ColumnTitles();
    // "Total:%d MB" in whole MB of 1,048,576 bytes, rounded down.
    static QString TotalText(std::uint64_t bytes);

    // The checked rows as play-list items, top to bottom.
    std::vector<PlayListItem> BuildPlayList() const;
    // Full paths of the checked files, last row first (the order Delete sends).
    QStringList CheckedPaths(bool lastFirst) const;
    // The checked files for a delete, last row first: their rows are unchecked
    // and stop being actionable until the next listing.
    QStringList TakeForDelete();

    // What the user is told about a row whose listed name cannot be used, or
    // empty for a row whose name can.
    static QString UnusableText(const FileRow& row);
    // Why a new file name cannot be used, or empty when it can.
    static QString RenameError(const QString& newName, const QString& folder);
    // A rename was sent for the file name in folder; ref is the identity of its
    // MX_CMD_FILE_RENAME_TO.
    void RenameSent(const QString& folder, const QString& oldName, const QString& newName, std::uint32_t ref);
    bool RenamePending() const { return m_rename.has_value(); }
    // Nothing outstanding any more (a reset, or the rows were listed again).
    void EndRename() { m_rename.reset(); }
    // A rename the instrument has done: the file's full paths before and after,
    // its new name and the description that name gives.
    struct RenamedFile {
        QString oldPath, newPath, newName, description;
    };
    // The result answering command ref: on success the row of the renamed file (if
    // the rows still show that folder and file) takes the new name; returns that
    // row or -1. A result for another command changes nothing (counted); the
    // rename's own ends it whatever it says. A success fills renamed, whatever
    // the rows show now.
    int RenameResult(bool ok, std::uint32_t ref, RenamedFile* renamed = nullptr);

private:
    struct Rename {
        QString folder, oldName, newName;
        std::uint32_t ref = 0;
    };
    QString m_strFolder;
    std::vector<FileRow> m_rows;
    PendingRequests<QString> m_requests; // of folders
    std::uint64_t m_nDropped = 0;
    std::optional<Rename> m_rename;
    std::uint64_t m_nListing = 0;
};

// Prev/Next over a play list of count items from index current, wrapping at
// both ends; -1 for an empty list.
int PlayListNext(int current, int count);
int PlayListPrev(int current, int count);

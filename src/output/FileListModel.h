// The browser's file rows without a window: each row keeps the record it came
// from and the folder it was listed in, the check marks and their totals, the
// file-list requests in flight, the play list made from the checked rows, and
// the rename that is outstanding.
#pragma once
#include <QString>
#include <QStringList>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "device/MxTypes.h"
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

    // A request unanswered this long is taken as lost, so one lost reply does not
    // pair every later reply with the request before it.
    static constexpr std::uint64_t kReplyWaitMs = 10000;
    static std::uint64_t NowMs();

    // A file-list request for folder went out. Replies come back in order.
    void RequestSent(const QString& folder, std::uint64_t nowMs = NowMs());
    // A file-list reply: the rows become the reply's when it answers the last
    // request for the selected folder; a reply for another folder, or one no
    // request waits for, is dropped (false, rows untouched).
    bool TakeReply(const std::vector<FileInfoRecord>& reply, const QString& selectedFolder,
                   std::uint64_t nowMs = NowMs());
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
    // A rename was sent for the file name in folder.
    void RenameSent(const QString& folder, const QString& oldName, const QString& newName);
    bool RenamePending() const { return m_rename.has_value(); }
    // Nothing outstanding any more (a reset, or the rows were listed again).
    void EndRename() { m_rename.reset(); }
    // The rename result: on success the row of the renamed file (if the rows
    // still show that folder and file) takes the new name; returns that row or -1.
    // Whatever the result, nothing is outstanding afterwards.
    int RenameResult(bool ok);

private:
    struct Rename {
        QString folder, oldName, newName;
    };
    QString m_strFolder;
    std::vector<FileRow> m_rows;
    struct Request {
        QString folder;
        std::uint64_t ms;
    };
    void ForgetLost(std::uint64_t nowMs);
    std::deque<Request> m_requests;
    std::optional<Rename> m_rename;
    std::uint64_t m_nListing = 0;
};

// Prev/Next over a play list of count items from index current, wrapping at
// both ends; -1 for an empty list.
int PlayListNext(int current, int count);
int PlayListPrev(int current, int count);

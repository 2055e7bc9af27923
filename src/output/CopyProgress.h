// The copy dialog's rules: which drive a combo entry names, and the progress
// over the files that were checked when Copy was pressed. A progress report
// counts only for the file whose copy command it answers, and once.
#pragma once
#include <QString>
#include <QStringList>
#include <cstdint>
#include <map>
#include <vector>

class CCopyProgress {
public:
    // 0 for "A:\" .. 25 for "Z:\" (exactly, case-sensitive); -1 for anything else.
    static int DriveIndex(const QString& text);

    // The files to copy, taken when the dialog opens and again at Copy.
    void SetFiles(const QStringList& names);
    // File index went out as the copy command ref (its identity).
    void FileQueued(int index, std::uint32_t ref);
    // Only the first n files could be queued: the others are not waited for.
    void KeepFirst(int n);
    const QStringList& Files() const { return m_names; }
    int Total() const { return int(m_names.size()); }
    int Copied() const { return m_nCopied; }
    int FilePercent() const { return m_nPercent; }
    bool Done() const { return m_nCopied >= Total() && Total() > 0; }
    bool FileDone(int index) const;
    // The file whose copy command is ref, -1 for none of this copy.
    int FileOf(std::uint32_t ref) const;

    // A WM_COPY_PROGRESS percent answering command ref; 100 completes that file.
    // A report for no file of this copy, or for a file already complete, is
    // dropped (counted). Returns true when that completed the last file.
    bool OnProgress(int percent, std::uint32_t ref);
    std::uint64_t Dropped() const { return m_nDropped; }

    // Name of the file being copied ("" after the last).
    QString CurrentName() const;
    QString DoneText() const;  // "%d/%d", copied and total
    QString TotalText() const; // "%d/%d", total twice
    QString StartText() const; // "0/%d"

private:
    QStringList m_names;
    std::vector<bool> m_done;
    std::map<std::uint32_t, int> m_fileOf; // copy command -> file index
    int m_nCopied = 0;
    int m_nPercent = 0;
    int m_nCurrent = 0;   // the file the last report named, or the first not done
    int m_nFirstOpen = 0; // the first file not done
    std::uint64_t m_nDropped = 0;
};

// The copy dialog's rules: which drive a combo entry names, and the progress
// over the files that were checked when Copy was pressed.
#pragma once
#include <QString>
#include <QStringList>

class CCopyProgress {
public:
    // 0 for "A:\" .. 25 for "Z:\" (exactly, case-sensitive); -1 for anything else.
    static int DriveIndex(const QString& text);

    // The files to copy, taken when the dialog opens and again at Copy.
    void SetFiles(const QStringList& names);
    const QStringList& Files() const { return m_names; }
    int Total() const { return int(m_names.size()); }
    int Copied() const { return m_nCopied; }
    int FilePercent() const { return m_nPercent; }
    bool Done() const { return m_nCopied >= Total() && Total() > 0; }

    // A WM_COPY_PROGRESS percent; 100 completes the current file. Returns true
    // when that was the last file.
    bool OnProgress(int percent);

    // Name of the file being copied ("" after the last).
    QString CurrentName() const;
    QString DoneText() const;  // "%d/%d", copied and total
    QString TotalText() const; // "%d/%d", total twice
    QString StartText() const; // "0/%d"

private:
    QStringList m_names;
    int m_nCopied = 0;
    int m_nPercent = 0;
};

// The Spectrum window's document: empty, it only fixes the title.
#pragma once
#include <QString>

#include "winbase/WinTypes.h"

class CSpectrumDoc {
public:
    BOOL OnNewDocument() { return TRUE; }
    // The title is always "Spectrum", whatever is asked.
    void SetTitle(const QString& strTitle);
    const QString& GetTitle() const { return m_strTitle; }

private:
    QString m_strTitle;
};

#include "views/SpectrumDoc.h"

#include "res/ResStrings.h"
#include "res/resource.h"

void CSpectrumDoc::SetTitle(const QString&) {
    m_strTitle = LoadResString(IDS_SPECTRUM_TITLE);
}

#include "views/IQDoc.h"

#include "res/ResStrings.h"
#include "res/resource.h"

void CIQDoc::SetTitle(const QString&) {
    m_strTitle = LoadResString(IDS_IQ_TITLE);
}

#include "res/ResStrings.h"

#include "res/resource.h"

QString LoadResString(UINT id) {
    switch (id) {
    case IDS_OLE_INIT_FAILED:
        return QStringLiteral(
            "OLE initialization failed.  Make sure that the OLE libraries are the correct version.");
    case IDS_SPECTRUM_TEMPLATE_NOT_FOUND:
        return QStringLiteral("Spectrom template not found");
    case IDS_SPECTRUM_TITLE:
        return QStringLiteral("Spectrum");
    case IDS_IQ_TITLE:
        return QStringLiteral("IQ");
    case IDS_IQ_TEMPLATE_NOT_FOUND:
        return QStringLiteral("IQ template not found");
    case IDS_TOOLBAR_STANDARD:
        return QStringLiteral("ToolbarMarlixEx");
    case IDS_EDIT_MENU:
        return QStringLiteral("Edit");
    case IDS_APP_TITLE:
        return QStringLiteral(u"Zephyra\u2122");
    default:
        return QString();
    }
}

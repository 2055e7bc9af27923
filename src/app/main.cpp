// Start-up and shut-down: g_Marlix and theApp are built before main (in that
// order); the GUI runs between InitInstance and ExitInstance.
#include <QApplication>

#include "app/MarlixExApp.h"
#include "device/MarlixMFC.h"
#include "platform/MsgTarget.h"
#include "res/ResImages.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zephyra"));
    QApplication::setOrganizationName(QStringLiteral("Corvanta"));
    QApplication::setWindowIcon(AppIcon());
    g_Marlix.SetPostSink(&PlatformPostSink());

    int rc = 0;
    if (theApp.InitInstance())
        rc = QApplication::exec();
    theApp.ExitInstance();
    // The library's threads may still hold deliveries; none may reach a GUI that is gone.
    g_Marlix.SetPostSink(nullptr);
    return rc;
}

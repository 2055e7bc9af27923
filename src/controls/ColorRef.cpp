#include "controls/ColorRef.h"

#include <QApplication>
#include <QPalette>

namespace ctl {

COLORREF GetSysColor(int index) {
    const QPalette pal = QApplication::palette();
    QPalette::ColorRole role = QPalette::Window;
    switch (index) {
    case COLOR_WINDOW:
        role = QPalette::Base;
        break;
    case COLOR_WINDOWTEXT:
        role = QPalette::Text;
        break;
    case COLOR_BTNFACE:
        role = QPalette::Button;
        break;
    case COLOR_BTNSHADOW:
        role = QPalette::Dark;
        break;
    case COLOR_BTNTEXT:
        role = QPalette::ButtonText;
        break;
    case COLOR_BTNHIGHLIGHT:
        role = QPalette::Light;
        break;
    case COLOR_3DDKSHADOW:
        role = QPalette::Shadow;
        break;
    default:
        role = QPalette::Window;
        break;
    }
    return ToColorRef(pal.color(QPalette::Active, role).rgb());
}

} // namespace ctl

// The main toolbar.
#pragma once
#include <QToolBar>

class CToolBarMain : public QToolBar {
    Q_OBJECT
public:
    using QToolBar::QToolBar;
};

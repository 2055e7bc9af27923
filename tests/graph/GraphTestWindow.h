// A window with a handle, as the graph host dialogs are.
#pragma once
#include <QWidget>

#include "platform/MsgTarget.h"

class GraphTestWindow : public QWidget, public CMsgTarget {
public:
    explicit GraphTestWindow(int w = 400, int h = 300) : QWidget(nullptr), CMsgTarget(this) {
        resize(w, h);
        show();
    }
};

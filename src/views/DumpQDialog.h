// Host window of graph 4, the Q samples.
#pragma once
#include "res/resource.h"
#include "views/DumpIQDialog.h"

class CDumpQDialog : public CDumpIQDialog {
    Q_OBJECT
public:
    CDumpQDialog() : CDumpIQDialog(4, IDD_Q_GRAPH) {}
};

// Host window of graph 3, the I samples.
#pragma once
#include "res/resource.h"
#include "views/DumpIQDialog.h"

class CDumpIDialog : public CDumpIQDialog {
    Q_OBJECT
public:
    CDumpIDialog() : CDumpIQDialog(3, IDD_I_GRAPH) {}
};

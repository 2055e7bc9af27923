// The toolbar's address combo (command 32855): an editable drop-down whose list
// mirrors the address history. Enter or a choice from the list asks the main
// window to connect; Escape hands the focus back to the main window.
#pragma once
#include <QComboBox>

#include "winbase/WinTypes.h"

class CIPComboBox : public QComboBox {
    Q_OBJECT
public:
    CIPComboBox(UINT nID, QWidget* parent = nullptr);
    UINT GetCommandId() const { return m_nID; }

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    void PostCommand();
    UINT m_nID;
    bool m_bEditFinishing = false;
};

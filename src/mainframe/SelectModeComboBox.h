// The toolbar's mode combo (command 32860): a drop-down list with the one mode.
#pragma once
#include <QComboBox>

#include "winbase/WinTypes.h"

class CSelectModeComboBox : public QComboBox {
    Q_OBJECT
public:
    CSelectModeComboBox(UINT nID, QWidget* parent = nullptr);
    UINT GetCommandId() const { return m_nID; }

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    UINT m_nID;
};

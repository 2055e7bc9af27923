#include "mainframe/SelectModeComboBox.h"

#include <QKeyEvent>

#include "platform/MsgTarget.h"

CSelectModeComboBox::CSelectModeComboBox(UINT nID, QWidget* parent) : QComboBox(parent), m_nID(nID) {
    setEditable(false);
    connect(this, qOverload<int>(&QComboBox::activated), this,
            [this](int) { ::PostMessage(HandleFromWidget(window()), WM_COMMAND, m_nID, 0); });
}

void CSelectModeComboBox::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape) {
        if (QWidget* top = window())
            top->setFocus();
    } else if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        ::PostMessage(HandleFromWidget(window()), WM_COMMAND, m_nID, 0);
    }
    QComboBox::keyPressEvent(e);
}

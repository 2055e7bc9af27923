#include "mainframe/IPComboBox.h"

#include <QKeyEvent>

#include "platform/MsgTarget.h"

CIPComboBox::CIPComboBox(UINT nID, QWidget* parent) : QComboBox(parent), m_nID(nID) {
    setEditable(true);
    // The history owns the list; Enter must not add items by itself.
    setInsertPolicy(QComboBox::NoInsert);
    setMaxVisibleItems(10);
    connect(this, qOverload<int>(&QComboBox::activated), this, [this](int) { PostCommand(); });
}

void CIPComboBox::PostCommand() {
    ::PostMessage(HandleFromWidget(window()), WM_COMMAND, m_nID, 0);
}

void CIPComboBox::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        // Handled here alone: the edit field's own Enter handling would post a second time.
        PostCommand();
        e->accept();
        return;
    }
    if (e->key() == Qt::Key_Escape) {
        if (QWidget* top = window())
            top->setFocus();
    }
    QComboBox::keyPressEvent(e);
}

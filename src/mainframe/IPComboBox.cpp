#include "mainframe/IPComboBox.h"

#include <QKeyEvent>
#include <QLineEdit>

#include "platform/MsgTarget.h"

CIPComboBox::CIPComboBox(UINT nID, QWidget* parent) : QComboBox(parent), m_nID(nID) {
    setEditable(true);
    // When its editing finishes (Enter, or the focus going to the "Connected!"
    // box), the combo selects the list item that matches the text and reports it
    // as activated. That is no choice from the list: once the history has put a
    // typed address into the list it would connect a second time. Our own slots
    // run just before and after the combo's.
    auto* edit = new QLineEdit(this);
    connect(edit, &QLineEdit::editingFinished, this, [this] { m_bEditFinishing = true; });
    setLineEdit(edit);
    connect(edit, &QLineEdit::editingFinished, this, [this] { m_bEditFinishing = false; });
    // The history owns the list; Enter must not add items by itself.
    setInsertPolicy(QComboBox::NoInsert);
    setMaxVisibleItems(10);
    connect(this, qOverload<int>(&QComboBox::activated), this, [this](int) {
        if (!m_bEditFinishing)
            PostCommand();
    });
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

#include "settings/CSettingsPage.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QSignalBlocker>

CSettingsPage::CSettingsPage(QWidget* parent) : QWidget(parent), CMsgTarget(this), m_link(this) {
    QFont f(QStringLiteral("Arial"));
    f.setPointSize(9);
    setFont(f);
}

void CSettingsPage::FillCombo(QComboBox* combo, const QStringList& items, int index) {
    const QSignalBlocker block(combo);
    combo->clear();
    combo->addItems(items);
    combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

void CSettingsPage::SelectCombo(QComboBox* combo, int index) {
    const QSignalBlocker block(combo);
    combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

bool CSettingsPage::SwallowKey(QWidget*, int key) {
    return key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter;
}

void CSettingsPage::WatchKeys() {
    // The page itself too: opening the dialog gives it the focus, and an Enter it
    // let through would reach the dialog's default button.
    installEventFilter(this);
    for (QWidget* w : findChildren<QWidget*>())
        w->installEventFilter(this);
}

bool CSettingsPage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* ke = static_cast<QKeyEvent*>(event);
        if (SwallowKey(qobject_cast<QWidget*>(watched), ke->key()))
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

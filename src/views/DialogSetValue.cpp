#include "views/DialogSetValue.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "app/MarlixExApp.h"
#include "platform/MsgBox.h"
#include "res/resource.h"
#include "views/GraphKeyRules.h"
#include "views/MeasureRules.h"

namespace {
// Dialog units of the template to pixels (about 1.75 x, 1.75 y at the usual font).
QRect Du(int x, int y, int w, int h) {
    return QRect(x * 7 / 4, y * 7 / 4, w * 7 / 4, h * 7 / 4);
}
} // namespace

CDialogSetValue::CDialogSetValue(QWidget* pParent) : QDialog(pParent), CMsgTarget(this) {
    setObjectName(QString::number(IDD_SET_VALUE));
    setWindowTitle(QStringLiteral("Edit"));
    setModal(true);
    setFixedSize(Du(0, 0, 155, 118).size());
    m_pLabel = new QLabel(this);
    m_pLabel->setObjectName(QString::number(IDC_SET_VALUE_LABEL));
    m_pLabel->setGeometry(Du(12, 10, 100, 8));
    m_pMin = new QLabel(this);
    m_pMin->setObjectName(QString::number(IDC_SET_VALUE_MIN));
    m_pMin->setGeometry(Du(21, 25, 120, 8));
    m_pMax = new QLabel(this);
    m_pMax->setObjectName(QString::number(IDC_SET_VALUE_MAX));
    m_pMax->setGeometry(Du(21, 36, 120, 8));
    m_pCombo = new QComboBox(this);
    m_pCombo->setObjectName(QString::number(IDC_SET_VALUE_COMBO));
    m_pCombo->setGeometry(Du(19, 55, 89, 14));
    m_pEdit = new QLineEdit(this);
    m_pEdit->setObjectName(QString::number(IDC_SET_VALUE_EDIT));
    m_pEdit->setGeometry(Du(19, 70, 58, 14));
    m_pUnit = new QLabel(this);
    m_pUnit->setObjectName(QString::number(IDC_SET_VALUE_UNIT));
    m_pUnit->setGeometry(Du(87, 73, 54, 8));
    auto* ok = new QPushButton(QStringLiteral("Ok"), this);
    ok->setObjectName(QStringLiteral("1"));
    ok->setGeometry(Du(47, 93, 50, 14));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("2"));
    cancel->setGeometry(Du(99, 93, 50, 14));
    connect(ok, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(cancel, &QPushButton::clicked, this, [this] { done(IDCANCEL); });
}

int CDialogSetValue::DoModal() {
    OnInitDialog();
    const int r = exec();
    return r == IDOK ? IDOK : IDCANCEL;
}

BOOL CDialogSetValue::OnInitDialog() {
    m_pEdit->setText(m_strValue);
    m_pApp = &theApp;
    m_strMinText.clear();
    m_strMaxText.clear();
    const DeviceState* ds = m_pApp->m_pDeviceState;
    if (m_nValueKind == MeasureRules::kTextGain && ds) {
        m_strMinText = GraphKeyRules::EditorMinText(ds->m_nLevelMin);
        m_strMaxText = GraphKeyRules::EditorMaxText(ds->m_nLevelMax);
    }
    m_pMin->setText(m_strMinText);
    m_pMax->setText(m_strMaxText);
    m_pCombo->hide();
    m_pEdit->show();
    m_pEdit->setFocus();
    if (m_nKey == 13 && m_nValueKind != MeasureRules::kTextGain) {
        m_pEdit->deselect();
        m_pEdit->end(false);
    } else {
        // After the dialog has given the edit the focus: a typed first character
        // stays unselected and the next key is appended to it.
        QTimer::singleShot(0, m_pEdit, [e = m_pEdit] {
            e->deselect();
            e->end(false);
        });
    }
    m_pLabel->setText(GraphKeyRules::EditorLabel(m_nValueKind));
    m_pUnit->setText(GraphKeyRules::EditorUnit(m_nValueKind, int(g_Marlix.GetPowerUnitdBType())));
    return TRUE;
}

void CDialogSetValue::OnOK() {
    const QString text = m_pEdit->text();
    // An empty text is a cancel for the owner; anything else must be a number.
    if (!text.trimmed().isEmpty() && !MeasureRules::ParseNumber(text.toStdString())) {
        AfxMessageBox(QStringLiteral("\"%1\" is not a number.").arg(text), MB_OK | MB_ICONWARNING);
        m_pEdit->selectAll();
        m_pEdit->setFocus();
        return;
    }
    m_strValue = text;
    done(IDOK);
}

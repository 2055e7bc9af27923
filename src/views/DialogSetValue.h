// The small modal editor of one spectrum-graph value (y min, y max or gain): a
// label, a unit, for the gain its limits, and the typed text as the result.
#pragma once
#include <QDialog>
#include <QString>

#include "platform/MsgTarget.h"

class QComboBox;
class QLabel;
class QLineEdit;
class CMarlixExApp;

class CDialogSetValue : public QDialog, public CMsgTarget {
    Q_OBJECT
public:
    explicit CDialogSetValue(QWidget* pParent = nullptr);

    int m_nValueKind = -1;
    int m_nKey = 0;
    QString m_strValue;
    QString m_strMinText, m_strMaxText;
    CMarlixExApp* m_pApp = nullptr;

    void SetValueText(const QString& strText) { m_strValue = strText; }
    // IDOK (1) or IDCANCEL (2).
    int DoModal();

    QLineEdit* Edit() const { return m_pEdit; }
    QLabel* Label() const { return m_pLabel; }
    QLabel* Unit() const { return m_pUnit; }
    QLabel* MinLine() const { return m_pMin; }
    QLabel* MaxLine() const { return m_pMax; }

    void OnOK();

private:
    BOOL OnInitDialog();

    QLabel* m_pLabel;
    QLabel* m_pMin;
    QLabel* m_pMax;
    QComboBox* m_pCombo;
    QLineEdit* m_pEdit;
    QLabel* m_pUnit;
};

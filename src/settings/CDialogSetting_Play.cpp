#include "settings/CDialogSetting_Play.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

CDialogSetting_Play::CDialogSetting_Play(QWidget* parent) : CSettingsPage(parent), m_model(m_link) {
    setObjectName(QString::number(IDD));
    auto* grid = new QGridLayout(this);
    auto label = [this](const QString& text, int id) {
        auto* l = new QLabel(text, this);
        l->setObjectName(QString::number(id));
        return l;
    };
    m_cbOutputInvert = new QComboBox(this);
    m_cbOutputInvert->setObjectName(QString::number(IDC_OUTPUT_INVERT));
    m_editFrequency = new QLineEdit(this);
    m_editFrequency->setObjectName(QString::number(IDC_FREQUENCY));
    m_editFrequency->setReadOnly(true);
    m_editGain = new QLineEdit(this);
    m_editGain->setObjectName(QString::number(IDC_GAIN));
    m_editGain->setReadOnly(true);
    grid->addWidget(label(QStringLiteral("Output Invert"), 1300), 0, 0);
    grid->addWidget(m_cbOutputInvert, 0, 1);
    grid->addWidget(label(QStringLiteral("Frequency"), 1061), 1, 0);
    grid->addWidget(m_editFrequency, 1, 1);
    grid->addWidget(label(QStringLiteral("Hz"), 1257), 1, 2);
    QLabel* gainLabel = label(QStringLiteral("Gain"), 1062);
    QLabel* dbLabel = label(QStringLiteral("dB"), 1220);
    grid->addWidget(gainLabel, 2, 0);
    grid->addWidget(m_editGain, 2, 1);
    grid->addWidget(dbLabel, 2, 2);
    gainLabel->hide();
    m_editGain->hide();
    dbLabel->hide();
    grid->setRowStretch(3, 1);
    grid->setColumnStretch(3, 1);
    connect(m_cbOutputInvert, &QComboBox::currentIndexChanged, this, [this](int i) { m_model.Choose(i); });
    WatchKeys();
}

void CDialogSetting_Play::ShowTexts() {
    m_editFrequency->setText(m_model.m_strFrequency);
    m_editGain->setText(m_model.m_strGain);
}

void CDialogSetting_Play::LoadFromDeviceState() {
    m_model.Load();
    FillCombo(m_cbOutputInvert, {QStringLiteral("Off"), QStringLiteral("On")}, m_model.m_nSpectralInvApplied);
    ShowTexts();
}

void CDialogSetting_Play::RefreshPlayValues() {
    m_model.RefreshPlayValues();
    ShowTexts();
}

void CDialogSetting_Play::Apply() {
    m_model.Apply();
    ShowTexts();
}

void CDialogSetting_Play::OnTimer(UINT_PTR nIDEvent) {
    m_model.OnTimer(unsigned(nIDEvent));
}

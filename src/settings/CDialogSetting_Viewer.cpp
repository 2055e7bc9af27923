#include "settings/CDialogSetting_Viewer.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>

CDialogSetting_Viewer::CDialogSetting_Viewer(QWidget* parent) : CSettingsPage(parent), m_model(m_link) {
    setObjectName(QString::number(IDD));
    auto* grid = new QGridLayout(this);
    auto combo = [this](int id) {
        auto* c = new QComboBox(this);
        c->setObjectName(QString::number(id));
        return c;
    };
    auto label = [this](const QString& text, int id) {
        auto* l = new QLabel(text, this);
        l->setObjectName(QString::number(id));
        return l;
    };
    m_cbResBW = combo(IDC_RESBW);
    m_cbAverage = combo(IDC_AVERAGE);
    m_cbUnit = combo(IDC_UNIT);
    m_cbMarker = combo(IDC_MARKER);
    m_cbUpdateSpeed = combo(IDC_UPDATE_SPEED);
    m_cbFreqStep = combo(IDC_FREQ_STEP);
    m_editAverageCount = new QLineEdit(this);
    m_editAverageCount->setObjectName(QString::number(IDC_AVERAGE_COUNT));
    m_editAverageCount->setFixedWidth(48);
    // The arrows share the edit's height, as an up-down control beside its edit.
    const int editHeight = m_editAverageCount->sizeHint().height();
    m_editAverageCount->setFixedHeight(editHeight);
    m_spinAverage = new QWidget(this);
    m_spinAverage->setObjectName(QString::number(IDC_AVERAGE_SPIN));
    auto* spinLayout = new QVBoxLayout(m_spinAverage);
    spinLayout->setContentsMargins(0, 0, 0, 0);
    spinLayout->setSpacing(0);
    m_btnCountUp = new QToolButton(m_spinAverage);
    m_btnCountUp->setArrowType(Qt::UpArrow);
    m_btnCountUp->setFixedSize(editHeight, editHeight / 2);
    m_btnCountDown = new QToolButton(m_spinAverage);
    m_btnCountDown->setArrowType(Qt::DownArrow);
    m_btnCountDown->setFixedSize(editHeight, editHeight - editHeight / 2);
    spinLayout->addWidget(m_btnCountUp);
    spinLayout->addWidget(m_btnCountDown);

    grid->addWidget(label(QStringLiteral("ResBW"), 1068), 0, 0);
    grid->addWidget(m_cbResBW, 0, 1);
    grid->addWidget(label(QStringLiteral("Average"), 1069), 1, 0);
    grid->addWidget(m_cbAverage, 1, 1);
    grid->addWidget(m_editAverageCount, 1, 2);
    grid->addWidget(m_spinAverage, 1, 3);
    grid->addWidget(label(QStringLiteral("Unit dB"), 1291), 2, 0);
    grid->addWidget(m_cbUnit, 2, 1);
    grid->addWidget(label(QStringLiteral("Marker"), 1292), 3, 0);
    grid->addWidget(m_cbMarker, 3, 1);
    grid->addWidget(label(QStringLiteral("Spectrum Update"), 1294), 4, 0);
    grid->addWidget(m_cbUpdateSpeed, 4, 1);
    QLabel* stepLabel = label(QStringLiteral("Frequency Step"), 1296);
    grid->addWidget(stepLabel, 5, 0);
    grid->addWidget(m_cbFreqStep, 5, 1);
    stepLabel->hide();
    m_cbFreqStep->hide();
    grid->setRowStretch(6, 1);
    grid->setColumnStretch(4, 1);

    connect(m_cbResBW, &QComboBox::currentIndexChanged, this, [this](int i) { m_model.ChooseResBW(i); });
    connect(m_cbAverage, &QComboBox::currentIndexChanged, this, [this](int i) {
        m_model.ChooseAverageType(i);
        ShowCount();
    });
    connect(m_cbUnit, &QComboBox::currentIndexChanged, this, [this](int i) { m_model.ChooseUnit(i); });
    connect(m_cbMarker, &QComboBox::currentIndexChanged, this, [this](int i) { m_model.ChooseMarker(i); });
    connect(m_cbUpdateSpeed, &QComboBox::currentIndexChanged, this,
            [this](int i) { m_model.ChooseUpdateSpeed(i); });
    connect(m_cbFreqStep, &QComboBox::currentIndexChanged, this,
            [this](int i) { m_model.ChooseFreqStep(i); });
    connect(m_btnCountUp, &QToolButton::clicked, this, [this] { StepAverageCount(+1); });
    connect(m_btnCountDown, &QToolButton::clicked, this, [this] { StepAverageCount(-1); });
    WatchKeys();
}

void CDialogSetting_Viewer::ShowCount() {
    const bool on = m_model.CountEnabled();
    m_editAverageCount->setEnabled(on);
    m_spinAverage->setEnabled(on);
    m_editAverageCount->setText(m_model.m_strAverageCount);
}

void CDialogSetting_Viewer::TakeCountText() {
    m_model.m_strAverageCount = m_editAverageCount->text();
}

void CDialogSetting_Viewer::LoadFromDeviceState() {
    m_model.Load();
    FillCombo(m_cbResBW, ViewerPageModel::ResBWItems(), m_model.m_nResBWApplied);
    FillCombo(m_cbAverage, ViewerPageModel::AverageItems(), m_model.m_nAverageTypeApplied);
    FillCombo(m_cbUnit, ViewerPageModel::UnitItems(), m_model.m_nUnitApplied);
    FillCombo(m_cbMarker, ViewerPageModel::MarkerItems(), m_model.m_nMarkerApplied);
    FillCombo(m_cbUpdateSpeed, ViewerPageModel::SpeedItems(), m_model.m_nSpeedApplied);
    FillCombo(m_cbFreqStep, ViewerPageModel::FreqStepItems(), m_model.m_nFreqStepApplied);
    ShowCount();
}

void CDialogSetting_Viewer::Apply() {
    TakeCountText();
    m_model.Apply();
    ShowCount();
}

void CDialogSetting_Viewer::ApplyAverageCount() {
    TakeCountText();
    m_model.ApplyAverageCount();
    ShowCount();
}

void CDialogSetting_Viewer::StepAverageCount(int step) {
    TakeCountText();
    m_model.StepAverageCount(step);
    m_editAverageCount->setText(m_model.m_strAverageCount);
}

void CDialogSetting_Viewer::MarkersSetElsewhere(int index) {
    m_model.MarkersSetElsewhere(index);
    SelectCombo(m_cbMarker, index);
}

void CDialogSetting_Viewer::OnTimer(UINT_PTR nIDEvent) {
    m_model.OnTimer(unsigned(nIDEvent));
}

bool CDialogSetting_Viewer::SwallowKey(QWidget* focus, int key) {
    if (focus == m_editAverageCount && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
        ApplyAverageCount();
        return true;
    }
    return CSettingsPage::SwallowKey(focus, key);
}

void CDialogSetting_Viewer::wheelEvent(QWheelEvent* e) {
    if (m_editAverageCount->hasFocus() && m_editAverageCount->isEnabled())
        StepAverageCount(e->angleDelta().y() > 0 ? +1 : -1);
    CSettingsPage::wheelEvent(e);
}

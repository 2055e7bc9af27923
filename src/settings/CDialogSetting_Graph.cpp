#include "settings/CDialogSetting_Graph.h"

#include <QColorDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <algorithm>

#include "controls/CMyButtonColor.h"

const int CDialogSetting_Graph::kSpectrumSwatch[GraphPageModel::kColorCount] = {
    1351, 1355, 1352, 1356, 1357, 1358, 1354, 1353, 1359, 1433, 1434};
const int CDialogSetting_Graph::kIQSwatch[GraphPageModel::kColorCount] = {1360, 1382, 1361, 1384, 1386, 1388,
                                                                          1363, 1362, 1390, 1441, 1442};

namespace {
const char* const kLabels[GraphPageModel::kColorCount] = {
    "BG",   "Axis",     "Grid",        "Axis\nText", "Text\nFocus", "Text\nSelect\nBG",
    "Data", "3D\nFade", "Text\nBlock", "Max\nHold",  "Min\nHold"};

int SlotOf(int set) {
    return set == 0 ? 0 : 1;
}

std::optional<std::uint32_t> RunColorDialog(std::uint32_t start) {
    const QColor c = QColorDialog::getColor(ctl::FromColorRef(start), nullptr);
    if (!c.isValid())
        return std::nullopt;
    return ctl::ToColorRef(c.rgb());
}
} // namespace

CDialogSetting_Graph::CDialogSetting_Graph(QWidget* parent)
    : CSettingsPage(parent), m_model(m_link), m_fnPicker(RunColorDialog) {
    setObjectName(QString::number(IDD));
    auto* row = new QHBoxLayout(this);
    for (int set : {0, 3}) {
        auto* box = new QGroupBox(set == 0 ? QStringLiteral("Spectrum") : QStringLiteral("IQ"), this);
        box->setObjectName(set == 0 ? QStringLiteral("1364") : QStringLiteral("1365"));
        auto* grid = new QGridLayout(box);
        int shown = 0;
        for (int i = 0; i < GraphPageModel::kColorCount; ++i) {
            const bool hidden = i == 7 || (set == 3 && i >= 8);
            QString text = QString::fromLatin1(kLabels[i]);
            if (set == 3 && i == 9)
                text = QStringLiteral("Max");
            if (set == 3 && i == 10)
                text = QStringLiteral("Min");
            auto* label = new QLabel(text, box);
            label->setAlignment(Qt::AlignCenter);
            auto* swatch = new CMyButtonColor(box);
            swatch->setObjectName(QString::number(set == 0 ? kSpectrumSwatch[i] : kIQSwatch[i]));
            swatch->setFixedSize(36, 22);
            swatch->setFocusPolicy(Qt::StrongFocus);
            m_apSwatch[SlotOf(set)][i] = swatch;
            connect(swatch, &CMyButtonColor::clicked, this, [this, set, i] { OnBnClickedSwatch(set, i); });
            if (hidden) {
                label->hide();
                swatch->hide();
                continue;
            }
            const int r = (shown / 5) * 2, c = shown % 5;
            grid->addWidget(label, r, c, Qt::AlignHCenter | Qt::AlignBottom);
            grid->addWidget(swatch, r + 1, c, Qt::AlignHCenter);
            ++shown;
        }
        // Columns as wide as the widest label, so that they stand evenly.
        int columnWidth = 0;
        for (QLabel* l : box->findChildren<QLabel*>())
            if (!l->isHidden())
                columnWidth = std::max(columnWidth, l->sizeHint().width());
        for (int c = 0; c < 5; ++c)
            grid->setColumnMinimumWidth(c, columnWidth);
        auto* def = new QPushButton(QStringLiteral("Default"), box);
        def->setObjectName(QString::number(set == 0 ? IDC_DEFAULT_SPECTRUM : IDC_DEFAULT_IQ));
        def->setAutoDefault(false);
        // Under the last column, spanning them all so that it widens none.
        grid->addWidget(def, 4, 0, 1, 5, Qt::AlignRight);
        (set == 0 ? m_btnDefaultSpectrum : m_btnDefaultIQ) = def;
        connect(def, &QPushButton::clicked, this, [this, set] { OnBnClickedDefault(set); });
        row->addWidget(box, 0, Qt::AlignTop);
    }
    WatchKeys();
}

CMyButtonColor* CDialogSetting_Graph::Swatch(int set, int index) const {
    if (!GraphPageModel::IsEditedSet(set) || index < 0 || index >= GraphPageModel::kColorCount)
        return nullptr;
    return m_apSwatch[SlotOf(set)][index];
}

void CDialogSetting_Graph::ShowSet(int set) {
    for (int i = 0; i < GraphPageModel::kColorCount; ++i) {
        CMyButtonColor* s = Swatch(set, i);
        s->m_crColor = GraphPageModel::ToShown(i, m_model.GetColor(set, i, true));
        s->repaint();
    }
}

void CDialogSetting_Graph::LoadFromDeviceState() {
    m_model.Load();
    // The edited colours: the graphs show them, a preview included.
    ShowSet(0);
    ShowSet(3);
}

void CDialogSetting_Graph::OnBnClickedSwatch(int set, int index) {
    CMyButtonColor* s = Swatch(set, index);
    if (!s)
        return;
    s->m_crColor = m_model.PickColor(set, index, m_fnPicker);
    s->repaint();
    m_model.PreviewColors(set);
}

void CDialogSetting_Graph::OnBnClickedDefault(int set) {
    m_model.Default(set);
    ShowSet(set);
}

#include "settings/CDialogModuleCal.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>

#include "app/MarlixExApp.h"
#include "device/MxMessages.h"

BEGIN_MESSAGE_MAP(CDialogModuleCal, CMsgTarget)
ON_MESSAGE(WM_CAL_VALUE, &CDialogModuleCal::OnCalValue)
ON_COMMAND_RANGE(1503, IDC_HF_SET, &CDialogModuleCal::OnButton)
ON_UPDATE_COMMAND_UI(1503, &CDialogModuleCal::OnUpdateButton)
ON_UPDATE_COMMAND_UI(1504, &CDialogModuleCal::OnUpdateButton)
ON_UPDATE_COMMAND_UI(1505, &CDialogModuleCal::OnUpdateButton)
ON_UPDATE_COMMAND_UI(1506, &CDialogModuleCal::OnUpdateButton)
ON_UPDATE_COMMAND_UI(1512, &CDialogModuleCal::OnUpdateButton)
ON_UPDATE_COMMAND_UI(1513, &CDialogModuleCal::OnUpdateButton)
ON_UPDATE_COMMAND_UI(IDC_LF_SET, &CDialogModuleCal::OnUpdateButton)
ON_UPDATE_COMMAND_UI(IDC_HF_SET, &CDialogModuleCal::OnUpdateButton)
END_MESSAGE_MAP()

const int CDialogModuleCal::kEditId[ModuleCalModel::kValueCount] = {1496, 1497, 1498};
const int CDialogModuleCal::kSpinId[ModuleCalModel::kValueCount] = {1507, 1036, 1035};
const int CDialogModuleCal::kGetId[ModuleCalModel::kValueCount] = {1503, 1505, 1512};
const int CDialogModuleCal::kSetId[ModuleCalModel::kValueCount] = {1504, 1506, 1513};

CDialogModuleCal::CDialogModuleCal(QWidget* parent)
    : QDialog(parent), CMsgTarget(this), m_link(this), m_model(m_link) {
    setObjectName(QString::number(IDD));
    setWindowTitle(QStringLiteral("Module Cal"));
    setSizeGripEnabled(true);
    QFont f(QStringLiteral("Arial"));
    f.setPointSize(14);
    setFont(f);

    auto named = [](QWidget* w, int id) {
        w->setObjectName(QString::number(id));
        return w;
    };
    auto list = [this, named](QWidget* parent, int id) {
        auto* c = new QComboBox(parent);
        named(c, id);
        m_lists[id] = c;
        return c;
    };
    // Get, Set, the edit and its arrows in a row of their own, so that the lists'
    // columns below size neither button; the arrows share the edit's height.
    auto valueRow = [this, named](QGroupBox* box, QGridLayout* g, int index, int row) {
        m_apGet[index] = new QPushButton(QStringLiteral("Get"), box);
        named(m_apGet[index], kGetId[index]);
        m_apSet[index] = new QPushButton(QStringLiteral("Set"), box);
        named(m_apSet[index], kSetId[index]);
        const int buttonWidth =
            std::max(m_apGet[index]->sizeHint().width(), m_apSet[index]->sizeHint().width());
        m_apGet[index]->setFixedWidth(buttonWidth);
        m_apSet[index]->setFixedWidth(buttonWidth);
        m_apEdit[index] = new QLineEdit(box);
        named(m_apEdit[index], kEditId[index]);
        m_apEdit[index]->installEventFilter(this);
        const int editHeight = m_apEdit[index]->sizeHint().height();
        m_apEdit[index]->setFixedHeight(editHeight);
        auto* spin = named(new QWidget(box), kSpinId[index]);
        auto* sl = new QVBoxLayout(spin);
        sl->setContentsMargins(0, 0, 0, 0);
        sl->setSpacing(0);
        auto* up = new QToolButton(spin);
        up->setArrowType(Qt::UpArrow);
        up->setFixedSize(editHeight, editHeight / 2);
        auto* down = new QToolButton(spin);
        down->setArrowType(Qt::DownArrow);
        down->setFixedSize(editHeight, editHeight - editHeight / 2);
        sl->addWidget(up);
        sl->addWidget(down);
        connect(up, &QToolButton::clicked, this, [this, index] { OnStep(index, +1); });
        connect(down, &QToolButton::clicked, this, [this, index] { OnStep(index, -1); });
        connect(m_apEdit[index], &QLineEdit::textChanged, this, [this, index](const QString& text) {
            m_model.EditChanged(index, text);
            UpdateCommandUI();
        });
        BindCommand(m_apGet[index], UINT(kGetId[index]));
        BindCommand(m_apSet[index], UINT(kSetId[index]));
        auto* line = new QHBoxLayout;
        line->addWidget(m_apGet[index]);
        line->addWidget(m_apSet[index]);
        line->addWidget(m_apEdit[index], 1);
        line->addWidget(spin);
        g->addLayout(line, row, 0, 1, 4);
    };

    auto* top = new QVBoxLayout(this);
    auto* upc = new QGroupBox(QStringLiteral("UPC"), this);
    named(upc, 1491);
    auto* gu = new QGridLayout(upc);
    valueRow(upc, gu, 0, 0);
    gu->addWidget(named(new QLabel(QStringLiteral("Freq"), upc), 1515), 1, 0);
    gu->addWidget(list(upc, 1350), 1, 1, 1, 3);
    top->addWidget(upc);

    auto* att = new QGroupBox(QStringLiteral("ATT"), this);
    auto* ga = new QGridLayout(att);
    valueRow(att, ga, 1, 0);
    ga->addWidget(named(new QLabel(QStringLiteral("Freq"), att), 1519), 1, 1);
    ga->addWidget(named(new QLabel(QStringLiteral("Power"), att), 1523), 1, 2);
    ga->addWidget(list(att, 1501), 2, 1);
    ga->addWidget(list(att, 1521), 2, 2);
    auto* lfSet = new QPushButton(QStringLiteral("LF Set"), att);
    named(lfSet, IDC_LF_SET);
    ga->addWidget(lfSet, 2, 3);
    ga->addWidget(list(att, 1520), 3, 1);
    ga->addWidget(list(att, 1522), 3, 2);
    auto* hfSet = new QPushButton(QStringLiteral("HF Set"), att);
    named(hfSet, IDC_HF_SET);
    ga->addWidget(hfSet, 3, 3);
    top->addWidget(att);

    auto* doc = new QGroupBox(QStringLiteral("DOC"), this);
    auto* gd = new QGridLayout(doc);
    valueRow(doc, gd, 2, 0);
    gd->addWidget(named(new QLabel(QStringLiteral("Freq"), doc), 1518), 1, 1);
    gd->addWidget(named(new QLabel(QStringLiteral("Range"), doc), 1517), 1, 2);
    const struct {
        int id;
        const char* text;
        int freq, range;
    } rows[] = {{1508, "HF HP", 1494, 1493},
                {1509, "HF LP", 1495, 1502},
                {1510, "LF", 1499, 1492},
                {1511, "LF AM", 1500, 1514}};
    int r = 2;
    for (const auto& row : rows) {
        gd->addWidget(named(new QLabel(QString::fromLatin1(row.text), doc), row.id), r, 0);
        gd->addWidget(list(doc, row.freq), r, 1);
        gd->addWidget(list(doc, row.range), r, 2);
        ++r;
    }
    top->addWidget(doc);

    for (QPushButton* b : findChildren<QPushButton*>())
        b->setAutoDefault(false);
    BindCommand(lfSet, IDC_LF_SET);
    BindCommand(hfSet, IDC_HF_SET);
    auto lf = [this](int) { m_model.SelectLF(List(1501)->currentIndex(), List(1521)->currentIndex()); };
    auto hf = [this](int) { m_model.SelectHF(List(1520)->currentIndex(), List(1522)->currentIndex()); };
    connect(List(1501), &QComboBox::currentIndexChanged, this, lf);
    connect(List(1521), &QComboBox::currentIndexChanged, this, lf);
    connect(List(1520), &QComboBox::currentIndexChanged, this, hf);
    connect(List(1522), &QComboBox::currentIndexChanged, this, hf);
    Refresh();
}

QComboBox* CDialogModuleCal::List(int id) const {
    auto it = m_lists.find(id);
    return it == m_lists.end() ? nullptr : it->second;
}

void CDialogModuleCal::ShowValues() {
    for (int i = 0; i < ModuleCalModel::kValueCount; ++i)
        if (m_apEdit[i]->text() != m_model.m_astrEdit[i])
            m_apEdit[i]->setText(m_model.m_astrEdit[i]);
    UpdateCommandUI();
}

namespace {
// The index whose Get or Set button has this id, or -1.
int IndexOf(const int (&ids)[ModuleCalModel::kValueCount], UINT id) {
    for (int i = 0; i < ModuleCalModel::kValueCount; ++i)
        if (UINT(ids[i]) == id)
            return i;
    return -1;
}
} // namespace

void CDialogModuleCal::OnButton(UINT id) {
    if (const int i = IndexOf(kGetId, id); i >= 0)
        OnBnClickedGet(i);
    else if (const int j = IndexOf(kSetId, id); j >= 0)
        OnBnClickedSet(j);
    else if (id == IDC_LF_SET)
        OnBnClickedLFSet();
    else if (id == IDC_HF_SET)
        OnBnClickedHFSet();
}

void CDialogModuleCal::OnUpdateButton(CCmdUI* pCmdUI) {
    // Without a link nothing could be sent; a value nobody read or typed is never written.
    const int set = IndexOf(kSetId, pCmdUI->m_nID);
    pCmdUI->Enable(theApp.IsConnected() && (set < 0 || m_model.IsKnown(set)));
}

void CDialogModuleCal::Refresh() {
    m_model.Refresh();
    for (const ModuleCalModel::CalList& l : ModuleCalModel::Lists()) {
        QComboBox* c = List(l.id);
        const QSignalBlocker block(c);
        c->clear();
        c->addItems(ModuleCalModel::ItemTexts(l));
        c->setCurrentIndex(0);
    }
    ShowValues();
}

void CDialogModuleCal::OnBnClickedGet(int index) {
    m_model.Get(index);
    ShowValues();
}

void CDialogModuleCal::OnBnClickedSet(int index) {
    // What the edit shows, whether or not it has lost the focus.
    m_model.EditChanged(index, m_apEdit[index]->text());
    m_model.Set(index);
}

void CDialogModuleCal::OnEnKillfocusValue(int index) {
    m_model.EditDone(index, m_apEdit[index]->text());
    ShowValues();
}

void CDialogModuleCal::OnStep(int index, int delta) {
    m_model.EditChanged(index, m_apEdit[index]->text());
    m_model.Step(index, delta);
    ShowValues();
}

void CDialogModuleCal::OnBnClickedLFSet() {
    m_model.LFSet();
}

void CDialogModuleCal::OnBnClickedHFSet() {
    m_model.HFSet();
}

LRESULT CDialogModuleCal::OnCalValue(WPARAM wParam, LPARAM lParam) {
    m_model.OnCalValue(std::uint64_t(wParam), std::int64_t(lParam));
    ShowValues();
    return 0;
}

void CDialogModuleCal::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    // Restored from the task bar: not an opening.
    if (!e->spontaneous())
        Refresh();
}

void CDialogModuleCal::hideEvent(QHideEvent* e) {
    QDialog::hideEvent(e);
    // Minimised: not a close.
    if (!e->spontaneous() && !isMinimized())
        Refresh();
}

bool CDialogModuleCal::eventFilter(QObject* watched, QEvent* event) {
    for (int i = 0; i < ModuleCalModel::kValueCount; ++i) {
        if (watched != m_apEdit[i])
            continue;
        if (event->type() == QEvent::FocusOut)
            OnEnKillfocusValue(i);
    }
    return QDialog::eventFilter(watched, event);
}

void CDialogModuleCal::wheelEvent(QWheelEvent* e) {
    for (int i = 0; i < ModuleCalModel::kValueCount; ++i)
        if (m_apEdit[i]->hasFocus()) {
            OnStep(i, e->angleDelta().y() > 0 ? +1 : -1);
            e->accept();
            return;
        }
    QDialog::wheelEvent(e);
}

void CDialogModuleCal::keyPressEvent(QKeyEvent* e) {
    // Enter and Escape never close the dialog; the close box hides it.
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter || e->key() == Qt::Key_Escape) {
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

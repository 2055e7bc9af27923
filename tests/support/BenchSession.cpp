#include "BenchSession.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "TestSupport.h"
#include "app/MarlixExApp.h"
#include "controls/CKbcButton.h"
#include "device/MarlixMFC.h"
#include "mainframe/DialogMarlixIP.h"
#include "mainframe/IPComboBox.h"
#include "mainframe/MainFrm.h"
#include "output/DialogPlayFolderList.h"
#include "output/DumpPlayBar.h"
#include "platform/MsgTarget.h"
#include "platform/Profile.h"
#include "res/resource.h"

namespace {
DeviceState& DS() {
    return g_Marlix.DeviceState;
}
} // namespace

QString PictureFolderFromEnvironment() {
    return qEnvironmentVariable("ZEPHYRA_PICTURES");
}

BenchSession::BenchSession(QString address, QString name)
    : m_address(std::move(address)), m_name(std::move(name)) {}

BenchSession::~BenchSession() {
    StopProgram();
}

bool BenchSession::StartProgram() {
    Profile::SetStorageFolder(m_profileDir.path());
    m_port = PickTestPort();
    PointDiscoveryAt({m_address}, m_port);
    g_Marlix.SetPostSink(&PlatformPostSink());
    if (!theApp.InitInstance())
        return false;
    m_bStarted = true;
    frame = theApp.m_pMainWnd;
    if (!frame)
        return false;
    bar = frame->m_pPlayBar;
    browser = frame->m_pPlayFolderList;
    frame->resize(1280, 860);
    frame->show();
    QApplication::setActiveWindow(frame);
    return bar && browser;
}

void BenchSession::StopProgram() {
    if (!m_bStarted)
        return;
    m_bStarted = false;
    Disconnect();
    m_sim.reset();
    theApp.ExitInstance();
    g_Marlix.SetPostSink(nullptr);
    Profile::SetStorageFolder(QString());
    frame = nullptr;
}

bool BenchSession::StartInstrument(const QStringList& args) {
    m_sim = std::make_unique<SimInstrument>(m_address, m_name, m_port);
    m_sim->SetExtraArgs(args);
    return m_sim->Start();
}

bool BenchSession::Connected() const {
    return DS().m_nConnectState == 2 && m_sim && !Commands(QStringLiteral("MX_CMD_MODE_PARAM_A")).empty() &&
           theApp.m_bGraphCreated[0] == 1 && theApp.m_bGraphCreated[3] == 1 && theApp.m_bGraphCreated[4] == 1;
}

bool BenchSession::ConnectByDeviceList() {
    bool chosen = false;
    auto* poll = new QTimer;
    poll->setInterval(20);
    QObject::connect(poll, &QTimer::timeout, [this, poll, &chosen] {
        auto* dlg = qobject_cast<CDialogMarlixIP*>(QApplication::activeModalWidget());
        if (!dlg)
            return;
        for (int i = 0; i < dlg->m_listIP.topLevelItemCount(); ++i) {
            QTreeWidgetItem* row = dlg->m_listIP.topLevelItem(i);
            if (row->text(0) != m_address)
                continue;
            poll->stop();
            poll->deleteLater();
            const QRect r = dlg->m_listIP.visualItemRect(row);
            QTest::mouseDClick(dlg->m_listIP.viewport(), Qt::LeftButton, {}, QPoint(60, r.center().y()));
            chosen = true;
            return;
        }
    });
    poll->start();
    ::PostMessage(frame->GetSafeHwnd(), WM_COMMAND, ID_CONTROL_CONNECT, 0);
    const bool ok = WaitFor([&] { return chosen && Connected(); }, 30000);
    if (!chosen) {
        poll->stop();
        poll->deleteLater();
        if (auto* dlg = qobject_cast<CDialogMarlixIP*>(QApplication::activeModalWidget()))
            dlg->reject();
    }
    PumpPostedMessages(100);
    return ok;
}

bool BenchSession::ConnectByAddress() {
    frame->GetIPCombo()->setEditText(m_address);
    QTest::keyClick(frame->GetIPCombo()->lineEdit(), Qt::Key_Return);
    const bool ok = WaitFor([&] { return Connected(); }, 30000);
    PumpPostedMessages(100);
    return ok;
}

bool BenchSession::Disconnect() {
    if (!frame)
        return true;
    ::PostMessage(frame->GetSafeHwnd(), WM_COMMAND, ID_CONTROL_DISCONNECT, 0);
    const bool ok =
        WaitFor([this] { return DS().m_nConnectState == 0 && !frame->m_connectSequence.IsPausing(); }, 10000);
    PumpPostedMessages(200);
    return ok;
}

QTreeWidgetItem* BenchSession::Child(QTreeWidgetItem* parent, const QString& text) const {
    return ChildNamed(browser->m_treeFolder, parent, text);
}

bool BenchSession::OpenFolder(const QStringList& path, int minRows) {
    bar->m_btnOpen->Click();
    QTreeWidgetItem* node = nullptr;
    for (const QString& name : path) {
        if (!WaitFor([&] { return Child(node, name) != nullptr; }))
            return false;
        node = Child(node, name);
        QTreeWidget* tree = browser->m_treeFolder;
        tree->scrollToItem(node);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(node).center());
        if (tree->currentItem() != node)
            return false;
    }
    return WaitFor([&] { return browser->m_listFile->topLevelItemCount() >= minRows; });
}

int BenchSession::RowOf(const QString& fileName) const {
    for (int i = 0; i < browser->m_listFile->topLevelItemCount(); ++i)
        if (browser->m_listFile->topLevelItem(i)->text(0) == fileName)
            return i;
    return -1;
}

void BenchSession::ClickRow(int row) {
    QTreeWidget* list = browser->m_listFile;
    list->scrollToItem(list->topLevelItem(row));
    const QRect r = list->visualItemRect(list->topLevelItem(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(120, r.center().y()));
    PumpPostedMessages(50);
}

bool BenchSession::LoadedFile(const QString& name, int timeoutMs) {
    return WaitFor([&] { return bar->m_strFileName == name; }, timeoutMs);
}

bool BenchSession::OpenFiles(const QString& firstName) {
    browser->m_btnOpenFiles->click();
    return LoadedFile(firstName);
}

std::vector<SimLogLine> BenchSession::Commands(const QString& name) const {
    std::vector<SimLogLine> out;
    if (!m_sim)
        return out;
    for (SimLogLine& l : m_sim->Log())
        if (l.name == name)
            out.push_back(std::move(l));
    return out;
}

QImage BenchSession::Picture() const {
    QImage image = frame->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QPainter p(&image);
    const QPoint origin = frame->geometry().topLeft();
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w == frame || !w->isVisible() || !qobject_cast<QDialog*>(w))
            continue;
        // Offscreen windows have no decoration: a title bar and an outline stand in for it.
        const QImage face = w->grab().toImage();
        constexpr int kTitle = 22;
        QRect r(w->geometry().topLeft() - origin, face.size());
        r.adjust(0, -kTitle, 0, 0);
        if (!image.rect().contains(r))
            r.moveCenter(image.rect().center());
        p.fillRect(r.translated(4, 4), QColor(0, 0, 0, 70));
        p.fillRect(QRect(r.topLeft(), QSize(r.width(), kTitle)), QColor(0x2b, 0x57, 0x9a));
        p.setPen(Qt::white);
        p.drawText(QRect(r.left() + 8, r.top(), r.width() - 16, kTitle), Qt::AlignVCenter | Qt::AlignLeft,
                   w->windowTitle());
        p.drawImage(r.left(), r.top() + kTitle, face);
        p.setPen(QColor(0x1a, 0x3a, 0x6a));
        p.drawRect(r.adjusted(0, 0, -1, -1));
    }
    return image;
}

bool BenchSession::SavePicture(const QString& name, const QStringList& folders) const {
    const QImage image = Picture();
    bool ok = !image.isNull();
    for (const QString& folder : folders) {
        if (folder.isEmpty())
            continue;
        QDir().mkpath(folder);
        ok = image.save(QDir(folder).filePath(name + QStringLiteral(".png"))) && ok;
    }
    return ok;
}

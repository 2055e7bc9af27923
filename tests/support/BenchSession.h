// A test engineer's bench session: the whole program (theApp, the main frame and
// its windows, offscreen) against one simulated instrument, driven the way a
// user drives it. Each step waits for what the user would see and says whether
// it came. Shared by the bench-session test, the soak run and the picture script.
#pragma once
#include <QImage>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

#include "SimInstrument.h"
#include "platform/MsgBox.h"

class CMainFrame;
class CDumpPlayBar;
class CDialogPlayFolderList;
class QTreeWidgetItem;
class QWidget;

class BenchSession {
public:
    BenchSession(QString address, QString name);
    ~BenchSession();

    // theApp started with its profile in a folder of its own and discovery
    // pointed at the instrument's address only; the frame shown at a bench size.
    bool StartProgram();
    void StopProgram();

    // The instrument (re)started with these marlix-sim options.
    bool StartInstrument(const QStringList& args = {});
    SimInstrument* Instrument() const { return m_sim.get(); }

    // Control, Connect: the device list, a double click on the instrument's row.
    bool ConnectByDeviceList();
    // The address typed into the toolbar's box, Enter.
    bool ConnectByAddress();
    // Connected: state 2, the whole set-up at the instrument, the graphs made.
    bool Connected() const;
    bool Disconnect();

    // The play bar's Open, then the folders clicked down the tree until the
    // last one lists at least minRows files.
    bool OpenFolder(const QStringList& path, int minRows = 1);
    int RowOf(const QString& fileName) const;
    // A click on a row's check box.
    void ClickRow(int row);
    // Open Files; true once the first file is loaded in the play bar.
    bool OpenFiles(const QString& firstName);
    bool LoadedFile(const QString& name, int timeoutMs = 20000);

    // The instrument's commands of that name, in arrival order.
    std::vector<SimLogLine> Commands(const QString& name) const;

    // The main window as the user sees it: the frame with every visible dialog
    // of the program drawn over it where it stands.
    QImage Picture() const;
    // Saves Picture() as name.png into each folder given; true when every save worked.
    bool SavePicture(const QString& name, const QStringList& folders) const;

    RecordingMessageBoxes boxes;
    CMainFrame* frame = nullptr;
    CDumpPlayBar* bar = nullptr;
    CDialogPlayFolderList* browser = nullptr;

private:
    QTreeWidgetItem* Child(QTreeWidgetItem* parent, const QString& text) const;

    QString m_address, m_name;
    int m_port = 0;
    QTemporaryDir m_profileDir;
    std::unique_ptr<SimInstrument> m_sim;
    bool m_bStarted = false;
};

// Pictures for the README go to this folder when it is set (scripts/screenshots).
QString PictureFolderFromEnvironment();

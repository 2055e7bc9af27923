// The whole program started once for a suite of end-to-end tests: a profile of its
// own, discovery pointed at the suite's simulated instruments on loopback, the
// platform's post sink, then theApp's start-up. Stop undoes it in reverse.
#pragma once
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

#include "SimInstrument.h"
#include "app/MarlixExApp.h"
#include "device/MarlixMFC.h"
#include "platform/MsgBox.h"
#include "platform/MsgTarget.h"
#include "platform/Profile.h"

class ProgramSuite {
public:
    // The port the suite's instruments listen on; 0 when start-up failed.
    static int Start(const QStringList& addresses) {
        State& s = Get();
        // Start-up may report a missing graph library; nothing may wait for a click.
        s.boxes = std::make_unique<RecordingMessageBoxes>();
        s.profile = std::make_unique<QTemporaryDir>();
        Profile::SetStorageFolder(s.profile->path());
        s.port = PickTestPort();
        PointDiscoveryAt(addresses, s.port);
        g_Marlix.SetPostSink(&PlatformPostSink());
        return theApp.InitInstance() ? s.port : 0;
    }
    static void Stop() {
        State& s = Get();
        // A test's own recorder may have replaced the suite's; shut-down's boxes go to the suite's.
        SetMessageBoxHandler(s.boxes.get());
        theApp.ExitInstance();
        g_Marlix.SetPostSink(nullptr);
        Profile::SetStorageFolder(QString());
        s.profile.reset();
        s.boxes.reset();
    }
    static int Port() { return Get().port; }

private:
    struct State {
        std::unique_ptr<RecordingMessageBoxes> boxes;
        std::unique_ptr<QTemporaryDir> profile;
        int port = 0;
    };
    static State& Get() {
        static State s;
        return s;
    }
};

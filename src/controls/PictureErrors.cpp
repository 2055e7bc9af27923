#include "controls/PictureErrors.h"

#include <QSet>
#include <QStringList>
#include <QTimer>

#include "platform/MsgBox.h"

namespace ctl {
namespace {
struct State {
    QSet<QString> reported;
    QStringList pending;
    bool scheduled = false;
};
State& S() {
    static State s;
    return s;
}
} // namespace

void ReportPictureError(const QString& path, const QString& text) {
    State& s = S();
    if (s.reported.contains(path))
        return;
    s.reported.insert(path);
    s.pending << text;
    if (!s.scheduled) {
        s.scheduled = true;
        QTimer::singleShot(0, [] { FlushPictureErrors(); });
    }
}

void FlushPictureErrors() {
    State& s = S();
    s.scheduled = false;
    if (s.pending.isEmpty())
        return;
    const QString text = s.pending.join(QLatin1Char('\n'));
    s.pending.clear();
    MessageBox(nullptr, text, QStringLiteral("CPicture Error"), MB_OK | MB_ICONSTOP);
}

void ResetPictureErrors() {
    State& s = S();
    s.reported.clear();
    s.pending.clear();
}

} // namespace ctl

// Shared helpers for widget tests: a parent window that records what its
// controls post, and event pumping.
#pragma once
#include <QApplication>
#include <QMouseEvent>
#include <QTimer>
#include <QTreeWidget>
#include <QWidget>
#include <functional>
#include <vector>

#include "QtTestMain.h"
#include "platform/MsgTarget.h"

struct PostedMsg {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};

class RecordingParent : public QWidget, public CMsgTarget {
public:
    RecordingParent() : CMsgTarget(this) { resize(400, 300); }
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        msgs.push_back({msg, wParam, lParam});
        if (onMessage)
            onMessage(msg, wParam, lParam);
        return 0;
    }
    std::vector<PostedMsg> Take() {
        PumpPostedMessages();
        auto out = std::move(msgs);
        msgs.clear();
        return out;
    }
    std::vector<PostedMsg> Of(UINT m) {
        std::vector<PostedMsg> out;
        for (const auto& p : Take())
            if (p.msg == m)
                out.push_back(p);
        return out;
    }
    std::vector<PostedMsg> msgs;
    std::function<void(UINT, WPARAM, LPARAM)> onMessage;
};

// The child of parent (a top-level item for none) whose first column reads text.
inline QTreeWidgetItem* ChildNamed(QTreeWidget* tree, QTreeWidgetItem* parent, const QString& text) {
    const int n = parent ? parent->childCount() : tree->topLevelItemCount();
    for (int i = 0; i < n; ++i) {
        QTreeWidgetItem* it = parent ? parent->child(i) : tree->topLevelItem(i);
        if (it->text(0) == text)
            return it;
    }
    return nullptr;
}

// Counts the events of one type that an object it filters gets.
struct EventCounter : QObject {
    explicit EventCounter(QEvent::Type t) : type(t) {}
    bool eventFilter(QObject*, QEvent* e) override {
        count += e->type() == type;
        return false;
    }
    QEvent::Type type;
    int count = 0;
};

// The left button at p on w: pressed, moved while held, or released.
inline void LeftButton(QWidget* w, QEvent::Type t, QPointF p) {
    QMouseEvent e(t, p, w->mapToGlobal(p), Qt::LeftButton,
                  t == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

inline void ShowAndFocus(QWidget* top) {
    top->show();
    QApplication::setActiveWindow(top);
    top->activateWindow();
    QCoreApplication::processEvents();
}

// Runs act on the first modal dialog of type T once it is open (the caller then
// starts what opens it and runs its modal loop).
template <class T> void WhenModal(std::function<void(T*)> act) {
    auto* poll = new QTimer;
    poll->setInterval(20);
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        auto* dlg = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!dlg)
            return;
        poll->stop();
        poll->deleteLater();
        act(dlg);
    });
    poll->start();
}

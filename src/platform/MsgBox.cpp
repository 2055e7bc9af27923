#include "MsgBox.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>

#include "MsgTarget.h"

namespace {

class RealMessageBoxes : public IMessageBoxHandler {
public:
    int Show(HWND owner, const QString& text, const QString& caption, UINT type) override {
        QMessageBox box(WidgetFromHandle(owner));
        box.setText(text);
        box.setWindowTitle(caption.isEmpty() ? QApplication::applicationName() : caption);
        switch (type & 0xF0) {
        case MB_ICONERROR:
            box.setIcon(QMessageBox::Critical);
            break;
        case MB_ICONQUESTION:
            box.setIcon(QMessageBox::Question);
            break;
        case MB_ICONWARNING:
            box.setIcon(QMessageBox::Warning);
            break;
        case MB_ICONINFORMATION:
            box.setIcon(QMessageBox::Information);
            break;
        default:
            break;
        }
        switch (type & 0x0F) {
        case MB_OKCANCEL:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            break;
        case MB_YESNOCANCEL:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            break;
        case MB_YESNO:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            break;
        default:
            box.setStandardButtons(QMessageBox::Ok);
            break;
        }
        // exec() runs a local loop: posted device messages keep flowing while the box is up.
        switch (box.exec()) {
        case QMessageBox::Ok:
            return IDOK;
        case QMessageBox::Yes:
            return IDYES;
        case QMessageBox::No:
            return IDNO;
        default:
            return IDCANCEL;
        }
    }
};

IMessageBoxHandler* g_handler = nullptr;

IMessageBoxHandler& Handler() {
    static RealMessageBoxes real;
    return g_handler ? *g_handler : real;
}

} // namespace

void SetMessageBoxHandler(IMessageBoxHandler* handler) {
    g_handler = handler;
}

int MessageBox(HWND owner, const QString& text, const QString& caption, UINT type) {
    return Handler().Show(owner, text, caption, type);
}

int AfxMessageBox(const QString& text, UINT type) {
    return Handler().Show(nullptr, text, QString(), type);
}

IMessageBoxHandler* GetMessageBoxHandler() {
    return g_handler;
}

RecordingMessageBoxes::RecordingMessageBoxes() : m_pPrevious(g_handler) {
    SetMessageBoxHandler(this);
}

RecordingMessageBoxes::~RecordingMessageBoxes() {
    if (g_handler == this)
        SetMessageBoxHandler(m_pPrevious);
}

int RecordingMessageBoxes::Show(HWND, const QString& text, const QString& caption, UINT type) {
    boxes.push_back({text, caption, type});
    if (echo)
        fprintf(stderr, "[message box] %s\n", qPrintable(text));
    Box box = boxes.back();
    if (pumpMs > 0)
        PumpPostedMessages(pumpMs);
    if (whileOpen)
        whileOpen(box);
    return answer;
}

bool RecordingMessageBoxes::Contains(const QString& text) const {
    return Count(text) > 0;
}

int RecordingMessageBoxes::Count(const QString& text) const {
    int n = 0;
    for (const auto& b : boxes)
        n += (b.text == text);
    return n;
}

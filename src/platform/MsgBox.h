// Every message box of the program goes through here, so tests can record and
// answer them.
#pragma once
#include <QString>
#include <functional>
#include <vector>

#include "winbase/WinTypes.h"

constexpr UINT MB_OK = 0x0;
constexpr UINT MB_OKCANCEL = 0x1;
constexpr UINT MB_YESNOCANCEL = 0x3;
constexpr UINT MB_YESNO = 0x4;
constexpr UINT MB_ICONERROR = 0x10;
constexpr UINT MB_ICONSTOP = 0x10;
constexpr UINT MB_ICONQUESTION = 0x20;
constexpr UINT MB_ICONWARNING = 0x30;
constexpr UINT MB_ICONEXCLAMATION = 0x30;
constexpr UINT MB_ICONINFORMATION = 0x40;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

class IMessageBoxHandler {
public:
    virtual ~IMessageBoxHandler() = default;
    virtual int Show(HWND owner, const QString& text, const QString& caption, UINT type) = 0;
};

// nullptr puts the real (modal QMessageBox) handler back.
void SetMessageBoxHandler(IMessageBoxHandler* handler);
int MessageBox(HWND owner, const QString& text, const QString& caption, UINT type);
int AfxMessageBox(const QString& text, UINT type = MB_OK);

// Test handler: records each box and answers it. While a box is "open" it can let
// posted messages run (as a real modal loop would) for `pumpMs` milliseconds, and
// run a hook (to act while the box is up).
// Installing one replaces the current handler; destroying it puts that one back.
class RecordingMessageBoxes : public IMessageBoxHandler {
public:
    struct Box {
        QString text;
        QString caption;
        UINT type;
    };
    RecordingMessageBoxes();
    ~RecordingMessageBoxes() override;
    int Show(HWND owner, const QString& text, const QString& caption, UINT type) override;

    std::vector<Box> boxes;
    int answer = IDOK;
    int pumpMs = 0;
    std::function<void(const Box&)> whileOpen;
    bool echo = false; // also print each box to stderr
    bool Contains(const QString& text) const;
    int Count(const QString& text) const;

private:
    IMessageBoxHandler* m_pPrevious = nullptr;
};

IMessageBoxHandler* GetMessageBoxHandler();

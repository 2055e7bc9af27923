// The play time dialog: six digit cells for HH:MM:SS and Apply, which seeks the
// file being played there. Owned by the play bar, created hidden, hidden again
// when closed.
#pragma once
#include <QDialog>
#include <array>

#include "platform/MsgTarget.h"

class CBitmapSlider;
class CDumpPlayBar;
class QPushButton;

class CDialogPlayTimeSet : public QDialog, public CMsgTarget {
    Q_OBJECT
    DECLARE_MESSAGE_MAP()
public:
    static constexpr UINT kIdFirstDigit = 1576; // .. 1581
    static constexpr UINT kIdApply = 1575;
    static constexpr UINT kDigitHighlight = 467;
    static constexpr UINT kDigitNormal = 480;

    explicit CDialogPlayTimeSet(CDumpPlayBar* owner, QWidget* parent = nullptr);

    void ResetDigits();
    void OnApply();

    std::array<CBitmapSlider*, 6> m_digitCells{};
    std::array<int, 6> m_anDigits{};
    CDumpPlayBar* m_pOwner = nullptr;
    QPushButton* m_pApply = nullptr;

    int CellIndex(UINT id) const;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void InitDigits();
    void ShowDigit(int cell, int value, bool highlighted);
    LRESULT OnDigitMoved(WPARAM wParam, LPARAM lParam);
    LRESULT OnDigitStep(WPARAM wParam, LPARAM lParam);
    LRESULT OnDigitLeave(WPARAM wParam, LPARAM lParam);
    LRESULT OnCloseMessage(WPARAM, LPARAM);
    // Left/Right move between the cells; true when the key was taken.
    bool MoveFocus(QWidget* from, bool right);
};

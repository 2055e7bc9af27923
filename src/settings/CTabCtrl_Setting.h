// The settings dialog's tab control: owns the four pages and applies, reverts
// and shows them.
#pragma once
#include <QTabWidget>

class CDialogSetting_Play;
class CDialogSetting_Viewer;
class CDialogSetting_System;
class CDialogSetting_Graph;

class CTabCtrl_Setting : public QTabWidget {
    Q_OBJECT
public:
    enum { IDC_TAB = 1049 };
    static constexpr int kPageCount = 4;

    explicit CTabCtrl_Setting(QWidget* parent = nullptr);

    void InitPages();
    // Shows and focuses page `index` (0 Play, 1 Viewer, 2 System, 3 Graph).
    void SelectPage(int index);
    void ApplyAll();
    void ApplyCurrentPage();
    void RevertAll();
    void LoadAllPages();
    // The instrument's pages commit only over a link, or the page would show
    // and keep values that never reached it; the colours are the program's own.
    static bool PageNeedsLink(int index) { return index != 3; }
    bool CanApplyPage(int index) const;

    int m_nCurPage = 0;
    int m_nPageCount = kPageCount;
    CDialogSetting_Play* m_pPlay = nullptr;
    CDialogSetting_Viewer* m_pViewer = nullptr;
    CDialogSetting_System* m_pSystem = nullptr;
    CDialogSetting_Graph* m_pGraph = nullptr;

private:
    void ApplyPage(int index);
};

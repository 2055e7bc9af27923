// The transport bar at the bottom of the main window: Open shows the file
// browser, Play/Stop/Prev/Next drive the current play-list item, a seek slider
// and two HH:MM:SS rows show and set the position, Repeat, and TimeSet opens the
// play time dialog. It is the reply window of its play commands, so the
// instrument's position reports come back here.
#pragma once
#include <QString>
#include <QWidget>
#include <array>
#include <cstdint>

#include "controls/CFontCtrl.h"
#include "output/PlayBarRules.h"
#include "platform/MsgTarget.h"

class CBitmapSlider;
class CDialogPlayFolderList;
class CDialogPlayTimeSet;
class CKbcButton;
class QCheckBox;
class QLabel;
class QTimer;

class CDumpPlayBar : public QWidget, public CMsgTarget {
    Q_OBJECT
    DECLARE_MESSAGE_MAP()
public:
    static constexpr UINT kIdOpen = 1169, kIdPlay = 1170, kIdStop = 1171, kIdPrev = 1172, kIdNext = 1173,
                          kIdTimeSet = 1174, kIdSeek = 1219, kIdRepeat = 1490, kIdFileName = 1218,
                          kIdDescription = 1220;
    static constexpr UINT kDigitBase = 390;
    static constexpr int kJumpPauseMs = 500;
    using InfoLabel = CColorCtrl<CFontCtrlEx<CStatic, 1, 16>>;

    explicit CDumpPlayBar(QWidget* parent = nullptr);
    ~CDumpPlayBar() override;

    // The browser whose play list the bar plays (the main frame's one instance).
    void SetBrowser(CDialogPlayFolderList* browser);
    CDialogPlayFolderList* Browser() const { return m_pBrowser; }

    void LoadButtonBitmaps();
    void ClearFile();
    void LoadFile();
    void ShowFileInfo();
    void SetTimeDigits(int row, std::uint32_t seconds);
    // The play position of a measurement block on the position row.
    void ShowPlayPosition(std::uint32_t seconds);
    void OnPlayFinished();
    void ResetAll();
    void ResetPlaySettings();

    void OnOpen();
    void OnPlay();
    void OnStop();
    void OnPrev();
    void OnNext();
    void OnTimeSet();
    void OnRepeat();

    // For the play time dialog: a file is loaded, its total time as the seek
    // slider spans it, and a seek there.
    bool HasFile() const;
    std::int32_t TotalSec() const { return m_nTotalSec; }
    void SeekFromTimeSet(std::int32_t seconds);
    std::size_t PlayListSize() const;
    // The browser's play list was emptied or made anew.
    void OnPlayListChanged();
    // The instrument renamed the file at oldPath: the bar follows when it is the loaded file.
    void OnFileRenamed(const QString& oldPath, const QString& newPath, const QString& name,
                       const QString& description);

    // The digits a row shows now (0 position, 1 total).
    std::array<int, 6> RowDigits(int row) const;
    bool JumpPending() const;

    std::array<CKbcButton*, 6> m_aButtons{}; // Open, Play, Stop, Prev, Next, TimeSet
    CKbcButton*& m_btnOpen = m_aButtons[0];
    CKbcButton*& m_btnPlay = m_aButtons[1];
    CKbcButton*& m_btnStop = m_aButtons[2];
    CKbcButton*& m_btnPrev = m_aButtons[3];
    CKbcButton*& m_btnNext = m_aButtons[4];
    CKbcButton*& m_btnTimeSet = m_aButtons[5];
    QString m_strImgPath;
    InfoLabel* m_txtFileName = nullptr;
    InfoLabel* m_txtDescription = nullptr;
    QString m_strDescription;
    QString m_strFileName;
    QString m_strFilePath; // the loaded file's path on the instrument
    std::int64_t m_llFileSize = 0;
    std::int32_t m_nTotalSec = 0;
    std::int32_t m_nCurPos = 0;
    CBitmapSlider* m_sliderSeek = nullptr;
    std::array<CBitmapSlider*, 6> m_aTotalCells{};
    std::array<CBitmapSlider*, 6> m_aPosCells{};
    QCheckBox* m_chkRepeat = nullptr;
    CDialogPlayTimeSet* m_pTimeSetDlg = nullptr;

protected:
    void paintEvent(QPaintEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void ApplyLooks(const PlayBarRules::ButtonLooks& looks);
    void SetLook(CKbcButton* b, PlayBarRules::Look look);
    void Send(const PlayBarRules::Command& c);
    void SendInt(MX_CMD_ID_e id, std::int32_t v);
    void SetSeekRange(std::int32_t total);
    void Jump(UINT message);
    void CancelJump();
    void EndJumpLooks();
    void StartPlay(std::int32_t startSec);
    bool SeekHeld() const;
    void SetDescription(const QString& text);
    LRESULT OnSliderMoved(WPARAM wParam, LPARAM lParam);
    LRESULT OnSliderMoving(WPARAM wParam, LPARAM lParam);
    LRESULT OnPlayPosition(WPARAM wParam, LPARAM lParam);
    LRESULT OnSampleClockChanged(WPARAM wParam, LPARAM lParam);

    CDialogPlayFolderList* m_pBrowser = nullptr;
    // A play the bar started and that neither a stop, a step, the file's end,
    // a new file nor a reset has ended since.
    bool m_bPlaying = false;
    QTimer* m_pJumpTimer = nullptr;
    UINT m_nJumpMessage = 0;
    QImage m_bmpBackground;
};

// The wait box: shown while the instrument changes its modulation mode. Its text
// grows a row of dots, keys cannot close it, and it closes itself after 300 s.
#pragma once
#include <QDialog>
#include <QString>
#include <cstdint>

#include "platform/MsgTarget.h"

class QLabel;

class CDialogWaitMessage : public QDialog, public CMsgTarget {
    Q_OBJECT
    DECLARE_MESSAGE_MAP()
public:
    static constexpr UINT_PTR kDotTimer = 1;
    static constexpr UINT_PTR kCloseTimer = 101;
    static constexpr UINT kCloseAfterMs = 300000;

    explicit CDialogWaitMessage(QWidget* parent = nullptr);

    std::uint32_t m_nDots = 0; // kept between showings
    std::uint32_t m_nMaxDots = 10;
    std::uint32_t m_nPeriodMs = 300;
    QString m_strText = QStringLiteral("Changing modulation mode");
    QString m_strDot = QStringLiteral(".");
    int m_nMode = 0;

    // The dot count after one tick of the dot timer.
    static std::uint32_t NextDots(std::uint32_t dots, std::uint32_t maxDots);
    QString CurrentText() const;
    QLabel* TextControl() const { return m_pText; }

    // Runs the box modally; returns when it closes.
    int DoModal();
    void OnTimer(UINT_PTR nIDEvent) override;

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    BOOL OnInitDialog();
    LRESULT OnCloseMessage(WPARAM, LPARAM);
    QLabel* m_pText = nullptr;
};

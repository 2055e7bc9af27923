// Button that shows nothing but a colour, framed by a one-pixel line. It looks
// the same in every state; a click is an ordinary button click.
#pragma once
#include <QAbstractButton>

#include "controls/ColorRef.h"
#include "platform/MsgTarget.h"

class CPalette;

class CMyButtonColor : public QAbstractButton, public CMsgTarget {
    Q_OBJECT
public:
    explicit CMyButtonColor(QWidget* parent = nullptr);
    ~CMyButtonColor() override;

    // Written by the owner; shown after the owner repaints the button.
    COLORREF m_crColor = 0;
    // The owner's palette; a true-colour surface needs no realising, so it is kept only.
    CPalette* m_pPalette = nullptr;

protected:
    void paintEvent(QPaintEvent* e) override;
};

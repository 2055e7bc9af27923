// Labels with their own font (style bits and height) and, for CColorCtrl, their
// own text and background colours, background picture and blinking.
#pragma once
#include <QEvent>
#include <QFont>
#include <QLabel>
#include <QPixmap>
#include <QTimerEvent>

#include "controls/ColorRule.h"

using CStatic = QLabel;

namespace ctl {
constexpr DWORD FONT_BOLD = 1;
constexpr DWORD FONT_ITALIC = 2;
constexpr DWORD FONT_UNDERLINE = 4;
constexpr DWORD FONT_STRIKEOUT = 8;

// The font rule: removing wins over adding; height 0 keeps the height.
inline QFont BuildLabelFont(QFont f, DWORD add, DWORD remove, int height) {
    if (add & FONT_BOLD)
        f.setWeight(QFont::Bold);
    if (remove & FONT_BOLD)
        f.setWeight(QFont::Normal);
    if (add & FONT_ITALIC)
        f.setItalic(true);
    if (remove & FONT_ITALIC)
        f.setItalic(false);
    if (remove & FONT_UNDERLINE)
        f.setUnderline(false);
    else if (add & FONT_UNDERLINE)
        f.setUnderline(true);
    if (remove & FONT_STRIKEOUT)
        f.setStrikeOut(false);
    else if (add & FONT_STRIKEOUT)
        f.setStrikeOut(true);
    if (height != 0)
        f.setPixelSize(height < 0 ? -height : height);
    return f;
}
} // namespace ctl

template <class Base> class CFontCtrl : public Base {
public:
    using Base::Base;

    // Rebuilds the font from the style bits and sets it (the binding does this).
    void ApplyFont() {
        if (m_dwAddStyle == 0 && m_dwRemoveStyle == 0 && m_nFontHeight == 0) {
            if (m_bFontMade)
                this->setFont(m_font);
            return;
        }
        const QFont from = m_bFontMade ? m_font : this->font();
        m_font = ctl::BuildLabelFont(from, m_dwAddStyle, m_dwRemoveStyle, m_nFontHeight);
        m_bFontMade = true;
        this->setFont(m_font);
    }
    virtual void PreSubclassWindow() { ApplyFont(); }

    QFont m_font;
    DWORD m_dwAddStyle = 0;
    DWORD m_dwRemoveStyle = 0;
    int m_nFontHeight = 0;

protected:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::Polish && !m_bPolished) {
            m_bPolished = true;
            OnFirstPolish();
        }
        return Base::event(e);
    }
    virtual void OnFirstPolish() { ApplyFont(); }

    bool m_bFontMade = false;
    bool m_bPolished = false;
};

template <class Base, DWORD Add, int Height> class CFontCtrlEx : public CFontCtrl<Base> {
public:
    template <class... A> explicit CFontCtrlEx(A&&... a) : CFontCtrl<Base>(std::forward<A>(a)...) {
        this->m_dwAddStyle = Add;
        this->m_dwRemoveStyle = 0;
        this->m_nFontHeight = Height;
    }
};

template <class Base> class CColorCtrl : public Base {
public:
    template <class... A> explicit CColorCtrl(A&&... a) : Base(std::forward<A>(a)...) {}
    ~CColorCtrl() override {
        if (m_nTimerId)
            this->killTimer(m_nTimerId);
    }

    void PreSubclassWindow() override {
        StartBlinkIfWanted();
        Base::PreSubclassWindow();
        OnCtlColor();
    }

    // The colour rule for this label; applies the outcome to the widget and
    // returns whether a brush of its own was chosen.
    bool OnCtlColor(int ctlType = ctl::CTLCOLOR_STATIC) {
        const int i = m_nBlinkState ? 1 : 0;
        const DWORD text = m_bBlinkText ? m_crBlinkText[i] : m_crTextColor;
        const DWORD bk = m_bBlinkBk ? m_crBlinkBk[i] : m_crBkColor;
        const QPixmap& bmp = m_bBlinkBk ? m_bmpBlinkBk[i] : m_bmpBk;
        const auto c = ctl::ChooseCtlColor(text, bk, !bmp.isNull(), ctlType, m_bNearestColor, m_bOpaque);
        if (!c) {
            this->setPalette(QPalette());
            this->setAutoFillBackground(false);
            m_bHasBrush = false;
            return false;
        }
        QPalette pal = this->palette();
        const QBrush brush = c->patternBrush ? QBrush(bmp) : QBrush(ctl::FromColorRef(c->background));
        pal.setBrush(QPalette::Window, brush);
        pal.setBrush(QPalette::Base, brush);
        pal.setColor(QPalette::WindowText, ctl::FromColorRef(c->text));
        pal.setColor(QPalette::Text, ctl::FromColorRef(c->text));
        this->setPalette(pal);
        this->setAutoFillBackground(true);
        m_bHasBrush = true;
        return true;
    }

    UINT_PTR m_nTimerId = 0;
    int m_nBlinkState = 0;
    int m_nBlinkPeriod = 1000;
    BOOL m_bBlinkText = 0;
    BOOL m_bBlinkBk = 0;
    BOOL m_bNearestColor = 0;
    BOOL m_bOpaque = 0;
    DWORD m_crTextColor = 0xFF000000u;
    DWORD m_crBlinkText[2] = {0xFF000000u, 0xFF000000u};
    DWORD m_crBkColor = 0xFF000000u;
    QPixmap m_bmpBk;
    DWORD m_crBlinkBk[2] = {0xFF000000u, 0xFF000000u};
    QPixmap m_bmpBlinkBk[2];
    bool m_bHasBrush = false;

protected:
    void OnFirstPolish() override {
        Base::OnFirstPolish();
        StartBlinkIfWanted();
        OnCtlColor();
    }
    void timerEvent(QTimerEvent* e) override {
        if (m_nTimerId != 0 && static_cast<UINT_PTR>(e->timerId()) == m_nTimerId) {
            if (m_bBlinkText || m_bBlinkBk) {
                m_nBlinkState = 1 - m_nBlinkState;
                OnCtlColor();
                this->update();
            }
            return;
        }
        Base::timerEvent(e);
    }

private:
    void StartBlinkIfWanted() {
        if (m_nTimerId == 0 && (m_bBlinkText || m_bBlinkBk))
            m_nTimerId = static_cast<UINT_PTR>(this->startTimer(m_nBlinkPeriod > 0 ? m_nBlinkPeriod : 1000));
    }
};

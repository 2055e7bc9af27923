// The MDI area of the main frame: black, with the logo where no child covers it.
#pragma once
#include <QImage>
#include <QMdiArea>
#include <functional>

class CMdiClient : public QMdiArea {
    Q_OBJECT
public:
    // origin: where the logo goes, worked out by the frame.
    CMdiClient(const QImage* background, std::function<QPoint()> origin, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    const QImage* m_pBackground;
    std::function<QPoint()> m_fnOrigin;
};

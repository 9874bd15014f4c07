#pragma once
// A ring around the control that has the keyboard focus, drawn over the
// window so that every control shows it whatever its own style sheet draws,
// sliders and tabs included. It has a light outer and a dark inner line:
// no single colour stands out against both the window's greys and its
// orange, but one of the two lines always does.

#include <QColor>
#include <QPointer>
#include <QWidget>

class FocusRing : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kLineWidth = 2;
    static QColor outerColour() { return QColor(255, 255, 255); }
    static QColor innerColour() { return QColor(0, 0, 0); }

    // Covers `window`, which it follows.
    explicit FocusRing(QWidget* window);

    // The ring's outer edge in the window's coordinates; empty when no
    // control of the window has the focus.
    QRect ringRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void follow(QWidget* focused);
    void watchTarget(bool watch);
    void redraw();

    QPointer<QWidget> m_target;
    QRect m_drawn;
};

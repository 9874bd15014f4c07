#pragma once
// The Velumix logo (the emblem of five equaliser bars forming a V, and the
// word mark "VELUMIX"), drawn as vector shapes and text at the screen's own
// scale, so it is sharp at 1.5x and 2x where a picture would be soft. The
// same drawing as resources/art/brand.py, which the pictures no longer carry.

#include <QColor>
#include <QWidget>

class LogoMark : public QWidget
{
public:
    struct Look
    {
        qreal emblemHeight;
        qreal textSize; // pixels
        QColor emblemColour;
        QColor textColour;
    };
    // The emblem's top-left corner lies at `origin` in the widget.
    LogoMark(const Look& look, QPointF origin, QWidget* parent);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Look m_look;
    QPointF m_origin;
};

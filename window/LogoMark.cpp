#include "LogoMark.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QtMath>

namespace {

// Bar heights as fractions of the emblem height, left to right (brand.py).
constexpr qreal kBars[] = {1.0, 0.68, 0.42, 0.68, 1.0};

QFont wordMarkFont(qreal size)
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(qRound(size));
    font.setBold(true);
    font.setLetterSpacing(QFont::AbsoluteSpacing, size * 0.12);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

} // namespace

LogoMark::LogoMark(const Look& look, QPointF origin, QWidget* parent)
    : QWidget(parent), m_look(look), m_origin(origin)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_TranslucentBackground);
    resize(sizeHint());
}

QSize LogoMark::sizeHint() const
{
    const qreal height = m_look.emblemHeight;
    const qreal emblemWidth = 5 * height * 0.15 + 4 * height * 0.075;
    const QFontMetricsF metrics(wordMarkFont(m_look.textSize));
    const qreal width = emblemWidth + height * 0.4 + metrics.horizontalAdvance("VELUMIX");
    return QSize(qCeil(m_origin.x() + width + 2),
                 qCeil(m_origin.y() + height + metrics.descent() + 1));
}

void LogoMark::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const qreal height = m_look.emblemHeight;
    const qreal barWidth = height * 0.15;
    const qreal gap = height * 0.075;
    painter.setPen(Qt::NoPen);
    painter.setBrush(m_look.emblemColour);
    qreal x = m_origin.x();
    for (const qreal fraction : kBars) {
        const qreal barHeight = height * fraction;
        painter.drawRoundedRect(QRectF(x, m_origin.y() + height - barHeight, barWidth, barHeight),
                                barWidth / 2, barWidth / 2);
        x += barWidth + gap;
    }
    const qreal emblemWidth = 5 * barWidth + 4 * gap;
    painter.setFont(wordMarkFont(m_look.textSize));
    painter.setPen(m_look.textColour);
    painter.drawText(QPointF(m_origin.x() + emblemWidth + height * 0.4, m_origin.y() + height),
                     QStringLiteral("VELUMIX"));
}

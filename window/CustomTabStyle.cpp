#include "CustomTabStyle.h"

#include <QPainter>

void CustomTabStyle::drawItemText(QPainter* painter, const QRect& rect, int, const QPalette& pal,
                                  bool enabled, const QString& text,
                                  QPalette::ColorRole textRole) const
{
    painter->save();
    painter->translate(10.0, 0.0);
    // The generic drawing, not the proxied style's: the alignment is ours.
    QStyle::drawItemText(painter, rect, Qt::AlignLeft | Qt::AlignVCenter, pal, enabled, text,
                         textRole);
    painter->restore();
}

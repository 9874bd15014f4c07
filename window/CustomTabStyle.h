#pragma once
#include <QProxyStyle>

// The tab bar's style: item texts left-aligned, vertically centred and 10
// pixels in from the left, whatever alignment was asked for.
class CustomTabStyle : public QProxyStyle
{
public:
    CustomTabStyle() = default;
    ~CustomTabStyle() override = default;
    void drawItemText(QPainter* painter, const QRect& rect, int flags, const QPalette& pal,
                      bool enabled, const QString& text,
                      QPalette::ColorRole textRole = QPalette::NoRole) const override;
};

#include "ElidedButtonText.h"

#include <QEvent>
#include <QHelpEvent>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QToolTip>

namespace {

// What QRadioButton itself hands its style, with the text as drawn.
QStyleOptionButton radioOption(const QRadioButton& radio)
{
    QStyleOptionButton option;
    option.initFrom(&radio);
    option.text = radio.text();
    option.icon = radio.icon();
    option.iconSize = radio.iconSize();
    if (radio.isDown())
        option.state |= QStyle::State_Sunken;
    option.state |= radio.isChecked() ? QStyle::State_On : QStyle::State_Off;
    return option;
}

class ElidingFilter : public QObject
{
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* radio = qobject_cast<QRadioButton*>(watched);
        if (!radio)
            return false;
        if (event->type() == QEvent::Paint) {
            paintElided(*radio);
            return true;
        }
        if (event->type() == QEvent::ToolTip && radio->toolTip().isEmpty()) {
            const QString shown = shownText(*radio);
            if (shown == radio->text())
                return false;
            // "&&" in a button's text draws one '&'; a tooltip draws what it gets.
            const QString whole = QString(radio->text()).replace(QLatin1String("&&"), "&");
            QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), whole, radio);
            return true;
        }
        return false;
    }

private:
    static void paintElided(QRadioButton& radio)
    {
        QStyleOptionButton option = radioOption(radio);
        option.text = shownText(radio);
        QStylePainter painter(&radio);
        painter.drawControl(QStyle::CE_RadioButton, option);
    }
};

} // namespace

// Shortened to the space the style gives the text beside the indicator.
QString shownText(const QRadioButton& radio)
{
    const QStyleOptionButton option = radioOption(radio);
    const QRect space =
        radio.style()->subElementRect(QStyle::SE_RadioButtonContents, &option, &radio);
    return radio.fontMetrics().elidedText(radio.text(), Qt::ElideRight, space.width());
}

void elideLongTexts(const QList<QRadioButton*>& buttons, QObject* owner)
{
    auto* filter = new ElidingFilter(owner);
    for (QRadioButton* button : buttons)
        button->installEventFilter(filter);
}

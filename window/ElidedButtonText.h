#pragma once
// Texts the user chooses, such as custom mode names, can be longer than the
// button that shows them. These buttons keep their whole text (code that
// reads it still gets the whole name) but draw it shortened with "…" when it
// does not fit, and show it whole as a tooltip.

#include <QList>
#include <QString>

class QObject;
class QRadioButton;

// The button's text as drawn: whole when it fits, else shortened with "…".
QString shownText(const QRadioButton& button);

// The buttons' painting and tooltips are taken over by a filter owned by `owner`.
void elideLongTexts(const QList<QRadioButton*>& buttons, QObject* owner);

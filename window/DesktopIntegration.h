#pragma once
// The window on a Linux desktop: the faces the form names, a window of fixed
// size on a screen with fractional scaling, and bringing it forward.

#include <QSize>
#include <QString>

class QWidget;

// The faces the form names (Arial, BankGothic Lt BT) are not free; fontconfig
// serves free faces of Debian's font packages in their place, and the
// application font is the form's body face at the form's pixel size.
void useFreeFacesForForm();
// The face that stands in for one the form names, as the font database
// resolves it.
QString faceServedFor(const QString& formFamily);

// The factor (at most 1) that shrinks a window of the given size, with a
// margin for the desktop's panels, into the available area of its screen.
qreal shrinkToFit(const QSize& available, const QSize& window);

// Shows the window in front, from the tray or from the task bar. On Wayland,
// where a client can neither un-minimise nor raise its own window (Qt 5.15
// has no xdg-activation), a window still shown is hidden first: shown anew,
// it is a new toplevel, which the compositor maps in front.
void bringWindowForward(QWidget& window);
// True when the program runs on a Wayland compositor (Qt's wayland platforms).
bool onWayland();

#pragma once
// The window's two looks. The default look is the window's own palette. The
// high-contrast look meets WCAG AA everywhere (4.5:1 for text, 3:1 for large
// text, icons and the focus ring): the greys of texts are lighter, the
// orange and red under white text and icons darker, and the back arrow is
// the white one. Both come from the same style sheets: the high-contrast
// look is the default one with those colours and pictures replaced. The
// pictures with texts drawn in them (the equaliser's scale, the start
// screen) have a high-contrast copy of their own.
//
// The look in use is the one the person chose (the tray menu or
// --high-contrast; remembered in the program's settings), else the one the
// desktop asks for, where it says: at start, and whenever the desktop's
// setting changes.

#include <QObject>
#include <QString>

class QDBusVariant;
class QLabel;
class QWidget;

#include <optional>

namespace look {

// The person's remembered choice; none until they made one.
std::optional<bool> chosenHighContrast();
void rememberHighContrast(bool on);
// Whether the desktop asks for high contrast: the settings portal's
// "contrast" and, behind it, GNOME's own high-contrast switch. False where
// no desktop says.
bool desktopAsksHighContrast();
// The person's choice, else the desktop's: `desktopAsks` where the desktop
// has just said, else asked of it now.
bool highContrastWanted(std::optional<bool> desktopAsks = std::nullopt);

// Tells while the program runs when the desktop starts or stops asking for
// high contrast: the settings portal's SettingChanged of the settings read
// at start, read the same way.
class DesktopContrast : public QObject
{
    Q_OBJECT

public:
    explicit DesktopContrast(QObject* parent = nullptr);

signals:
    void desktopAsksHighContrastChanged(bool asks);

private slots:
    void settingChanged(const QString& space, const QString& key, const QDBusVariant& value);
};

bool highContrast();
void setHighContrast(bool on);

// A style sheet as the look in use draws it.
QString inLook(const QString& sheet);
// The same for the other look, whichever is in use.
QString inHighContrast(const QString& sheet);

// Gives the widget its own `sheet` as the look in use draws it, and again
// whenever the look changes.
void setStyleSheet(QWidget* widget, const QString& sheet);
// Shows the picture at `path` on `label` as the look in use draws it: the
// high-contrast look has its own of the pictures with small texts in them.
// The label follows when the look changes.
void setPixmap(QLabel* label, const QString& path);
// Switches the look: every sheet and picture given above follows; the
// application's sheet is its owner's to set again.
void switchTo(bool highContrast);

} // namespace look

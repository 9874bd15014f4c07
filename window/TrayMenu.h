#pragma once
// The tray icon and its menu: the modes of the page shown and the
// microphone settings, checked as the session has them, between "Home Page"
// and "High contrast" (the look in use) and "Quit". The menu follows the
// session's change signals, and is complete from the start.

#include <QObject>
#include <QSystemTrayIcon>

#include <functional>
#include <vector>

class AutomaticModes;
class HeadsetSession;
class QAction;
class QMenu;
class QWidget;

class TrayMenu : public QObject
{
    Q_OBJECT

public:
    TrayMenu(HeadsetSession& session, QWidget* window);

    QSystemTrayIcon* icon() const { return m_icon; }
    QMenu* menu() const { return m_menu; }
    // Brings the icon back after the window came out of the tray for a headset.
    void showIcon();
    // Adds "Automatic modes..." before Quit, and the rule in force to the
    // tooltip ("FPS for steam").
    void followAutomaticModes(AutomaticModes& automatic);
    QAction* automaticModesAction() const { return m_automaticModes; }
    // Checks "High contrast" while the window has that look, whoever chose it.
    void showLook(bool highContrast);

signals:
    void showWindowRequested();
    void quitRequested();
    void automaticModesRequested();
    // The person switched the high-contrast look on or off.
    void highContrastChosen(bool on);

private:
    // One entry and what choosing it asks of the session. A choice without
    // one stands for a separator.
    struct Choice
    {
        QString text;
        bool checked = false;
        std::function<void()> choose;
    };
    std::vector<Choice> choices() const;
    std::vector<Choice> modeChoices() const;
    std::vector<Choice> microphoneChoices() const;
    QString toolTip() const;
    QStringList shownState(const std::vector<Choice>& choices) const;
    void follow();
    void rebuild();
    QAction* choiceAction(int index);

    HeadsetSession& m_session;
    QSystemTrayIcon* m_icon;
    QMenu* m_menu;
    QAction* m_showWindow;
    QAction* m_highContrast;
    QAction* m_quit;
    AutomaticModes* m_automatic = nullptr;
    QAction* m_automaticModes = nullptr;
    std::vector<Choice> m_choices;
    QList<QAction*> m_choiceActions; // kept for reuse
    QStringList m_shown;             // shownState of the menu built last
};

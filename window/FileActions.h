#pragma once
// Custom modes from and to files: the menu of a page's Add button imports a
// correction file (GraphicEQ or parametric text) or a mode document of the
// page, shown for confirming and naming before it becomes a new custom
// mode; the menu of a custom row exports its mode as parametric text or as
// the mode document. The same menus open from the keyboard (the menu key,
// Shift+F10) and from a button beside the page's name box.

#include "HeadsetSession.h"

#include <QHash>
#include <QObject>

#include <functional>
#include <memory>

class QMenu;
class QPushButton;
class QWidget;
struct PageWidgets;

class FileActions : public QObject
{
    Q_OBJECT

public:
    FileActions(HeadsetSession& session, QWidget* window);

    // Gives the page's Add button and custom rows their menus, and the page
    // its menu button.
    void attach(SoundPage page, const PageWidgets& widgets);
    // The button beside the page's name box: the menu of the mode chosen.
    QPushButton* menuButton(SoundPage page) const { return m_menuButtons[int(page)]; }

    enum class Format
    {
        Parametric,
        Json
    };
    // The menu of a page's Add button (slot -1) or of its custom slot 0..4.
    std::unique_ptr<QMenu> menu(SoundPage page, int slot);
    // Asks for a correction file and imports it.
    void importCorrection(SoundPage page);
    void importCorrectionFrom(SoundPage page, const QString& path);
    void exportCustomMode(SoundPage page, int slot, Format format);

    // The file dialogs; seams for the tests. An empty path: cancelled.
    std::function<QString(QWidget* parent, const QString& caption, const QString& filter)>
        chooseImportFile;
    std::function<QString(QWidget* parent, const QString& caption, const QString& suggestedPath,
                          const QString& filter)>
        chooseExportFile;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct MenuTarget
    {
        SoundPage page;
        int slot;
    };
    void openMenu(SoundPage page, int slot, QWidget* at, const QPoint& pos);
    QPushButton* makeMenuButton(SoundPage page, QWidget* nameBox);
    QString nameProblem(SoundPage page, const QString& name) const;

    HeadsetSession& m_session;
    QWidget* m_window;
    QHash<QObject*, MenuTarget> m_menuTargets;
    QHash<QObject*, QPushButton*> m_menuButtonOfNameBox;
    std::array<QPushButton*, 2> m_menuButtons{};
};

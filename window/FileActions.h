#pragma once
// Custom modes from and to files: the menu of a page's Add button imports a
// correction file (GraphicEQ or parametric text) or a mode document of the
// page, shown for confirming and naming before it becomes a new custom
// mode; the menu of a custom row exports its mode as parametric text or as
// the mode document.

#include "HeadsetSession.h"

#include <QObject>

#include <functional>
#include <memory>

class QMenu;
class QWidget;
struct PageWidgets;

class FileActions : public QObject
{
    Q_OBJECT

public:
    FileActions(HeadsetSession& session, QWidget* window);

    // Gives the page's Add button and custom rows their menus.
    void attach(SoundPage page, const PageWidgets& widgets);

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

private:
    QString nameProblem(SoundPage page, const QString& name) const;

    HeadsetSession& m_session;
    QWidget* m_window;
};

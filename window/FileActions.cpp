#include "FileActions.h"

#include "GainText.h"
#include "ImportPreview.h"
#include "Look.h"
#include "MessageBox.h"
#include "ModeImport.h"
#include "ModeTransfer.h"
#include "PageWidgets.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSaveFile>

namespace {

constexpr char kMenuStyle[] =
    "QMenu{background-color:rgb(40,40,40);color:rgb(220,220,220);border:1px solid "
    "rgb(60,60,60);padding:4px;}"
    "QMenu::item{padding:6px 18px;border-radius:4px;}"
    "QMenu::item:selected{background-color:rgb(255,171,62);color:rgb(255,255,255);}";

constexpr char kMenuButtonStyle[] =
    "QPushButton{background-color:rgb(50,50,50);color:rgb(235,235,235);border:1px solid "
    "rgb(155,155,155);border-radius:5px;font-size:16px;font-weight:bold;}"
    "QPushButton:hover{border-color:rgb(255,171,62);}";

QString askForImportFile(QWidget* parent, const QString& caption, const QString& filter)
{
    return QFileDialog::getOpenFileName(parent, caption, QString(), filter);
}

QString askForExportFile(QWidget* parent, const QString& caption, const QString& suggestedPath,
                         const QString& filter)
{
    return QFileDialog::getSaveFileName(parent, caption, suggestedPath, filter);
}

// The mode's name as a file name: characters no file system takes become '_'.
QString fileNameOf(const QString& modeName, const char* suffix)
{
    QString name = modeName.simplified();
    for (QChar& c : name)
        if (QStringLiteral("/\\:*?\"<>|").contains(c) || c.unicode() < 0x20)
            c = QLatin1Char('_');
    return name + QLatin1String(suffix);
}

// Empty when written; the reason otherwise. QSaveFile leaves an existing
// file as it was when anything fails.
QString writeWholeFile(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    if (file.write(bytes) != bytes.size())
        return file.errorString();
    if (!file.commit())
        return file.errorString();
    return {};
}

} // namespace

FileActions::FileActions(HeadsetSession& session, QWidget* window)
    : QObject(window), chooseImportFile(askForImportFile), chooseExportFile(askForExportFile),
      m_session(session), m_window(window)
{}

void FileActions::attach(SoundPage page, const PageWidgets& widgets)
{
    std::array<QWidget*, kCustomSlotCount + 1> targets{};
    targets[0] = widgets.addButton;
    std::copy(widgets.customRadios.begin(), widgets.customRadios.end(), targets.begin() + 1);
    for (int target = 0; target < int(targets.size()); ++target) {
        QWidget* widget = targets[target];
        const int slot = target - 1;
        widget->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(
            widget, &QWidget::customContextMenuRequested, this,
            [this, page, slot, widget](const QPoint& pos) { openMenu(page, slot, widget, pos); });
        m_menuTargets.insert(widget, {page, slot});
        widget->installEventFilter(this);
    }
    widgets.addButton->setToolTip(
        tr("Add a custom mode (right-click or menu key: import a correction file)"));
    m_menuButtons[int(page)] = makeMenuButton(page, widgets.nameBox);
}

// Beside the name box, which it comes and goes with.
QPushButton* FileActions::makeMenuButton(SoundPage page, QWidget* nameBox)
{
    auto* button = new QPushButton(QStringLiteral("\u2026"), nameBox->parentWidget());
    const QRect box = nameBox->geometry();
    const int side = 28;
    button->setGeometry(box.right() + 8, box.center().y() - side / 2, side, side);
    button->setObjectName(QStringLiteral("modeMenuButton"));
    const QString name = tr("Import or export a mode");
    button->setAccessibleName(name);
    button->setToolTip(name);
    look::setStyleSheet(button, kMenuButtonStyle);
    button->setVisible(nameBox->isVisibleTo(nameBox->parentWidget()));
    QWidget::setTabOrder(nameBox, button);
    connect(button, &QPushButton::clicked, this, [this, page, button] {
        const ModeChoice& choice = m_session.page(page).choice;
        const int slot = choice.kind == ModeChoice::Custom ? choice.slot : -1;
        openMenu(page, slot, button, button->rect().bottomLeft());
    });
    m_menuButtonOfNameBox.insert(nameBox, button);
    nameBox->installEventFilter(this);
    return button;
}

void FileActions::openMenu(SoundPage page, int slot, QWidget* at, const QPoint& pos)
{
    menu(page, slot)->exec(at->mapToGlobal(pos));
}

// Shift+F10 opens the menu as the menu key does: where the platform does
// not turn it into a context menu request itself.
bool FileActions::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if ((type == QEvent::Show || type == QEvent::Hide) && m_menuButtonOfNameBox.contains(watched))
        m_menuButtonOfNameBox.value(watched)->setVisible(type == QEvent::Show);
    if (type == QEvent::KeyPress && m_menuTargets.contains(watched)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier) {
            auto* widget = static_cast<QWidget*>(watched);
            const MenuTarget target = m_menuTargets.value(watched);
            openMenu(target.page, target.slot, widget, widget->rect().center());
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

std::unique_ptr<QMenu> FileActions::menu(SoundPage page, int slot)
{
    auto menu = std::make_unique<QMenu>(m_window);
    look::setStyleSheet(menu.get(), kMenuStyle);
    menu->addAction(tr("Import correction file…"), this, [this, page] { importCorrection(page); });
    if (slot < 0 || !m_session.unit().slotMode(page, slot))
        return menu;
    menu->addAction(tr("Export as parametric text…"), this,
                    [this, page, slot] { exportCustomMode(page, slot, Format::Parametric); });
    menu->addAction(tr("Export as JSON…"), this,
                    [this, page, slot] { exportCustomMode(page, slot, Format::Json); });
    return menu;
}

void FileActions::importCorrection(SoundPage page)
{
    const QString path = chooseImportFile(
        m_window, tr("Import a correction file"),
        tr("Corrections (GraphicEQ or parametric text) (*.txt *.csv);;Velumix mode documents "
           "(*.json);;All files (*)"));
    if (!path.isEmpty())
        importCorrectionFrom(page, path);
}

QString FileActions::nameProblem(SoundPage page, const QString& name) const
{
    if (const QString problem = modeNameProblem(name); !problem.isEmpty())
        return problem;
    return customModeRoomProblem(m_session.unit().customModes, page, name);
}

void FileActions::importCorrectionFrom(SoundPage page, const QString& path)
{
    const QString fileName = QFileInfo(path).fileName();
    const UnitSettings& unit = m_session.unit();
    // The file's own name is the first suggestion, unless the page has it.
    QString name = QFileInfo(path).completeBaseName().simplified();
    if (!modeNameProblem(name).isEmpty() || unit.nameTaken(page, name))
        name = unit.unusedNewModeName(page);
    const auto refuse = [&fileName](const QString& problem) {
        showMessageBox(QMessageBox::Warning, "warning",
                       tr("\"%1\" could not be imported: %2").arg(fileName, problem));
    };
    if (const QString problem = customModeRoomProblem(unit.customModes, page, name);
        !problem.isEmpty())
        return refuse(problem);
    const int sampleRate = m_session.capabilities() ? m_session.capabilities()->sampleRateHz : 0;
    const ImportedMode imported =
        importModeFile(path, name, {m_session.productId(), sampleRate, page, page});
    if (!imported.ok())
        return refuse(imported.error);
    ImportPreview preview(
        imported, fileName,
        [this, page](const QString& candidate) { return nameProblem(page, candidate); }, m_window);
    if (preview.exec() != QDialog::Accepted)
        return;
    const Outcome added =
        m_session.addCustomMode(page, gainsFromText(imported.mode.parameter), preview.modeName());
    if (!added.ok() && added.problem != Outcome::SaveFailed)
        showMessageBox(QMessageBox::Warning, "warning", added.error);
}

void FileActions::exportCustomMode(SoundPage page, int slot, Format format)
{
    const CustomRecord* found = m_session.unit().slotMode(page, slot);
    if (!found)
        return;
    const CustomRecord mode = *found;
    const bool json = format == Format::Json;
    const QString path = chooseExportFile(m_window, tr("Export \"%1\"").arg(mode.name),
                                          fileNameOf(mode.name, json ? ".json" : ".txt"),
                                          json ? tr("Velumix mode documents (*.json)")
                                               : tr("Parametric text (*.txt)"));
    if (path.isEmpty())
        return;
    const quint16 productId = m_session.productId();
    const QByteArray bytes =
        json ? modeToJson(mode, productId)
             : modeToParametricText(mode, m_session.modelName(),
                                    customModeQTable(page, productId).value_or(frame::QTable{}));
    if (const QString error = writeWholeFile(path, bytes); !error.isEmpty())
        showMessageBox(QMessageBox::Critical, "Error",
                       tr("\"%1\" could not be exported to %2.").arg(mode.name, path), error);
}

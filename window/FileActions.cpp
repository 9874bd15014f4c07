#include "FileActions.h"

#include "GainText.h"
#include "ImportPreview.h"
#include "MessageBox.h"
#include "ModeImport.h"
#include "ModeTransfer.h"
#include "PageWidgets.h"

#include <QFileDialog>
#include <QFileInfo>
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
        connect(widget, &QWidget::customContextMenuRequested, this,
                [this, page, slot, widget](const QPoint& pos) {
                    menu(page, slot)->exec(widget->mapToGlobal(pos));
                });
    }
    widgets.addButton->setToolTip(tr("Add a custom mode (right-click: import a correction file)"));
}

std::unique_ptr<QMenu> FileActions::menu(SoundPage page, int slot)
{
    auto menu = std::make_unique<QMenu>(m_window);
    menu->setStyleSheet(kMenuStyle);
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

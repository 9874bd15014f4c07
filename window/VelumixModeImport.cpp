// Custom modes from and to files: a correction file (GraphicEQ or parametric
// text) fitted to the ten bands, or a mode document of the page, saved as a
// new custom mode, and a custom mode exported as parametric text or as the
// mode document.

#include "Velumix.h"

#include "ImportPreview.h"
#include "MessageBox.h"
#include "ModeImport.h"
#include "ModeLookup.h"
#include "ModeTransfer.h"
#include "UsbHidOperation.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QSaveFile>

namespace {

constexpr char kMenuStyle[] =
    "QMenu{background-color:rgb(40,40,40);color:rgb(220,220,220);border:1px solid "
    "rgb(60,60,60);padding:4px;}"
    "QMenu::item{padding:6px 18px;border-radius:4px;}"
    "QMenu::item:selected{background-color:rgb(255,171,62);color:rgb(255,255,255);}";

QString chooseImportFile(QWidget* parent, const QString& caption, const QString& filter)
{
    return QFileDialog::getOpenFileName(parent, caption, QString(), filter);
}

QString chooseExportFile(QWidget* parent, const QString& caption, const QString& suggestedPath,
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

void Velumix::initModeTransferMenus()
{
    m_chooseImportFile = chooseImportFile;
    m_chooseExportFile = chooseExportFile;
    for (SoundPage page : {SoundPage::Stereo, SoundPage::Surround}) {
        const PageView view = this->page(page);
        std::array<QWidget*, kCustomSlotCount + 1> targets{};
        targets[0] = view.addButton;
        std::copy(view.customRadios.begin(), view.customRadios.end(), targets.begin() + 1);
        for (int target = 0; target < int(targets.size()); ++target) {
            QWidget* widget = targets[target];
            const int slot = target - 1;
            widget->setContextMenuPolicy(Qt::CustomContextMenu);
            connect(widget, &QWidget::customContextMenuRequested, this,
                    [this, page, slot, widget](const QPoint& pos) {
                        modeTransferMenu(page, slot)->exec(widget->mapToGlobal(pos));
                    });
        }
        view.addButton->setToolTip(tr("Add a custom mode (right-click: import a correction file)"));
    }
}

std::unique_ptr<QMenu> Velumix::modeTransferMenu(SoundPage page, int slot)
{
    auto menu = std::make_unique<QMenu>(this);
    menu->setStyleSheet(kMenuStyle);
    menu->addAction(tr("Import correction file…"), this, [this, page] { importCorrection(page); });
    const PageView view = this->page(page);
    if (slot < 0 || slot >= view.customCount)
        return menu;
    menu->addAction(tr("Export as parametric text…"), this, [this, page, slot] {
        exportCustomMode(page, slot, ModeFileFormat::Parametric);
    });
    menu->addAction(tr("Export as JSON…"), this,
                    [this, page, slot] { exportCustomMode(page, slot, ModeFileFormat::Json); });
    return menu;
}

void Velumix::importCorrection(SoundPage page)
{
    const QString path = m_chooseImportFile(
        this, tr("Import a correction file"),
        tr("Corrections (GraphicEQ or parametric text) (*.txt *.csv);;Velumix mode documents "
           "(*.json);;All files (*)"));
    if (!path.isEmpty())
        importCorrectionFrom(page, path);
}

void Velumix::importCorrectionFrom(SoundPage page, const QString& path)
{
    const QString fileName = QFileInfo(path).fileName();
    // The file's own name is the first suggestion, unless the page has it.
    QString name = QFileInfo(path).completeBaseName().simplified();
    if (!modeNameProblem(name).isEmpty() || customNameTaken(m_customModeList, page, name))
        name = unusedNewModeName(page);
    const auto refuse = [this, &fileName](const QString& problem) {
        showMessageBox(QMessageBox::Warning, "warning",
                       tr("\"%1\" could not be imported: %2").arg(fileName, problem));
    };
    if (const QString problem = customModeRoomProblem(m_customModeList, page, name);
        !problem.isEmpty())
        return refuse(problem);
    const ImportedMode imported =
        importModeFile(path, name, {linkState.connectedProductId, m_sampleRateHz, page, page});
    if (!imported.ok())
        return refuse(imported.error);
    ImportPreview preview(
        imported, fileName,
        [this, page](const QString& candidate) {
            if (const QString problem = modeNameProblem(candidate); !problem.isEmpty())
                return problem;
            return customModeRoomProblem(m_customModeList, page, candidate);
        },
        this);
    if (preview.exec() != QDialog::Accepted)
        return;
    CustomRecord mode = imported.mode;
    mode.name = preview.modeName();
    if (const QString problem = addImportedMode(page, mode); !problem.isEmpty())
        showMessageBox(QMessageBox::Warning, "warning", problem);
}

// Through the page's list as Add goes: the new slot is selected, sent to the
// headset and saved with the unit's other modes.
QString Velumix::addImportedMode(SoundPage page, const CustomRecord& mode)
{
    if (const QString problem = customModeRoomProblem(m_customModeList, page, mode.name);
        !problem.isEmpty())
        return problem;
    if (!openSoundPage(page))
        return tr("The %1 page is not available on this headset.").arg(soundPageName(page));
    const int modesBefore = m_customModeList.size();
    this->page(page).customize->click();
    addCustomSlot(page, mode.parameter, mode.name);
    if (m_customModeList.size() == modesBefore)
        return tr("The custom mode could not be saved.");
    return {};
}

void Velumix::exportCustomMode(SoundPage page, int slot, ModeFileFormat format)
{
    const PageView view = this->page(page);
    if (slot < 0 || slot >= view.customCount)
        return;
    const CustomRecord& mode = view.slotRecords[slot];
    const bool json = format == ModeFileFormat::Json;
    const QString path = m_chooseExportFile(
        this, tr("Export \"%1\"").arg(mode.name), fileNameOf(mode.name, json ? ".json" : ".txt"),
        json ? tr("Velumix mode documents (*.json)") : tr("Parametric text (*.txt)"));
    if (path.isEmpty())
        return;
    const quint16 productId = linkState.connectedProductId;
    const QByteArray bytes =
        json ? modeToJson(mode, productId)
             : modeToParametricText(mode, connectedModelName(),
                                    customModeQTable(page, productId).value_or(frame::QTable{}));
    if (const QString error = writeWholeFile(path, bytes); !error.isEmpty())
        showMessageBox(QMessageBox::Critical, "Error",
                       tr("\"%1\" could not be exported to %2.").arg(mode.name, path), error);
}

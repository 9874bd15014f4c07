// The default configuration files beside the program and the user file of
// each headset unit in the documents folder.

#include "Velumix.h"

#include "ConfigNames.h"
#include "ConfigReader.h"
#include "ConfigWriter.h"
#include "MessageBox.h"
#include "SaveLeftovers.h"
#include "TraceLog.h"
#include "UsbHidOperation.h"
#include "WindowDiagnostics.h"

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcWindow)

bool Velumix::readJsonFile(const QString& path)
{
    debugLine("json Parse Error33333!");
    debugLine(path);
    debugLine("json Parse Error55555!");
    const ConfigReadResult read = readConfigFile(path);
    if (!read.ok()) {
        debugLine("json Parse Error!");
        debugLine(read.errorText);
        showMessageBox(QMessageBox::Critical, "Error", "Json File Is Error!", read.errorText);
        return false;
    }
    trace("Read Json File", "true", "readJsonFile", __LINE__);
    // What the file holds in a shape the program cannot use is named; the
    // file itself is left as it is.
    if (!read.shapeProblems.isEmpty()) {
        const QString detail = QStringLiteral("%1: %2; those parts are not used")
                                   .arg(path, read.shapeProblems.join(QStringLiteral("; ")));
        debugLine(detail);
        showMessageBox(QMessageBox::Critical, "Error", "Json File Is Error!", detail);
    }
    if (!read.rootIsObject)
        return true;
    mergeConfigRecord(m_stagingConfig, read);
    m_customModeList += read.customModes;
    if (const auto productId = read.productId())
        addAcceptedProductId(*productId);
    return true;
}

bool Velumix::writeJsonFile(const QString& what, QString* errorText)
{
    debugLine("*** Write Json File " + what);
    trace("Write Json File", what, "writeJsonFile", __LINE__);
    debugLine(m_qstrCurrentUserFileName);
    DocumentEdit edit;
    if (what == "uuid")
        edit = [this](QJsonObject& root) { addIdentityIfMissing(root, m_knownDeviceIdentity); };
    else if (what == "customMode")
        edit = [this](QJsonObject& root) { setCustomModes(root, m_customModeList); };
    else if (what == "currentMode")
        edit = [this](QJsonObject& root) {
            setCurrentMode(root, m_qstrCurrentAlgorithm, m_qstrCurrentMode, m_qstrCurrentName);
        };
    const ConfigWriteResult written = updateConfigFile(m_qstrCurrentUserFileName, edit);
    if (!written.ok()) {
        // The file on disk is left exactly as it was.
        debugLine(written.errorText);
        trace("Write Json File", "fail", "writeJsonFile", __LINE__);
        if (errorText)
            *errorText = written.errorText;
        return false;
    }
    trace("Write Json File", "Success", "writeJsonFile", __LINE__);
    debugLine("*** write Json Success!");
    return true;
}

int Velumix::readConfigFolder(const QString& folderName, const char* function)
{
    const QString folder = m_qstrAppDirPath + "/" + folderName;
    QStringList names;
    collectFileNames(folder, "json", names);
    m_defaultFileNames += names;
    const bool defaults = folderName == kDefaultFileFolder;
    trace(defaults ? "Default File Path" : "Photo File Path", folder, function, __LINE__);
    for (const QString& name : names) {
        const QString path = folder + "/" + name;
        trace(defaults ? "Default Json File Name" : "Photo Json File Name", path, function,
              __LINE__);
        if (readJsonFile(path))
            clearConfigRecord();
    }
    return names.size();
}

// Without any default file no headset is recognised; the person is told
// where the files were looked for.
void Velumix::getDefaultJsonFile()
{
    debugLine("***** Get Default Json File! *****");
    if (readConfigFolder(kDefaultFileFolder, "getDefaultJsonFile") == 0)
        showMessageBox(QMessageBox::Information, "prompt", "There is no default JSON file!",
                       QStringLiteral("%1/%2: no *.json file")
                           .arg(QDir::toNativeSeparators(m_qstrAppDirPath), kDefaultFileFolder));
}

// Not connected to any signal; reads the photo folder like the default files.
void Velumix::photoJsonFile()
{
    debugLine("***** Get Photo File! *****");
    readConfigFolder("photo", "photoJsonFile");
}

void Velumix::buildConfigFilePaths()
{
    const uint16_t vendorId = linkState.connectedVendorId;
    const uint16_t productId = linkState.connectedProductId;
    m_qstrCurrentDefaultFileName =
        m_qstrAppDirPath + "/" + kDefaultFileFolder + "/" + defaultFileName(vendorId, productId);
    // The whole path: a new account may not have its documents folder yet.
    const QString folder = userFileFolder(programBaseName()) + "/";
    QDir().mkpath(folder);
    // Saves cut short by a crash or a kill leave their temporary copies behind.
    for (const QString& leftover : removeStaleSaveLeftovers(folder))
        debugLine(QStringLiteral("Removed the leftover of an interrupted save: %1").arg(leftover));
    m_qstrCurrentUserFileName = folder + userFileName(vendorId, productId, m_knownDeviceIdentity);
}

void Velumix::ensureUserFile()
{
    if (QFileInfo::exists(m_qstrCurrentUserFileName))
        return;
    debugLine("User File is not exist!");
    copyDefaultToUserFile();
}

// The new file is the model's default document with the unit's identity,
// written whole in one step.
void Velumix::copyDefaultToUserFile()
{
    if (!QFileInfo::exists(m_qstrCurrentDefaultFileName)) {
        debugLine("Default File is not exist!");
        showMessageBox(QMessageBox::Information, "prompt", "There is no default JSON file!");
        return;
    }
    const ConfigWriteResult created = createUserFile(
        m_qstrCurrentDefaultFileName, m_qstrCurrentUserFileName, m_knownDeviceIdentity);
    if (created.ok()) {
        debugLine("***** CopyFile:: Copy Success *****");
        return;
    }
    debugLine("***** CopyFile:: Copy Fail! *****");
    debugLine(created.errorText);
    showMessageBox(QMessageBox::Information, "warning", "JSON file generation failed!");
}

void Velumix::getUserJsonFile()
{
    m_customModeList.clear();
    readJsonFile(m_qstrCurrentUserFileName);
    debugLine("***** getUserJsonFile666! *****");
    debugLine(m_qstrCurrentUserFileName);
    debugLine("***** getUserJsonFile666! *****");
    m_userDeviceList = {m_stagingConfig};
    m_stagingConfig.surroundPresets.clear();
    m_stagingConfig.stereoPresets.clear();
}

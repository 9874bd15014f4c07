#include "ConfigWriter.h"

#include "ConfigNames.h"
#include "ConfigReader.h"
#include "TraceLog.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

ConfigWriteResult failure(ConfigError error, const QString& text)
{
    return ConfigWriteResult{error, text};
}

// The root object of the file at path, or why there is none.
ConfigWriteResult loadRootObject(const QString& path, QJsonObject& root)
{
    const LoadedDocument loaded = loadConfigDocument(path);
    if (loaded.error != ConfigError::None)
        return failure(loaded.error, loaded.errorText);
    // Writing an object over an array root would throw the array away.
    if (!loaded.document.isObject())
        return failure(ConfigError::NotAnObject,
                       QStringLiteral("%1: the document is not a JSON object").arg(path));
    // Nor is a file rewritten whose members the program could not read.
    const QStringList problems = shapeProblemsOf(loaded.document.object());
    if (!problems.isEmpty())
        return failure(ConfigError::WrongShape,
                       QStringLiteral("%1: %2").arg(path, problems.join(QStringLiteral("; "))));
    root = loaded.document.object();
    return {};
}

void traceFolderSyncFailure(const QString& folder, int error)
{
    traceLog("Sync Folder",
             QStringLiteral("%1: %2").arg(folder, QString::fromLocal8Bit(std::strerror(error))),
             "ConfigWriter", "syncFolderOf", __LINE__);
}

} // namespace

bool syncFolderOf(const QString& path)
{
    const QString folder = QFileInfo(path).absolutePath();
    const int descriptor =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) {
        traceFolderSyncFailure(folder, errno);
        return false;
    }
    const bool synced = ::fsync(descriptor) == 0;
    if (!synced)
        traceFolderSyncFailure(folder, errno);
    ::close(descriptor);
    return synced;
}

ConfigWriteResult saveConfigDocument(const QString& path, const QJsonObject& root)
{
    // QSaveFile writes a temporary file beside the target and renames it over
    // the target only on commit, so a failed write leaves the old file whole.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return failure(ConfigError::WriteFailed,
                       QStringLiteral("%1: cannot write: %2").arg(path, file.errorString()));
    const QByteArray text = QJsonDocument(root).toJson(QJsonDocument::Indented);
    // Qt 5's commit() does not notice a failure of the final flush and would
    // rename a cut-off file over the target; flushing first catches it, and
    // returning without commit() discards the temporary file.
    if (file.write(text) != text.size() || !file.flush())
        return failure(ConfigError::WriteFailed,
                       QStringLiteral("%1: cannot write: %2").arg(path, file.errorString()));
    if (!file.commit())
        return failure(ConfigError::WriteFailed,
                       QStringLiteral("%1: cannot write: %2").arg(path, file.errorString()));
    // commit() wrote the file's content to disk, but the rename lives in the
    // folder; the save is complete either way, so a failure is only traced.
    syncFolderOf(path);
    return {};
}

ConfigWriteResult updateConfigFile(const QString& path, const DocumentEdit& edit)
{
    QJsonObject root;
    const ConfigWriteResult loaded = loadRootObject(path, root);
    if (!loaded.ok())
        return loaded;
    if (edit)
        edit(root);
    return saveConfigDocument(path, root);
}

void addIdentityIfMissing(QJsonObject& root, const DeviceIdentity& identity)
{
    if (!root.contains(QLatin1String("uuid")))
        root.insert(QLatin1String("uuid"), identityToHex(identity));
}

// An unchanged mode goes back as the file held it; a changed one keeps the
// members of its entry the program does not know.
QJsonValue customModeEntry(const CustomRecord& mode)
{
    if (!mode.stored.isUndefined() && customModeOf(mode.stored) == mode)
        return mode.stored;
    QJsonObject entry = mode.stored.toObject();
    entry.insert(QLatin1String("algorithm"), mode.algorithm);
    entry.insert(QLatin1String("name"), mode.name);
    entry.insert(QLatin1String("parameter"), mode.parameter);
    return entry;
}

void setCustomModes(QJsonObject& root, const QList<CustomRecord>& modes)
{
    QJsonArray array;
    for (const CustomRecord& mode : modes)
        array.append(customModeEntry(mode));
    root.insert(QLatin1String("customMode"), array);
}

void setCurrentMode(QJsonObject& root, const QString& algorithm, const QString& mode,
                    const QString& name)
{
    QJsonObject current = root.value(QLatin1String("mode")).toObject();
    current.insert(QLatin1String("algorithm"), algorithm);
    current.insert(QLatin1String("mode"), mode);
    current.insert(QLatin1String("name"), name);
    root.insert(QLatin1String("mode"), current);
}

void setPageMode(QJsonObject& root, SoundPage page, const QString& mode, const QString& name)
{
    QJsonObject pageModes = root.value(QLatin1String("pageMode")).toObject();
    const QLatin1String algorithm(algorithmOfPage(page));
    QJsonObject choice = pageModes.value(algorithm).toObject();
    choice.insert(QLatin1String("mode"), mode);
    choice.insert(QLatin1String("name"), name);
    pageModes.insert(algorithm, choice);
    root.insert(QLatin1String("pageMode"), pageModes);
}

QJsonObject userDocumentFromDefault(QJsonObject defaultRoot, const DeviceIdentity& identity)
{
    defaultRoot.insert(QLatin1String("uuid"), identityToHex(identity));
    return defaultRoot;
}

ConfigWriteResult createUserFile(const QString& defaultPath, const QString& userPath,
                                 const DeviceIdentity& identity)
{
    if (QFileInfo::exists(userPath))
        return failure(ConfigError::AlreadyExists,
                       QStringLiteral("%1: the file already exists").arg(userPath));
    QJsonObject defaultRoot;
    const ConfigWriteResult loaded = loadRootObject(defaultPath, defaultRoot);
    if (!loaded.ok())
        return loaded;
    return saveConfigDocument(userPath, userDocumentFromDefault(defaultRoot, identity));
}

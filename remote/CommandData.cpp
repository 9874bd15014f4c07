#include "CommandData.h"

#include "GainText.h"
#include "ModeLookup.h"

namespace remote {

Result noHeadsetFound()
{
    return Result::failure(ExitNoHeadset,
                           QStringLiteral("no headset found (vendor %1, accepted products)")
                               .arg(idDigits(kHeadsetVendorId)));
}

QString idDigits(quint16 id)
{
    return QStringLiteral("%1").arg(id, 4, 16, QChar('0'));
}

QJsonArray gainsData(const EqGains& gains)
{
    QJsonArray array;
    for (int gain : gains)
        array.append(gain);
    return array;
}

QJsonObject chosenModeData(SoundPage page, const QString& name)
{
    return {{"page", soundPageName(page)}, {"name", name}};
}

QJsonArray interfaceListData(const std::vector<HidDeviceInfo>& accepted,
                             const QList<ConfigFileRead>& defaultFiles,
                             const std::function<QJsonValue(const HidDeviceInfo&)>& identityOf)
{
    QJsonArray interfaces;
    for (const HidDeviceInfo& entry : accepted) {
        interfaces.append(QJsonObject{
            {"vendorId", idDigits(entry.vendorId)},
            {"productId", idDigits(entry.productId)},
            {"model", modelNameOf(entry.productId, defaultFiles)},
            {"interface", entry.interfaceNumber},
            {"usagePage", idDigits(entry.usagePage)},
            {"path", QString::fromStdString(entry.path)},
            {"identity", identityOf(entry)},
        });
    }
    return interfaces;
}

QJsonArray presetListData(const std::vector<BuiltInPreset>& presets)
{
    QJsonArray list;
    for (const BuiltInPreset& preset : presets)
        list.append(chosenModeData(preset.page, QString::fromUtf8(preset.caption)));
    return list;
}

QJsonArray customListData(const QList<CustomRecord>& modes)
{
    QJsonArray list;
    for (const ShownMode& mode : shownModes(modes)) {
        QJsonObject entry = chosenModeData(mode.page, mode.record->name);
        entry["gains"] = gainsData(gainsFromText(mode.record->parameter));
        list.append(entry);
    }
    return list;
}

} // namespace remote

#pragma once
// The data velumixctl's commands report, built the same way whether the
// window or velumixctl itself carries the command out, so that both print
// the same (docs/remote-protocol.md).

#include "BuiltInPresets.h"
#include "ConfigReader.h"
#include "HidBackend.h"
#include "RemoteProtocol.h"
#include "Vocabulary.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

#include <functional>
#include <vector>

namespace remote {

// Exit 3 with the message both programs give when no headset is there.
Result noHeadsetFound();

// Four lower-case hexadecimal digits: "1054", "0f51", "3206".
QString idDigits(quint16 id);

QJsonArray gainsData(const EqGains& gains);

// {page, name}: what `preset` and `custom-apply` chose.
QJsonObject chosenModeData(SoundPage page, const QString& name);

// `list`: one entry per interface of an accepted headset, with the model
// named by the default files; `identityOf` gives the identity of the unit
// behind an interface where it is known, else null.
QJsonArray interfaceListData(const std::vector<HidDeviceInfo>& accepted,
                             const QList<ConfigFileRead>& defaultFiles,
                             const std::function<QJsonValue(const HidDeviceInfo&)>& identityOf);

// `preset-list`.
QJsonArray presetListData(const std::vector<BuiltInPreset>& presets);

// `custom-list`: the modes the slots show, surround page first.
QJsonArray customListData(const QList<CustomRecord>& modes);

} // namespace remote

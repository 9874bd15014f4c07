// Any bytes as a unit's user file, then the edits a person makes to its
// custom modes (a rename, new gains, a delete, a new mode, chosen by the last
// bytes), then the list written back as a save writes it. What the save must
// keep: every entry the edits did not change goes back exactly as the file
// held it, members the program does not know stay in the entries it
// changed, and the file reads back as the list that was saved.

#include "ConfigReader.h"
#include "ConfigWriter.h"
#include "GuardedBytes.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const QStringList kModeMembers = {"algorithm", "name", "parameter"};

// The edit the last two bytes choose, applied to the list read.
QList<CustomRecord> edited(QList<CustomRecord> modes, const QByteArray& bytes)
{
    if (bytes.size() < 2)
        return modes;
    const int what = uint8_t(bytes[bytes.size() - 1]) % 5;
    const int which = modes.isEmpty() ? 0 : uint8_t(bytes[bytes.size() - 2]) % modes.size();
    switch (what) {
    case 0:
        break; // saved as read
    case 1:
        if (!modes.isEmpty())
            modes[which].name += QStringLiteral(" renamed");
        break;
    case 2:
        if (!modes.isEmpty())
            modes[which].parameter = QStringLiteral("1,2,3,4,5,6,7,8,9,10");
        break;
    case 3:
        if (!modes.isEmpty())
            modes.removeAt(which);
        break;
    default:
        modes.append({"Stereo", "New Equalizer", "0,0,0,0,0,0,0,0,0,0"});
        break;
    }
    return modes;
}

void checkEntry(const CustomRecord& mode, const QJsonValue& written)
{
    const bool unchanged = !mode.stored.isUndefined() && customModeOf(mode.stored) == mode;
    if (unchanged) {
        fuzzCheck(written == mode.stored, "an unchanged entry goes back as the file held it");
        return;
    }
    fuzzCheck(written.isObject(), "a changed entry is an object");
    const QJsonObject entry = written.toObject();
    const QJsonObject before = mode.stored.toObject();
    for (auto member = before.begin(); member != before.end(); ++member)
        if (!kModeMembers.contains(member.key()))
            fuzzCheck(entry.value(member.key()) == member.value(),
                      "a changed entry keeps the members the program does not know");
    fuzzCheck(customModeOf(written) == mode, "a changed entry holds the mode");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    const ConfigReadResult read = readConfigData(bytes, QStringLiteral("fuzz input"));
    if (!read.ok() || !read.rootIsObject || !read.shapeProblems.isEmpty())
        return 0; // a file the program refuses to rewrite
    const QList<CustomRecord> modes = edited(read.customModes, bytes);
    QJsonObject root = QJsonDocument::fromJson(bytes).object();
    setCustomModes(root, modes);

    const QJsonArray written = root.value(QLatin1String("customMode")).toArray();
    fuzzCheck(written.size() == modes.size(), "one entry a mode");
    for (int i = 0; i < modes.size() && i < written.size(); ++i)
        checkEntry(modes[i], written[i]);
    const ConfigReadResult again =
        readConfigData(QJsonDocument(root).toJson(), QStringLiteral("saved"));
    fuzzCheck(again.ok() && again.customModes == modes, "the file reads back as the list saved");
    return 0;
}

#pragma once

#include <QJsonValue>
#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <array>
#include <optional>

#include "Vocabulary.h"

// Values of the "algorithm" and "mode" members of a configuration document.
constexpr char kAlgorithmSurround[] = "Surround";
constexpr char kAlgorithmStereo[] = "Stereo";
constexpr char kModeDefault[] = "default";
constexpr char kModeCustom[] = "custom";

// The "algorithm" text of a page.
constexpr const char* algorithmOfPage(SoundPage page)
{
    return page == SoundPage::Surround ? kAlgorithmSurround : kAlgorithmStereo;
}

// One custom mode of the user (the JSON form is an object with these three
// string members).
struct CustomRecord
{
    QString algorithm; // "Surround" or "Stereo"
    QString name;
    QString parameter; // ten gains, "0,0,0,0,0,0,0,0,0,0"
    // The entry of "customMode" the record was read from, as the file held
    // it (undefined for a mode the program made): saving writes it back as
    // it was while the record is unchanged, and keeps the members the
    // program does not know when it changed.
    QJsonValue stored = QJsonValue(QJsonValue::Undefined);
};

// Two records are the same mode whatever their entries looked like.
inline bool operator==(const CustomRecord& a, const CustomRecord& b)
{
    return a.algorithm == b.algorithm && a.name == b.name && a.parameter == b.parameter;
}
inline bool operator!=(const CustomRecord& a, const CustomRecord& b)
{
    return !(a == b);
}

// One page's last choice as a user file keeps it under "pageMode": a
// built-in preset ("default", by its stored name) or a custom mode
// ("custom", by its name).
struct PageModeRecord
{
    QString mode;
    QString name;
};

inline bool operator==(const PageModeRecord& a, const PageModeRecord& b)
{
    return a.mode == b.mode && a.name == b.name;
}

// What one configuration file says. A default-constructed record is the
// cleared record: both IDs 0, identity all zero, empty lists and strings.
struct ConfigRecord
{
    quint16 vendorId = 0;
    quint16 productId = 0;
    DeviceIdentity identity{};
    // Preset entries (see presetEntry()), in the key order of "defaultMode".
    QStringList surroundPresets;
    QStringList stereoPresets;
    // The current-mode object: the mode saved last.
    QString mode;
    QString algorithm;
    QString name;
    // Each page's own last choice, by SoundPage; none where the file has none.
    std::array<std::optional<PageModeRecord>, 2> pageModes;
};

inline bool operator==(const ConfigRecord& a, const ConfigRecord& b)
{
    return a.vendorId == b.vendorId && a.productId == b.productId && a.identity == b.identity &&
           a.surroundPresets == b.surroundPresets && a.stereoPresets == b.stereoPresets &&
           a.mode == b.mode && a.algorithm == b.algorithm && a.name == b.name &&
           a.pageModes == b.pageModes;
}
inline bool operator!=(const ConfigRecord& a, const ConfigRecord& b)
{
    return !(a == b);
}

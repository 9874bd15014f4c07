#pragma once
// A file a person imports, made into a custom mode ready to save: a
// correction (GraphicEQ or parametric text) fitted to the ten bands, or a
// custom mode document, whose gains and page come over unchanged. The window
// and velumixctl both import through here, so a file gives the same mode in
// both.

#include "BuiltInPresets.h"
#include "ConfigRecord.h"
#include "EqFit.h"

#include <QList>
#include <QString>

#include <optional>

// Where the mode goes: the headset it is fitted for and the page.
struct ModeImportTarget
{
    quint16 productId = 0;
    int sampleRateHz = 0;                    // as frame::sampleRateHz gives it; 0: unknown
    std::optional<SoundPage> page;           // the page asked for; none: see shownPage
    SoundPage shownPage = SoundPage::Stereo; // a correction's page when none is asked for
};

struct ImportedMode
{
    enum Problem
    {
        None,
        BadFile, // unreadable or malformed; the message names the line
        BadName,
        WrongPage, // a document of the other page than the one asked for
    };
    Problem problem = None;
    QString error;
    // Its page's algorithm, the name given, the gains as the headset takes them.
    CustomRecord mode;
    SoundPage page = SoundPage::Stereo;
    // A correction's target and fit, for showing both; none for a document.
    std::optional<Curve> target;
    std::optional<EqFit> fit;

    bool ok() const { return problem == None; }
};

// Reads `path` (at most kMaxImportBytes): a document when it starts with '{'
// (after blanks), else a correction, fitted with the Q table the product
// applies to custom modes of the page. `name` holds 1 to kMaxModeNameLength
// characters, not all blank.
ImportedMode importModeFile(const QString& path, const QString& name,
                            const ModeImportTarget& target);

// Why the page has no room for one more custom mode called `name` (its five
// slots are full, or another of its modes has the name); empty when it has.
QString customModeRoomProblem(const QList<CustomRecord>& modes, SoundPage page,
                              const QString& name);

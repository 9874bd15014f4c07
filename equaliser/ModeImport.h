#pragma once
// A file a person imports, made into a custom mode ready to save: a
// correction (GraphicEQ or parametric text) fitted to the bands the product
// applies to the page's custom modes, or a custom mode document, whose gains
// and page come over unchanged. The window and velumixctl both import
// through here, so a file gives the same mode either way.

#include "BuiltInPresets.h"
#include "ConfigRecord.h"
#include "CorrectionImport.h"
#include "EqFit.h"

#include <QByteArray>
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
        BadFile,   // unreadable or malformed; "line N: ..." for a malformed line
        BadName,   // see modeNameProblem
        WrongPage, // a document of another page than the one asked for
    };
    Problem problem = None;
    QString error;
    std::optional<CorrectionFormat> format; // a correction's form; none for a document
    SoundPage page = SoundPage::Stereo;
    // Algorithm "Surround" or "Stereo" of the page, the name as given and the
    // gains as the headset takes them, as parameter text ("g1,...,g10").
    CustomRecord mode;
    // What the window shows before saving: the bands the mode is for, the
    // target as read (see CorrectionRead::target) and the fit with its
    // largest error. A document's target is its own response, met exactly.
    HeadsetBands bands;
    Curve target;
    EqFit fit;

    bool ok() const { return problem == None; }
};

// Why a custom mode cannot be called `name` (blank, or longer than
// kMaxModeNameLength), empty when it can.
QString modeNameProblem(const QString& name);

// A document when the text starts with '{' (after a byte order mark and
// blanks), else a correction.
ImportedMode importMode(const QByteArray& text, const QString& name,
                        const ModeImportTarget& target);
// The file at `path`, at most kMaxImportBytes.
ImportedMode importModeFile(const QString& path, const QString& name,
                            const ModeImportTarget& target);

// Why the page has no room for one more custom mode called `name` (its five
// slots are full, or another of its modes has the name); empty when it has.
QString customModeRoomProblem(const QList<CustomRecord>& modes, SoundPage page,
                              const QString& name);

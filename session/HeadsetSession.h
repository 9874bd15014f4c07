#pragma once
// The program's one source of truth about the headset: the link to it, the
// hot-plug events that bring it and take it away, the connected unit's
// settings and its user file. Every surface (the window, the tray, the
// window's socket, velumixctl run on its own) asks the session to change
// something and shows what the session's signals say changed; none keeps a
// copy of its own.
//
// A person's choice (a preset, a custom mode, a slider, a name) goes to the
// headset at once and is remembered in the unit's file; what the session
// itself re-applies (a page shown again, a unit coming back) is sent but
// chooses nothing new. Messages for the person leave as notices, which the
// window shows; the session has no widgets.

#include "ConfigReader.h"
#include "EqResponse.h"
#include "HeadsetLink.h"
#include "UnitSettings.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <array>
#include <optional>
#include <vector>

class HotplugSource;

// A message for the person, shown by whoever shows the session.
struct Notice
{
    enum Kind
    {
        Information,
        Warning,
        Critical,
    };
    Kind kind = Information;
    QString title;
    QString text;
    QString detail; // which file and why, say; may be empty
};

// Why an intent did not happen; None when it did.
struct Outcome
{
    enum Problem
    {
        None,
        NoHeadset,   // no link is open
        NoUnit,      // the headset has not said which unit it is yet
        PageMissing, // the headset has no such page
        NotOffered,  // the unit has no such preset or custom mode
        NotEditable, // the page has no custom mode chosen
        NoRoom,      // the page's five slots are full
        NameTaken,   // another mode of the page has the name
        BadName,     // blank, or too long
        SaveFailed,  // the unit's file could not be written
        WriteFailed, // a frame could not be written to the headset
    };
    Problem problem = None;
    QString error; // one line for people; empty with None

    bool ok() const { return problem == None; }
    static Outcome failure(Problem problem, const QString& error) { return {problem, error}; }
};

class HeadsetSession : public QObject
{
    Q_OBJECT

public:
    struct Options
    {
        // The models' default files, and where the units' user files live.
        QString defaultFileFolder;
        QString userFileFolder;
        // The program keeps the headset in step with what it shows: a unit
        // that appears gets its modes sent, a page shown again is re-applied,
        // an arriving headset gets the microphone level, and a new unit is
        // announced to the person. velumixctl, run on its own, sends only
        // what its command asks for.
        bool keepHeadsetInStep = true;
        // The products taken for headsets; empty: those the default files
        // name (velumixctl's --accept names others).
        std::vector<uint16_t> acceptedProductIds;
    };

    // `hotplug` may be null: the session then learns of no headset coming
    // or going (velumixctl on its own looks once).
    HeadsetSession(HidBackend& backend, HotplugSource* hotplug, Options options,
                   QObject* parent = nullptr);
    ~HeadsetSession() override;

    HeadsetLink& link() { return m_link; }

    // Reads the default files, listens for headsets and opens one that is
    // there already; what that open found.
    LinkOpened start();
    // Reads the default files alone, for what needs no headset (start()
    // reads them itself).
    void readDefaultFiles();

    // What the session knows.
    bool isOpen() const { return m_link.isOpen(); }
    // The open headset has said which unit it is and its settings are loaded.
    bool unitKnown() const { return isOpen() && m_unitKnown; }
    const UnitSettings& unit() const { return m_unit; }
    // The product of the open link, or of the link open last; 0 before any.
    quint16 productId() const { return m_link.productId(); }
    const PageSettings& page(SoundPage page) const { return m_unit.page(page); }
    ModeName modeName(SoundPage page) const;
    // The connected product's model name, from its default file.
    QString modelName() const;
    QString modelNameOf(quint16 productId) const;
    const QList<ConfigFileRead>& defaultFiles() const { return m_defaultFiles; }
    // The default file of a product; null when there is none.
    const ConfigReadResult* defaultFileOf(quint16 productId) const;
    // Why a headset that is plugged in is not used: no usable default file
    // names its product. Empty when every headset present is known.
    QString unknownHeadsetProblem() const;
    // What the open headset said about itself; empty or none before it did.
    QString firmwareVersion() const { return m_firmwareVersion; }
    std::optional<HeadsetCapabilities> capabilities() const { return m_capabilities; }
    std::optional<SoundPage> reportedPage() const { return m_reportedPage; }
    // How the headset applies the page's bands: the Q values of the mode
    // sent last and the headset's sample rate, for drawing its response.
    HeadsetBands bands(SoundPage page) const;
    // Whether the headset has the page (a person may open its tab).
    bool pageOffered(SoundPage page) const;
    // The sound page in force: shown last (the microphone page leaves it).
    SoundPage pageShown() const { return m_pageShown; }
    // None until set over this link.
    std::optional<int> micLevel() const { return m_micLevel; }
    // A live edit's throttle period is under way: later edits wait for its
    // end. No timer runs otherwise.
    bool throttling() const { return m_throttle.isActive(); }
    std::optional<bool> noiseCancellation() const { return m_noiseCancellation; }

    // What a person does, and what commands ask for.
    Outcome showPage(SoundPage page);
    Outcome choosePreset(int preset); // builtInPresets() index; shows its page
    Outcome openCustomList(SoundPage page);
    Outcome chooseCustomMode(SoundPage page, int slot); // shows the page and its list
    // Live edits of the chosen custom mode: heard at once, saved with Save.
    Outcome editGain(SoundPage page, int band, int gain);
    Outcome renameCustomMode(SoundPage page, const QString& name);
    Outcome saveCustomMode(SoundPage page);
    // Back to the saved gains and name of the chosen custom mode.
    Outcome resetCustomMode(SoundPage page);
    // A new custom mode after the page's last one, chosen and saved at once:
    // with ten zero gains (none given), a copy of the page's gains, or an
    // imported mode's; named `name`, or "New Equalizer" made unique.
    Outcome addCustomMode(SoundPage page, const EqGains& gains, const QString& name = {});
    Outcome copyToNewMode(SoundPage page);
    // Deletes the chosen custom mode; the page's first one is chosen next.
    Outcome deleteCustomMode(SoundPage page);
    Outcome setMicLevel(int level);
    Outcome setNoiseCancellation(bool on);

    // What the automatic modes do. A rule's mode is applied and sent as a
    // click would (its page shown), but it is not the person's choice: the
    // unit's file is not written, and the person's own page and modes are
    // kept to come back with endRuleModes().
    Outcome applyRuleMode(SoundPage page, const ModeChoice& choice);
    // The person's own modes and page come back; nothing when no rule's
    // mode is in force.
    void endRuleModes();
    bool ruleModeInForce() const;

signals:
    // The link opened (productId as four hexadecimal digits) or closed.
    void plugged();
    void unplugged();
    // The headset named a unit other than the one before, whose settings are
    // now loaded.
    void unitChanged();
    // The open headset has said which unit it is: unitKnown() holds now.
    void unitReady();
    // The headset's audio reply: its pages and sample rate.
    void capabilitiesChanged();
    void pageShownChanged(SoundPage page);
    // Anything of a page changed: its choice, gains, edits or slots.
    void pageChanged(SoundPage page);
    // A page's mode as modeName() names it changed.
    void modeChanged(SoundPage page, const ModeName& mode);
    void micLevelChanged(int level);
    void noiseCancellationChanged(bool on);
    void notice(const Notice& notice);
    // The person chose a mode (a click, a command): a rule's mode in force
    // on that page is the person's choice now.
    void personChose(SoundPage page);

private:
    // Opening and closing
    void deviceArrived(const QString& interfacePath);
    void deviceRemoved(const QString& interfacePath);
    void takeOverHeadset();
    LinkOpened openLink(const char* function);
    void reportUnknownHeadset();
    void closeLink();
    void dropUnsavedEdits();
    // Replies
    void followCapabilities(const HeadsetCapabilities& capabilities);
    void followStatus(const HeadsetStatus& status);
    void finishEqualiserUpload(int firstBand, int lastBand);
    void loadUnit(const DeviceIdentity& identity);
    QString prepareUserFile(const QString& defaultPath, const UnitSettings& unit);
    // Sending and remembering
    Outcome needUnit() const;
    void setPageShown(SoundPage page);
    void reapply(SoundPage page);
    Outcome choose(SoundPage page, const ModeChoice& choice, bool byPerson);
    void send(SoundPage page, int modeIndex);
    void sendEdits();
    Outcome recordChoice(SoundPage page);
    Outcome writeChoice(SoundPage page, const PageModeRecord& record);
    Outcome saveCustomModes(const QList<CustomRecord>& modes);
    void keepSavedChoiceExisting(SoundPage page);
    void changed(SoundPage page);
    void announceModes();
    // Holds back the pages' change signals while a change of several steps
    // sends its frames, so that the headset has them all before anyone
    // redraws; they go when the outermost hold ends.
    class HeldChanges;
    int m_changesHeld = 0;
    std::array<bool, 2> m_heldChanges{};
    void raise(Notice::Kind kind, const QString& title, const QString& text,
               const QString& detail = {});

    HeadsetLink m_link;
    HotplugSource* m_hotplug;
    Options m_options;
    QList<ConfigFileRead> m_defaultFiles;
    UnitSettings m_unit;
    bool m_unitSeen = false;  // a unit was loaded in this run
    bool m_unitKnown = false; // the open link's unit
    SoundPage m_pageShown = SoundPage::Surround;
    std::optional<SoundPage> m_reportedPage;
    std::optional<HeadsetCapabilities> m_capabilities;
    QString m_firmwareVersion;
    std::optional<int> m_micLevel;
    std::optional<bool> m_noiseCancellation;
    std::array<std::optional<ModeName>, 2> m_announcedModes;
    // Live edits reach the headset at most once per throttle period.
    QTimer m_throttle;
    std::array<bool, 2> m_editPending{};
    QTimer m_openRetry;
    int m_openRetriesLeft = 0;
    QString m_unknownHeadsetReported; // told once for each headset, until one opens
    // While a rule's mode is in force: each page's own choice that a rule
    // replaced, and the page the person had shown.
    std::array<std::optional<ModeChoice>, 2> m_personalChoices;
    std::optional<SoundPage> m_personalPage;
    void forgetRuleModes();
    void takePersonalChoice(SoundPage page);
};

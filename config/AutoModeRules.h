#pragma once
// The person's automatic modes: rules that give an application a page and a
// mode, applied while the application plays on the headset. Rules belong to
// the user, not to a unit: they live in one small file under
// $XDG_CONFIG_HOME/velumix/, written whole and atomically. This is only the
// model and its file; the session decides when a rule applies.

#include "ConfigDocument.h"
#include "ConfigWriter.h"
#include "Vocabulary.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>

// The longest application name a rule keeps (the sound server's names are
// short; anything longer is not one).
constexpr int kMaxApplicationLength = 256;

struct AutoModeRule
{
    // What the sound server calls the application: its process binary
    // ("steam") or, for a stream without one, its name ("Firefox"). Compared
    // without regard to case.
    QString application;
    SoundPage page = SoundPage::Surround;
    // A built-in preset's caption ("FPS") or a custom mode's name.
    QString mode;

    bool operator==(const AutoModeRule& other) const
    {
        return application == other.application && page == other.page && mode == other.mode;
    }
};

struct AutoModeRulesRead
{
    ConfigError error = ConfigError::None;
    QString errorText; // one line naming the file and the cause; empty on success
    QList<AutoModeRule> rules;
    bool ok() const { return error == ConfigError::None; }
};

// $XDG_CONFIG_HOME/velumix/automatic-modes.json (~/.config when unset).
QString automaticModesPath();

// Reads the rules from a document: {"rules": [{"application", "page",
// "mode"}, ...]}. Anything else (another root, a member of the wrong type, a
// blank or overlong name, an unknown page, two rules for one application)
// is refused with a reason that names the origin and the place.
AutoModeRulesRead parseAutoModeRules(const QByteArray& data, const QString& origin);
// Reads the file; a missing file is no rules at all.
AutoModeRulesRead readAutoModeRules(const QString& path);

// The document that holds the rules, in order.
QJsonObject autoModeRulesDocument(const QList<AutoModeRule>& rules);
// Stores the rules whole (creating the folder), replacing the file only once
// the new one is complete. A file that is there and cannot be read as rules
// is left as it is: the result names it and why.
ConfigWriteResult saveAutoModeRules(const QString& path, const QList<AutoModeRule>& rules);

// What is wrong with a rule, as one line; empty when it may be kept.
QString autoModeRuleProblem(const AutoModeRule& rule);

// The index of the rule for the application, compared without regard to
// case; -1 for none.
int findAutoModeRule(const QList<AutoModeRule>& rules, const QString& application);
// The rule for a stream: the one naming its process binary, else the one
// naming its application name; -1 for none.
int matchAutoModeRule(const QList<AutoModeRule>& rules, const QString& processBinary,
                      const QString& applicationName);

// The list with the rule added, or put in the place of the rule for the
// same application.
QList<AutoModeRule> withAutoModeRule(QList<AutoModeRule> rules, const AutoModeRule& rule);

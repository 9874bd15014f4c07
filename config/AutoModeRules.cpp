#include "AutoModeRules.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QStandardPaths>

namespace {

const QString kRules = QStringLiteral("rules");
const QString kApplication = QStringLiteral("application");
const QString kPage = QStringLiteral("page");
const QString kMode = QStringLiteral("mode");

QString pageText(SoundPage page)
{
    return page == SoundPage::Surround ? QStringLiteral("surround") : QStringLiteral("stereo");
}

bool blank(const QString& text)
{
    return text.trimmed().isEmpty();
}

AutoModeRulesRead refusal(const QString& origin, const QString& why)
{
    AutoModeRulesRead read;
    read.error = ConfigError::WrongShape;
    read.errorText = QStringLiteral("%1: %2").arg(origin, why);
    return read;
}

} // namespace

QString automaticModesPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/velumix/automatic-modes.json");
}

QString autoModeRuleProblem(const AutoModeRule& rule)
{
    if (blank(rule.application))
        return QStringLiteral("the application is blank");
    if (rule.application.size() > kMaxApplicationLength)
        return QStringLiteral("the application is longer than %1 characters")
            .arg(kMaxApplicationLength);
    if (blank(rule.mode))
        return QStringLiteral("the mode is blank");
    if (rule.mode.size() > kMaxModeNameLength)
        return QStringLiteral("the mode is longer than %1 characters").arg(kMaxModeNameLength);
    return {};
}

namespace {

AutoModeRulesRead rulesOf(const LoadedDocument& loaded, const QString& origin)
{
    if (loaded.error != ConfigError::None)
        return {loaded.error, loaded.errorText, {}};
    if (!loaded.document.isObject())
        return refusal(origin, QStringLiteral("the document is not a JSON object"));
    const QJsonObject root = loaded.document.object();
    const QJsonValue list = root.value(kRules);
    if (list.isUndefined())
        return {};
    if (!list.isArray())
        return refusal(origin, QStringLiteral("\"rules\" is not an array"));
    AutoModeRulesRead read;
    const QJsonArray entries = list.toArray();
    for (int i = 0; i < entries.size(); ++i) {
        const QString place = QStringLiteral("rule %1").arg(i + 1);
        if (!entries[i].isObject())
            return refusal(origin, QStringLiteral("%1 is not an object").arg(place));
        const QJsonObject entry = entries[i].toObject();
        for (const QString& member : {kApplication, kPage, kMode})
            if (!entry.value(member).isString())
                return refusal(
                    origin,
                    QStringLiteral("%1: \"%2\" is missing or not a string").arg(place, member));
        AutoModeRule rule;
        rule.application = entry.value(kApplication).toString();
        rule.mode = entry.value(kMode).toString();
        const QString page = entry.value(kPage).toString();
        if (page == QLatin1String("surround"))
            rule.page = SoundPage::Surround;
        else if (page == QLatin1String("stereo"))
            rule.page = SoundPage::Stereo;
        else
            return refusal(
                origin,
                QStringLiteral("%1: \"page\" is neither \"surround\" nor \"stereo\"").arg(place));
        if (const QString problem = autoModeRuleProblem(rule); !problem.isEmpty())
            return refusal(origin, QStringLiteral("%1: %2").arg(place, problem));
        if (findAutoModeRule(read.rules, rule.application) >= 0)
            return refusal(origin, QStringLiteral("%1: a rule before it names the application "
                                                  "already")
                                       .arg(place));
        read.rules << rule;
    }
    return read;
}

} // namespace

AutoModeRulesRead parseAutoModeRules(const QByteArray& data, const QString& origin)
{
    return rulesOf(parseConfigDocument(data, origin), origin);
}

AutoModeRulesRead readAutoModeRules(const QString& path)
{
    const LoadedDocument loaded = loadConfigDocument(path);
    if (loaded.error == ConfigError::NotFound)
        return {};
    return rulesOf(loaded, path);
}

QJsonObject autoModeRulesDocument(const QList<AutoModeRule>& rules)
{
    QJsonArray entries;
    for (const AutoModeRule& rule : rules)
        entries.append(QJsonObject{
            {kApplication, rule.application}, {kPage, pageText(rule.page)}, {kMode, rule.mode}});
    return QJsonObject{{kRules, entries}};
}

ConfigWriteResult saveAutoModeRules(const QString& path, const QList<AutoModeRule>& rules)
{
    // A file that is there but is no list of rules may be the person's own
    // work: it is not written over.
    const AutoModeRulesRead before = readAutoModeRules(path);
    if (!before.ok())
        return {before.error, before.errorText};
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return {ConfigError::WriteFailed,
                QStringLiteral("%1: cannot make its folder").arg(QFileInfo(path).absolutePath())};
    return saveConfigDocument(path, autoModeRulesDocument(rules));
}

int findAutoModeRule(const QList<AutoModeRule>& rules, const QString& application)
{
    for (int i = 0; i < rules.size(); ++i)
        if (rules[i].application.compare(application, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

int matchAutoModeRule(const QList<AutoModeRule>& rules, const QString& processBinary,
                      const QString& applicationName)
{
    if (!processBinary.isEmpty())
        if (const int byBinary = findAutoModeRule(rules, processBinary); byBinary >= 0)
            return byBinary;
    if (!applicationName.isEmpty())
        return findAutoModeRule(rules, applicationName);
    return -1;
}

QList<AutoModeRule> withAutoModeRule(QList<AutoModeRule> rules, const AutoModeRule& rule)
{
    const int existing = findAutoModeRule(rules, rule.application);
    if (existing >= 0)
        rules[existing] = rule;
    else
        rules << rule;
    return rules;
}

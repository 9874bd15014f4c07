// Any bytes as the automatic modes' file: read or refused with a reason; the
// rules read are each acceptable, name each application once, are found by
// their application in any case, and survive being written and read again.

#include "AutoModeRules.h"
#include "GuardedBytes.h"

#include <QJsonDocument>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    const AutoModeRulesRead read = parseAutoModeRules(bytes, QStringLiteral("fuzz"));
    if (!read.ok()) {
        fuzzCheck(!read.errorText.isEmpty(), "a refused file has a reason");
        fuzzCheck(read.rules.isEmpty(), "a refused file gives no rules");
        return 0;
    }
    for (int i = 0; i < read.rules.size(); ++i) {
        const AutoModeRule& rule = read.rules[i];
        fuzzCheck(autoModeRuleProblem(rule).isEmpty(), "a rule read is acceptable");
        fuzzCheck(findAutoModeRule(read.rules, rule.application) == i,
                  "each application has one rule");
        fuzzCheck(findAutoModeRule(read.rules, rule.application.toUpper()) == i ||
                      rule.application.toUpper().compare(rule.application, Qt::CaseInsensitive),
                  "a rule is found in any case");
        fuzzCheck(matchAutoModeRule(read.rules, QString(), rule.application) == i,
                  "a stream named like the application matches its rule");
        fuzzCheck(withAutoModeRule(read.rules, rule) == read.rules,
                  "adding a rule again changes nothing");
    }
    const QByteArray written = QJsonDocument(autoModeRulesDocument(read.rules)).toJson();
    const AutoModeRulesRead again = parseAutoModeRules(written, QStringLiteral("again"));
    fuzzCheck(again.ok() && again.rules == read.rules, "rules survive being written");
    return 0;
}

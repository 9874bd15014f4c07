// The command table, row by row and form by form: each form's usage line,
// with a value put in for each placeholder, reads back into the request the
// form describes, which the window's check of requests takes; the completion
// offers the form's words, options and choices; and velumixctl's manual page,
// the README and the protocol's description list what the table holds.

#include "CtlCommandLine.h"
#include "CtlCompletion.h"
#include "CtlOptions.h"

#include <QDir>
#include <QJsonArray>
#include <QRegularExpression>
#include <QtTest>

using remote::ArgumentRule;
using remote::CommandForm;
using remote::CommandRow;
using remote::TypedOption;
using remote::TypedValue;
using remote::ValueSyntax;

Q_DECLARE_METATYPE(TypedCommand)

namespace {

// A value to type for a placeholder, and the argument it stands for.
struct Sample
{
    QString typed;
    QJsonValue sent;
};

Sample sampleOf(const TypedValue& value, const ArgumentRule& rule)
{
    QStringList numbers;
    QJsonArray sent;
    for (int i = 0; i < rule.count; ++i) {
        numbers << QString::number(rule.min + i);
        sent.append(rule.min + i);
    }
    switch (value.syntax) {
    case ValueSyntax::Decimal:
        return {QString::number(rule.max), rule.max};
    case ValueSyntax::DecimalList:
        return {numbers.join(','), sent};
    case ValueSyntax::DecimalWords:
        return {numbers.join(' '), sent};
    case ValueSyntax::OnOff:
        return {"off", false};
    case ValueSyntax::Choice:
        return {rule.choices.last(), rule.choices.last()};
    case ValueSyntax::ProductId:
        return {"F51", "0f51"};
    case ValueSyntax::Identity:
        return {"0A1B2C3D", "0a1b2c3d"};
    case ValueSyntax::File:
        return {"eq.txt", QDir::current().filePath("eq.txt")};
    case ValueSyntax::Text:
        return {"Night", "Night"};
    }
    return {};
}

// One row of data per form of the table.
void eachForm()
{
    QTest::addColumn<TypedCommand>("typed");
    for (const CommandRow& command : remote::commandTable())
        for (const CommandForm& form : command.forms)
            QTest::newRow(form.words) << TypedCommand{&command, &form};
}

// The form's usage line with each placeholder replaced by a sample, in the
// order the line shows them; options in brackets only with `optional`.
QStringList sampleLine(const TypedCommand& typed, bool optional, QJsonObject& sent)
{
    QString line = remote::usageLine(*typed.command, *typed.form);
    sent = typed.form->fixed;
    int cursor = 0;
    const auto fill = [&](const TypedValue& value) {
        const QString placeholder = remote::placeholderOf(value, ruleOf(typed, value));
        const Sample sample = sampleOf(value, ruleOf(typed, value));
        const int at =
            line.indexOf(QRegularExpression(QStringLiteral("(?<= )%1(?=[ \\]]|$)")
                                                .arg(QRegularExpression::escape(placeholder))),
                         cursor);
        line.replace(at, placeholder.size(), sample.typed);
        cursor = at + sample.typed.size();
        sent[value.argument] = sample.sent;
    };
    for (const TypedValue& parameter : typed.form->parameters)
        fill(parameter);
    for (const TypedOption& option : typed.form->options) {
        if (option.required || optional)
            fill(option.value);
        else if (!option.fallback.isUndefined())
            sent[option.value.argument] = option.fallback;
    }
    if (!optional)
        line.remove(QRegularExpression(QStringLiteral(" \\[[^]]*\\]")));
    return line.remove('[').remove(']').split(' ');
}

bool offers(const QStringList& words, const QString& word)
{
    return completionOf(words + QStringList{QString()}).words.contains(word);
}

QString sourceFile(const QString& path)
{
    QFile file(qEnvironmentVariable("VELUMIX_SOURCE_DIR") + QLatin1Char('/') + path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// A line of the manual page's source as it reads: the arguments of a font
// macro (.B, .BI, .BR, ...) joined, the font escapes gone, "\-" a hyphen.
QString manText(const QString& line)
{
    const QRegularExpressionMatch macro =
        QRegularExpression(QStringLiteral("^\\.([BIR]{1,2}) (.*)$")).match(line);
    if (!macro.hasMatch())
        return {};
    QStringList arguments;
    QRegularExpressionMatchIterator each =
        QRegularExpression(QStringLiteral("\"([^\"]*)\"|(\\S+)")).globalMatch(macro.captured(2));
    while (each.hasNext()) {
        const QRegularExpressionMatch argument = each.next();
        arguments << argument.captured(argument.lastCapturedIndex());
    }
    // .B and .I set all their words in one font; the others alternate two.
    QString text = arguments.join(macro.captured(1).size() == 1 ? " " : "");
    return text.remove(QRegularExpression(QStringLiteral("\\\\f[BIRP]"))).replace("\\-", "-");
}

// The entries' heading lines of the manual page's COMMANDS section.
QStringList manUsageLines()
{
    const QString page = sourceFile("resources/man/velumixctl.1");
    const int start = page.indexOf(".SH COMMANDS");
    const QStringList lines = page.mid(start, page.indexOf(".SH OPTIONS") - start).split('\n');
    QStringList headings;
    for (int i = 0; i + 1 < lines.size(); ++i)
        if (lines[i] == ".TP" || lines[i] == ".TQ")
            headings << manText(lines[i + 1]);
    return headings;
}

QStringList tableUsageLines()
{
    QStringList lines;
    for (const CommandRow& command : remote::commandTable())
        for (const CommandForm& form : command.forms)
            lines << remote::usageLine(command, form);
    return lines;
}

} // namespace

class CommandTableTest : public QObject
{
    Q_OBJECT
private slots:
    void usageLineReadsBackIntoItsRequest_data() { eachForm(); }
    void usageLineReadsBackIntoItsRequest();
    void completionOffersTheFormsWords_data() { eachForm(); }
    void completionOffersTheFormsWords();
    void formsAreWrittenOneWayEach_data() { eachForm(); }
    void formsAreWrittenOneWayEach();
    void manualPageListsTheUsageLines();
    void readmeShowsTheUsage();
    void protocolDescriptionNamesEveryCommand();
};

// With the optional options and without them.
void CommandTableTest::usageLineReadsBackIntoItsRequest()
{
    QFETCH(TypedCommand, typed);
    for (const bool optional : {true, false}) {
        QJsonObject sent;
        const QStringList line = sampleLine(typed, optional, sent);
        const ParsedOptions parsed = parseCtlOptions(line);
        QVERIFY2(parsed.options, qPrintable(line.join(' ') + ": " + parsed.error));
        const remote::Request& request = parsed.options->request;
        QCOMPARE(request.command, QString(typed.command->name));
        QCOMPARE(request.arguments, sent);
        QVERIFY(!remote::requestError(request));
    }
}

void CommandTableTest::completionOffersTheFormsWords()
{
    QFETCH(TypedCommand, typed);
    const QStringList words = wordsOf(*typed.form);
    for (int i = 0; i < words.size(); ++i)
        QVERIFY2(offers(words.mid(0, i), words[i]), qPrintable(words[i]));
    for (const TypedOption& option : typed.form->options) {
        const QString name = QStringLiteral("--") + option.name;
        QVERIFY2(completionOf(words + QStringList{"--"}).words.contains(name), qPrintable(name));
        for (const QString& choice : ruleOf(typed, option.value).choices)
            QVERIFY2(offers(words + QStringList{name}, choice), qPrintable(name + ' ' + choice));
    }
    QStringList before = words;
    for (const TypedValue& parameter : typed.form->parameters) {
        const ArgumentRule& own = ruleOf(typed, parameter);
        for (const QString& choice : own.choices)
            QVERIFY2(offers(before, choice), qPrintable(choice));
        QCOMPARE(completionOf(before + QStringList{QString()}).files,
                 parameter.syntax == ValueSyntax::File);
        before << sampleOf(parameter, own).typed.split(' ');
    }
}

// A form's words name one form alone, and each of its values sets an
// argument the row has a rule for.
void CommandTableTest::formsAreWrittenOneWayEach()
{
    QFETCH(TypedCommand, typed);
    QCOMPARE(typedCommandOf(wordsOf(*typed.form))->form, typed.form);
    for (const TypedValue& parameter : typed.form->parameters)
        QVERIFY2(remote::findArgument(*typed.command, parameter.argument), parameter.argument);
    for (const TypedOption& option : typed.form->options)
        QVERIFY2(remote::findArgument(*typed.command, option.value.argument),
                 option.value.argument);
}

void CommandTableTest::manualPageListsTheUsageLines()
{
    QCOMPARE(manUsageLines(), tableUsageLines());
}

void CommandTableTest::readmeShowsTheUsage()
{
    QVERIFY2(sourceFile("README.md").contains(commandsUsage()), qPrintable(commandsUsage()));
}

void CommandTableTest::protocolDescriptionNamesEveryCommand()
{
    const QString description = sourceFile("docs/remote-protocol.md");
    for (const CommandRow& command : remote::commandTable())
        QVERIFY2(description.contains(QStringLiteral("| `%1` |").arg(command.name)), command.name);
}

QTEST_GUILESS_MAIN(CommandTableTest)
#include "tst_commandtable.moc"

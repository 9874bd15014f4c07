#include "AutomaticModesDialog.h"

#include "AutomaticModes.h"
#include "BuiltInPresets.h"
#include "HeadsetSession.h"
#include "ModeLookup.h"
#include "PageWidgets.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

AutomaticModesDialog::AutomaticModesDialog(AutomaticModes& automatic, HeadsetSession& session,
                                           QWidget* parent)
    : QDialog(parent), m_automatic(automatic), m_session(session),
      m_list(new QTableWidget(0, 3, this)), m_application(new QComboBox(this)),
      m_page(new QComboBox(this)), m_mode(new QComboBox(this)),
      m_add(new QPushButton(tr("&Add or change"), this)),
      m_remove(new QPushButton(tr("&Remove"), this)), m_message(new QLabel(this))
{
    setObjectName(QStringLiteral("automaticModesDialog"));
    setWindowTitle(tr("Automatic modes"));

    m_list->setObjectName(QStringLiteral("automaticModesList"));
    m_list->setAccessibleName(tr("Automatic modes"));
    m_list->setAccessibleDescription(
        tr("While an application plays on the headset, its page and mode are in force"));
    m_list->setHorizontalHeaderLabels({tr("Application"), tr("Page"), tr("Mode")});
    m_list->horizontalHeader()->setStretchLastSection(true);
    m_list->verticalHeader()->hide();
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setTabKeyNavigation(false);

    m_application->setObjectName(QStringLiteral("automaticModeApplication"));
    m_application->setEditable(true);
    m_application->setInsertPolicy(QComboBox::NoInsert);
    m_application->setAccessibleName(tr("Application"));
    m_application->setToolTip(
        tr("An application playing now, or a process or application name typed in"));
    m_page->setObjectName(QStringLiteral("automaticModePage"));
    m_page->setAccessibleName(tr("Page"));
    m_page->addItem(tr("Surround"), int(SoundPage::Surround));
    m_page->addItem(tr("Stereo"), int(SoundPage::Stereo));
    m_mode->setObjectName(QStringLiteral("automaticModeMode"));
    m_mode->setEditable(true);
    m_mode->setInsertPolicy(QComboBox::NoInsert);
    m_mode->setAccessibleName(tr("Mode"));
    m_mode->setToolTip(tr("A preset, or a custom mode by its name"));
    m_add->setObjectName(QStringLiteral("automaticModeAdd"));
    m_add->setAccessibleName(tr("Add or change the rule"));
    m_remove->setObjectName(QStringLiteral("automaticModeRemove"));
    m_remove->setAccessibleName(tr("Remove the selected rule"));
    m_message->setObjectName(QStringLiteral("automaticModesMessage"));
    m_message->setWordWrap(true);
    m_message->setAccessibleName(tr("Message"));
    m_message->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);

    auto* form = new QFormLayout;
    auto* applicationLabel = new QLabel(tr("A&pplication:"), this);
    applicationLabel->setBuddy(m_application);
    auto* pageLabel = new QLabel(tr("Pa&ge:"), this);
    pageLabel->setBuddy(m_page);
    auto* modeLabel = new QLabel(tr("&Mode:"), this);
    modeLabel->setBuddy(m_mode);
    form->addRow(applicationLabel, m_application);
    form->addRow(pageLabel, m_page);
    form->addRow(modeLabel, m_mode);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_add);
    buttons->addWidget(m_remove);
    buttons->addStretch();
    auto* close = new QDialogButtonBox(QDialogButtonBox::Close, this);
    close->button(QDialogButtonBox::Close)->setAccessibleName(tr("Close"));
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    auto* listLabel = new QLabel(tr("Ru&les: while the application plays on the headset, "
                                    "its mode is in force; your own comes back when it stops."),
                                 this);
    listLabel->setWordWrap(true);
    listLabel->setBuddy(m_list);
    layout->addWidget(listLabel);
    layout->addWidget(m_list);
    layout->addLayout(form);
    layout->addLayout(buttons);
    layout->addWidget(m_message);
    setTabOrder(m_list, m_application);
    setTabOrder(m_application, m_page);
    setTabOrder(m_page, m_mode);
    setTabOrder(m_mode, m_add);
    setTabOrder(m_add, m_remove);

    connect(m_add, &QPushButton::clicked, this, &AutomaticModesDialog::addRule);
    connect(m_remove, &QPushButton::clicked, this, &AutomaticModesDialog::removeRule);
    connect(close, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QTableWidget::itemSelectionChanged, this, &AutomaticModesDialog::takeSelected);
    connect(m_page, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &AutomaticModesDialog::showModes);
    connect(&m_automatic, &AutomaticModes::rulesChanged, this, &AutomaticModesDialog::showRules);
    connect(&m_automatic, &AutomaticModes::playingChanged, this,
            &AutomaticModesDialog::showPlaying);
    connect(&m_session, &HeadsetSession::unitChanged, this, &AutomaticModesDialog::showModes);
    connect(&m_session, &HeadsetSession::pageChanged, this, &AutomaticModesDialog::showModes);
    showRules();
    showPlaying();
    showModes();
    say(m_automatic.problem());
    resize(520, 420);
}

void AutomaticModesDialog::showRules()
{
    const int selected = m_list->currentRow();
    m_list->setRowCount(0);
    for (const AutoModeRule& rule : m_automatic.rules()) {
        const int row = m_list->rowCount();
        m_list->insertRow(row);
        m_list->setItem(row, 0, new QTableWidgetItem(rule.application));
        m_list->setItem(
            row, 1,
            new QTableWidgetItem(rule.page == SoundPage::Surround ? tr("Surround") : tr("Stereo")));
        m_list->setItem(row, 2, new QTableWidgetItem(rule.mode));
    }
    if (selected >= 0 && selected < m_list->rowCount())
        m_list->selectRow(selected);
    m_remove->setEnabled(m_list->rowCount() > 0);
}

// The applications playing now, the text typed kept.
void AutomaticModesDialog::showPlaying()
{
    const QString typed = m_application->currentText();
    m_application->clear();
    m_application->addItems(m_automatic.playingApplications());
    m_application->setCurrentText(typed);
}

// The page's presets, then the connected unit's custom modes of the page.
void AutomaticModesDialog::showModes()
{
    const QString typed = m_mode->currentText();
    const SoundPage page = SoundPage(m_page->currentData().toInt());
    QStringList names;
    for (int preset : presetsInListOrder(page)) {
        const QString caption = QString::fromUtf8(builtInPresets()[size_t(preset)].caption);
        if (!names.contains(caption))
            names << caption;
    }
    for (const ShownMode& mode : shownModes(m_session.unit().customModes, page))
        if (!names.contains(mode.record->name))
            names << mode.record->name;
    m_mode->clear();
    m_mode->addItems(names);
    m_mode->setCurrentText(typed);
}

// The selected rule fills the form, to be changed.
void AutomaticModesDialog::takeSelected()
{
    const int row = m_list->currentRow();
    if (row < 0 || row >= m_automatic.rules().size())
        return;
    const AutoModeRule& rule = m_automatic.rules()[row];
    m_application->setCurrentText(rule.application);
    m_page->setCurrentIndex(m_page->findData(int(rule.page)));
    m_mode->setCurrentText(rule.mode);
}

void AutomaticModesDialog::addRule()
{
    const AutoModeRule rule{m_application->currentText().trimmed(),
                            SoundPage(m_page->currentData().toInt()),
                            m_mode->currentText().trimmed()};
    const QString error = m_automatic.addRule(rule);
    say(error.isEmpty() ? tr("%1 for %2 is stored.").arg(rule.mode, rule.application) : error);
}

void AutomaticModesDialog::removeRule()
{
    const int row = m_list->currentRow();
    if (row < 0 || row >= m_automatic.rules().size()) {
        say(tr("Select a rule to remove."));
        return;
    }
    const QString application = m_automatic.rules()[row].application;
    const QString error = m_automatic.removeRule(application);
    say(error.isEmpty() ? tr("The rule for %1 is removed.").arg(application) : error);
}

void AutomaticModesDialog::say(const QString& text)
{
    m_message->setText(text);
    m_message->setVisible(!text.isEmpty());
}

#include "SoundPageView.h"

#include "AccessibleControls.h"
#include "BuiltInPresets.h"
#include "ElidedButtonText.h"
#include "Look.h"
#include "ResponseCurve.h"
#include "Styles.h"
#include "SwapInPlace.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSlider>

namespace {

// The text a button shows for a name: '&' in a name is a character, not
// the mark of a keyboard shortcut.
QString buttonText(const QString& name)
{
    return QString(name).replace(QLatin1Char('&'), QLatin1String("&&"));
}

QButtonGroup* exclusiveGroup(const std::vector<QAbstractButton*>& buttons, QObject* owner)
{
    auto* group = new QButtonGroup(owner);
    for (QAbstractButton* button : buttons)
        group->addButton(button);
    return group;
}

// Checks `button` alone in its group, or none.
void checkOnly(QButtonGroup* group, QAbstractButton* button)
{
    group->setExclusive(false);
    for (QAbstractButton* each : group->buttons())
        each->setChecked(each == button);
    group->setExclusive(true);
}

QString copyButtonName(const QString& modeName)
{
    return SoundPageView::tr("Copy %1 into a new mode").arg(modeName);
}

void showEditButton(QPushButton* button, bool active, const char* activeStyle)
{
    button->setEnabled(active);
    look::setStyleSheet(button, active ? activeStyle : styles::kEditButtonIdle);
}

} // namespace

SoundPageView::SoundPageView(SoundPage page, Ui::VelumixClass& form, HeadsetSession& session,
                             QWidget* window)
    : QObject(window), m_page(page), m_session(session), m_widgets(pageWidgets(form, page))
{
    std::vector<QAbstractButton*> listEntries;
    for (const PresetRow& row : m_widgets.presets)
        listEntries.push_back(row.radio);
    listEntries.push_back(m_widgets.customize);
    m_listGroup = exclusiveGroup(listEntries, this);
    m_customGroup =
        exclusiveGroup({m_widgets.customRadios.begin(), m_widgets.customRadios.end()}, this);
    elideLongTexts({m_widgets.customRadios.begin(), m_widgets.customRadios.end()}, this);
    m_widgets.unfoldButton->hide();
    // The rows' delete buttons press it; it is never on screen itself.
    m_widgets.deleteRequest->hide();
    // Esc in the strip is its Cancel.
    m_widgets.confirmStrip.confirm->installEventFilter(this);
    m_widgets.confirmStrip.cancel->installEventFilter(this);
    for (const PresetRow& row : m_widgets.presets)
        nameIconButton(row.copyButton, copyButtonName(row.radio->text()));
    m_curve = new ResponseCurve(page, session, m_widgets.sliderBackground, m_widgets.sliders, this);
    connectWidgets();
    connect(&session, &HeadsetSession::pageChanged, this, [this](SoundPage changed) {
        if (changed == m_page)
            show();
    });
    connect(&session, &HeadsetSession::capabilitiesChanged, this, &SoundPageView::show);
    show();
}

void SoundPageView::connectWidgets()
{
    // Long captions in narrow boxes show their beginning, not their end;
    // while a person types a name, the cursor stays where they type.
    QLineEdit* nameBox = m_widgets.nameBox;
    connect(nameBox, &QLineEdit::textChanged, nameBox, [nameBox] {
        if (!nameBox->isModified())
            nameBox->setCursorPosition(0);
    });
    connect(nameBox, &QLineEdit::textEdited, this, &SoundPageView::rename);
    for (const PresetRow& row : m_widgets.presets)
        connect(row.copyButton, &QPushButton::clicked, this, &SoundPageView::copyToNewMode);
    for (QPushButton* copy : m_widgets.copyButtons)
        connect(copy, &QPushButton::clicked, this, &SoundPageView::copyToNewMode);
    connect(m_curve, &ResponseCurve::bandResetRequested, this,
            [this](int band) { m_session.editGain(m_page, band, 0); });
}

QAbstractButton* SoundPageView::presetRadio(int preset) const
{
    for (const PresetRow& row : m_widgets.presets)
        if (row.preset == preset)
            return row.radio;
    return nullptr;
}

// Each intent ends by showing the session's state, which also puts back a
// radio button a refused choice had checked.
void SoundPageView::choosePreset(int preset)
{
    m_confirmingDelete = false;
    m_session.choosePreset(preset);
    show();
}

void SoundPageView::openCustomList()
{
    m_session.openCustomList(m_page);
    show();
}

void SoundPageView::chooseCustomMode(int slot)
{
    m_session.chooseCustomMode(m_page, slot);
    show();
}

void SoundPageView::bandMoved(QSlider* slider)
{
    const auto band = std::find(m_widgets.sliders.begin(), m_widgets.sliders.end(), slider) -
                      m_widgets.sliders.begin();
    if (band < kBandCount) {
        m_lastBand = int(band);
        m_session.editGain(m_page, int(band), slider->value());
    }
    show();
}

void SoundPageView::rename(const QString& name)
{
    m_session.renameCustomMode(m_page, name);
    show();
}

void SoundPageView::save()
{
    m_session.saveCustomMode(m_page);
    show();
}

void SoundPageView::reset()
{
    m_session.resetCustomMode(m_page);
    show();
}

void SoundPageView::addCustomMode()
{
    m_session.addCustomMode(m_page, EqGains{});
    show();
    focusNewMode();
}

void SoundPageView::copyToNewMode()
{
    m_session.copyToNewMode(m_page);
    show();
    focusNewMode();
}

// A new mode is named first.
void SoundPageView::focusNewMode()
{
    if (m_session.page(m_page).choice.kind != ModeChoice::Custom)
        return;
    m_widgets.nameBox->setFocus(Qt::OtherFocusReason);
    m_widgets.nameBox->selectAll();
}

void SoundPageView::requestDelete()
{
    m_confirmingDelete = m_session.page(m_page).choice.kind == ModeChoice::Custom;
    show();
    if (m_confirmingDelete)
        m_widgets.confirmStrip.confirm->setFocus(Qt::OtherFocusReason);
}

void SoundPageView::cancelDelete()
{
    const bool stripHadFocus = stripHasFocus();
    m_confirmingDelete = false;
    show();
    const ModeChoice& choice = m_session.page(m_page).choice;
    if (stripHadFocus && choice.kind == ModeChoice::Custom)
        focusFirstShown({m_widgets.deleteButtons[size_t(choice.slot)], m_widgets.nameBox});
}

void SoundPageView::confirmDelete()
{
    const bool stripHadFocus = stripHasFocus();
    m_confirmingDelete = false;
    m_session.deleteCustomMode(m_page);
    show();
    if (stripHadFocus)
        focusListEntry();
}

bool SoundPageView::stripHasFocus() const
{
    return m_widgets.confirmStrip.confirm->hasFocus() || m_widgets.confirmStrip.cancel->hasFocus();
}

// The entry of the list that is chosen now, else the Customize entry.
void SoundPageView::focusListEntry()
{
    const ModeChoice& choice = m_session.page(m_page).choice;
    QWidget* chosen = choice.kind == ModeChoice::Custom
                          ? static_cast<QWidget*>(m_widgets.customRadios[size_t(choice.slot)])
                          : m_widgets.customize;
    focusFirstShown({chosen, m_widgets.customize});
}

void SoundPageView::focusFirstShown(std::initializer_list<QWidget*> candidates)
{
    for (QWidget* candidate : candidates)
        if (candidate->isVisible() && candidate->isEnabled()) {
            candidate->setFocus(Qt::OtherFocusReason);
            return;
        }
}

bool SoundPageView::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && m_confirmingDelete) {
        cancelDelete();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

// Folding hides the preset entries and moves the Customize entry and the
// custom rows up to the top of the list; unfolding puts them back.
void SoundPageView::setListFolded(bool folded)
{
    // The arrows lie in one place, the one that does something on top.
    if (folded)
        swapInPlace(m_widgets.foldButton, m_widgets.unfoldButton);
    else
        swapInPlace(m_widgets.unfoldButton, m_widgets.foldButton);
    if (!folded)
        m_widgets.caption->setText("Default");
    for (const PresetRow& row : m_widgets.presets) {
        row.radio->setVisible(!folded);
        if (folded)
            row.copyButton->hide();
    }
    const RowGeometry& geometry = folded ? m_widgets.folded : m_widgets.unfolded;
    m_widgets.customize->setGeometry(geometry.customize);
    m_widgets.addButton->setGeometry(geometry.addButton);
    for (int slot = 0; slot < kCustomSlotCount; ++slot) {
        const int down = slot * kRowPitch;
        m_widgets.customRadios[slot]->setGeometry(geometry.firstCustomRadio.translated(0, down));
        m_widgets.copyButtons[slot]->setGeometry(geometry.firstCopyButton.translated(0, down));
        m_widgets.deleteButtons[slot]->setGeometry(geometry.firstDeleteButton.translated(0, down));
    }
    QScrollBar* scrollBar = m_widgets.scrollArea->verticalScrollBar();
    scrollBar->setValue(scrollBar->minimum());
}

void SoundPageView::setEqualiserShown(bool shown)
{
    m_equaliserShown = shown;
    show();
}

void SoundPageView::show()
{
    const PageSettings& settings = m_session.page(m_page);
    if (settings.choice.kind != ModeChoice::Custom)
        m_confirmingDelete = false;
    showList(settings);
    showCustomRows(settings);
    showNameBox(settings);
    showEditControls(settings);
    showSliders(settings);
    m_curve->update();
}

void SoundPageView::showList(const PageSettings& settings)
{
    const ModeChoice& choice = settings.choice;
    const bool listOpen = choice.kind != ModeChoice::Preset;
    // The radios' toggles show the copy button beside the checked entry
    // (the form's own connections); their clicks are not emitted.
    checkOnly(m_listGroup, listOpen ? m_widgets.customize : presetRadio(choice.preset));
    m_widgets.frame->setVisible(listOpen);
    m_widgets.addButton->setVisible(listOpen);
    m_widgets.deleteRequest->setEnabled(m_session.unit().slotCount(m_page) > 0);
    showDeleteStrip(settings);
}

void SoundPageView::showCustomRows(const PageSettings& settings)
{
    const ModeChoice& choice = settings.choice;
    const bool listOpen = choice.kind != ModeChoice::Preset;
    const int chosen = choice.kind == ModeChoice::Custom ? choice.slot : -1;
    checkOnly(m_customGroup, chosen >= 0 ? m_widgets.customRadios[chosen] : nullptr);
    const UnitSettings& unit = m_session.unit();
    for (int slot = 0; slot < kCustomSlotCount; ++slot) {
        QRadioButton* radio = m_widgets.customRadios[slot];
        const bool used = unit.slotMode(m_page, slot) != nullptr;
        radio->setText(used ? buttonText(unit.shownSlotName(m_page, slot))
                            : QStringLiteral("Customize -%1").arg(slot + 1));
        radio->setVisible(listOpen && used);
        if (used) {
            const QString name = unit.shownSlotName(m_page, slot);
            nameIconButton(m_widgets.copyButtons[slot], copyButtonName(name));
            nameIconButton(m_widgets.deleteButtons[slot], tr("Delete %1").arg(name));
        }
        m_widgets.copyButtons[slot]->setVisible(slot == chosen);
        m_widgets.deleteButtons[slot]->setVisible(slot == chosen);
    }
}

void SoundPageView::showNameBox(const PageSettings& settings)
{
    const ModeChoice& choice = settings.choice;
    QString text = QStringLiteral("Customize");
    if (choice.kind == ModeChoice::Preset)
        text = QString::fromUtf8(builtInPresets()[size_t(choice.preset)].nameBoxText);
    else if (choice.kind == ModeChoice::Custom)
        text = m_session.unit().shownSlotName(m_page, choice.slot);
    // Setting the same text again would move the cursor of a person typing.
    if (m_widgets.nameBox->text() != text)
        m_widgets.nameBox->setText(text);
    m_widgets.nameBox->setEnabled(choice.kind == ModeChoice::Custom);
}

// The strip names the mode it asks about and lies beside the list, not on it.
void SoundPageView::showDeleteStrip(const PageSettings& settings)
{
    const PageWidgets::DeleteStrip& strip = m_widgets.confirmStrip;
    if (m_confirmingDelete) {
        const QString name = m_session.unit().shownSlotName(m_page, settings.choice.slot);
        strip.prompt->setText(tr("Delete '%1'?").arg(name));
        strip.confirm->setAccessibleName(tr("Delete '%1'").arg(name));
    }
    for (QWidget* part : std::initializer_list<QWidget*>{strip.prompt, strip.confirm, strip.cancel})
        part->setVisible(m_confirmingDelete);
}

void SoundPageView::showEditControls(const PageSettings& settings)
{
    const bool editing = settings.choice.kind == ModeChoice::Custom && m_equaliserShown;
    // Save and Reset turn themselves off once used; the focus they had goes
    // to the band last moved, else to the name box, not on to the title bar.
    const bool editButtonFocused = m_widgets.save->hasFocus() || m_widgets.reset->hasFocus();
    if (editButtonFocused && !(editing && settings.edited))
        focusFirstShown({m_widgets.sliders[size_t(m_lastBand)], m_widgets.nameBox});
    m_widgets.reset->setVisible(editing);
    m_widgets.save->setVisible(editing);
    showEditButton(m_widgets.reset, editing && settings.edited, styles::kResetButtonActive);
    showEditButton(m_widgets.save, editing && settings.edited, styles::kSaveButtonActive);
}

void SoundPageView::showSliders(const PageSettings& settings)
{
    const bool editable = settings.choice.kind == ModeChoice::Custom;
    for (int band = 0; band < kBandCount; ++band) {
        QSlider* slider = m_widgets.sliders[band];
        slider->setEnabled(editable);
        // A slider being dragged keeps where the hand put it.
        if (slider->isSliderDown())
            continue;
        const QSignalBlocker quiet(slider);
        slider->setValue(settings.gains[band]);
    }
}

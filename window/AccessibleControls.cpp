#include "AccessibleControls.h"

#include "Vocabulary.h"
#include "WidgetTables.h"
#include "ui_Velumix.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>
#include <QTabBar>
#include <QTextEdit>

namespace {

constexpr char kValueUnit[] = "velumixValueUnit";
constexpr char kCaptionOf[] = "velumixCaptionOf";
constexpr char kSelectedTab[] = "velumixSelectedTab";

QWidget* captionedControl(const QObject* caption)
{
    return caption->property(kCaptionOf).value<QWidget*>();
}

// A slider read with its unit; the caption that names it is its label.
class UnitSlider : public QAccessibleWidget, public QAccessibleValueInterface
{
public:
    explicit UnitSlider(QSlider* slider) : QAccessibleWidget(slider, QAccessible::Slider) {}

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text kind) const override
    {
        if (kind != QAccessible::Value)
            return QAccessibleWidget::text(kind);
        const QString unit = slider()->property(kValueUnit).toString();
        const int value = slider()->value();
        // Gains are signed; a level is not.
        const QString number = unit == QLatin1String("dB") && value > 0
                                   ? QStringLiteral("+%1").arg(value)
                                   : QString::number(value);
        return number + QLatin1Char(' ') + unit;
    }
    QVariant currentValue() const override { return slider()->value(); }
    void setCurrentValue(const QVariant& value) override { slider()->setValue(value.toInt()); }
    QVariant maximumValue() const override { return slider()->maximum(); }
    QVariant minimumValue() const override { return slider()->minimum(); }
    QVariant minimumStepSize() const override { return slider()->singleStep(); }

private:
    QSlider* slider() const { return static_cast<QSlider*>(widget()); }
};

// A disabled text field that shows a caption: a label, readable, never
// "unavailable", that labels its control.
class Caption : public QAccessibleWidget
{
public:
    explicit Caption(QWidget* field) : QAccessibleWidget(field, QAccessible::StaticText) {}

    QString text(QAccessible::Text kind) const override
    {
        if (kind != QAccessible::Name)
            return QAccessibleWidget::text(kind);
        if (const auto* line = qobject_cast<const QLineEdit*>(widget()))
            return line->text();
        if (const auto* box = qobject_cast<const QTextEdit*>(widget()))
            return box->toPlainText();
        return QAccessibleWidget::text(kind);
    }
    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.disabled = false;
        state.focusable = false;
        return state;
    }
    QVector<QPair<QAccessibleInterface*, QAccessible::Relation>>
    relations(QAccessible::Relation match) const override
    {
        auto relations = QAccessibleWidget::relations(match);
        QWidget* control = captionedControl(widget());
        if (control && (match & QAccessible::Labelled))
            relations.append(
                {QAccessible::queryAccessibleInterface(control), QAccessible::Labelled});
        return relations;
    }
};

class TabBar;

// One tab of the page tab bar, which it asks for everything.
class Tab : public QAccessibleInterface
{
public:
    Tab(QTabBar* bar, int index) : m_bar(bar), m_index(index) {}

    bool isValid() const override { return m_bar && m_index < m_bar->count(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return parent() ? parent()->window() : nullptr; }
    QAccessibleInterface* parent() const override
    {
        return m_bar ? QAccessible::queryAccessibleInterface(m_bar.data()) : nullptr;
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessible::Role role() const override { return QAccessible::PageTab; }
    void setText(QAccessible::Text, const QString&) override {}
    QString text(QAccessible::Text kind) const override
    {
        if (!isValid())
            return {};
        if (kind == QAccessible::Name) {
            const QString name = m_bar->accessibleTabName(m_index);
            return name.isEmpty() ? m_bar->tabText(m_index) : name;
        }
        if (kind == QAccessible::Description)
            return m_bar->tabToolTip(m_index);
        return {};
    }
    QRect rect() const override
    {
        if (!isValid())
            return {};
        const QRect tab = m_bar->tabRect(m_index);
        return QRect(m_bar->mapToGlobal(tab.topLeft()), tab.size());
    }
    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!isValid()) {
            state.invalid = true;
            return state;
        }
        const bool current = m_bar->currentIndex() == m_index;
        state.selectable = true;
        state.selected = current;
        state.focusable = true;
        state.focused = current && m_bar->hasFocus();
        state.disabled = !m_bar->isTabEnabled(m_index);
        state.invisible = !m_bar->isVisible();
        return state;
    }

private:
    QPointer<QTabBar> m_bar;
    int m_index;
};

// The page tab bar: its tabs are its children, made once each.
class TabBar : public QAccessibleWidget
{
public:
    explicit TabBar(QTabBar* bar) : QAccessibleWidget(bar, QAccessible::PageTabList) {}
    ~TabBar() override
    {
        for (QAccessible::Id id : qAsConst(m_tabs))
            QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return bar()->count(); }
    QAccessibleInterface* child(int index) const override
    {
        if (index < 0 || index >= bar()->count())
            return nullptr;
        if (!m_tabs.contains(index))
            m_tabs.insert(index, QAccessible::registerAccessibleInterface(new Tab(bar(), index)));
        return QAccessible::accessibleInterface(m_tabs.value(index));
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        for (auto tab = m_tabs.cbegin(); tab != m_tabs.cend(); ++tab)
            if (QAccessible::accessibleInterface(tab.value()) == child)
                return tab.key();
        return -1;
    }
    QAccessibleInterface* focusChild() const override
    {
        return bar()->hasFocus() ? child(bar()->currentIndex()) : nullptr;
    }

private:
    QTabBar* bar() const { return static_cast<QTabBar*>(widget()); }

    mutable QHash<int, QAccessible::Id> m_tabs;
};

QAccessibleInterface* interfaceFor(const QString&, QObject* object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    auto* widget = static_cast<QWidget*>(object);
    if (auto* slider = qobject_cast<QSlider*>(widget);
        slider && slider->property(kValueUnit).isValid())
        return new UnitSlider(slider);
    if (widget->property(kCaptionOf).isValid())
        return new Caption(widget);
    if (auto* bar = qobject_cast<QTabBar*>(widget); bar && bar->property(kSelectedTab).toBool())
        return new TabBar(bar);
    return nullptr;
}

// Qt may have made the stock interface while the form was built, before
// the widget was marked for its own: that one goes, and the next question
// gets the widget's own.
template <typename Own> void useOwnInterface(QWidget* widget)
{
    QAccessibleInterface* made = QAccessible::queryAccessibleInterface(widget);
    if (made && !dynamic_cast<Own*>(made))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}

using Form = Ui::VelumixClass;

struct NamedButton
{
    QPushButton* Form::*button;
    const char* name;
};

// Buttons that show only a picture.
const NamedButton kIconButtons[] = {
    {&Form::pushButton_8, "Back to start"},
    {&Form::pushButton_9, "Open the headset's settings"},
    {&Form::pushButton_Minimize, "Minimise"},
    {&Form::pushButton_Close, "Close to the tray"},
    {&Form::pushButton_DefaultClose, "Close to the tray"},
    {&Form::pushButton_die1, "Fold the preset list"},
    {&Form::pushButton_die3, "Fold the preset list"},
    {&Form::pushButton_die2, "Unfold the preset list"},
    {&Form::pushButton_die4, "Unfold the preset list"},
    {&Form::pushButton_Surround_CustomAdd, "Add a custom mode"},
    {&Form::pushButton_Stereo_CustomAdd, "Add a custom mode"},
    {&Form::pushButton_6, "Delete"},
    {&Form::pushButton_10, "Delete"},
    {&Form::pushButton_7, "Cancel"},
    {&Form::pushButton_11, "Cancel"},
};

// Buttons whose short text needs the thing it switches.
const NamedButton kTextButtons[] = {
    {&Form::pushButton_2, "Noise cancellation on"},
    {&Form::pushButton_3, "Noise cancellation off"},
    {&Form::pushButton_SurroundTest, "Speaker test"},
};

struct NamedSlider
{
    QSlider* Form::*slider;
    const char* name;
    const char* unit;
};

const NamedSlider kLevelSliders[] = {
    {&Form::Slider_Voice1, "Volume", "%"},
    {&Form::Slider_Voice1_2, "Volume", "%"},
    {&Form::Slider_Voice1_3, "Microphone volume", "%"},
};

// The page tabs show only pictures.
const char* const kTabNames[] = {"Surround (games)", "Stereo (music)", "Microphone"};

} // namespace

void installAccessibleInterfaces()
{
    static const bool installed = [] {
        QAccessible::installFactory(&interfaceFor);
        return true;
    }();
    Q_UNUSED(installed)
}

void setValueUnit(QSlider* slider, const QString& unit)
{
    slider->setProperty(kValueUnit, unit);
    useOwnInterface<UnitSlider>(slider);
}

void makeCaption(QWidget* caption, QWidget* control)
{
    caption->setProperty(kCaptionOf, QVariant::fromValue(control));
    useOwnInterface<Caption>(caption);
    caption->setFocusPolicy(Qt::NoFocus);
}

void reportSelectedTab(QWidget* tabBar)
{
    tabBar->setProperty(kSelectedTab, true);
    useOwnInterface<TabBar>(tabBar);
}

void nameIconButton(QWidget* button, const QString& name)
{
    button->setAccessibleName(name);
    button->setToolTip(name);
}

QString bandName(int band)
{
    const int hertz = kBandFrequencies[size_t(band)];
    return hertz < 1000 ? QStringLiteral("%1 Hz").arg(hertz)
                        : QStringLiteral("%1 kHz").arg(hertz / 1000);
}

void nameControls(Form& form)
{
    for (const NamedButton& entry : kIconButtons)
        nameIconButton(form.*entry.button, QString::fromUtf8(entry.name));
    for (const NamedButton& entry : kTextButtons)
        (form.*entry.button)->setAccessibleName(QString::fromUtf8(entry.name));
    for (const NamedSlider& entry : kLevelSliders) {
        (form.*entry.slider)->setAccessibleName(QString::fromUtf8(entry.name));
        setValueUnit(form.*entry.slider, QString::fromUtf8(entry.unit));
    }
    for (const auto& table : {kSurroundBandSliders, kStereoBandSliders})
        for (int band = 0; band < int(table.size()); ++band) {
            QSlider* slider = form.*table[size_t(band)];
            slider->setAccessibleName(bandName(band) + QStringLiteral(" gain"));
            setValueUnit(slider, QStringLiteral("dB"));
        }
    for (QLineEdit* nameBox : {form.lineEdit_23, form.lineEdit_15})
        nameBox->setAccessibleName(QStringLiteral("Mode name"));

    QTabBar* tabs = form.tabWidget->tabBar();
    reportSelectedTab(tabs);
    for (int tab = 0; tab < tabs->count(); ++tab) {
        tabs->setAccessibleTabName(tab, QString::fromUtf8(kTabNames[tab]));
        tabs->setTabToolTip(tab, QString::fromUtf8(kTabNames[tab]));
    }

    const std::pair<QWidget*, QWidget*> captions[] = {
        {form.lineEdit_22, form.Slider_Voice1},   {form.lineEdit_12, form.Slider_Voice1_2},
        {form.lineEdit_17, form.Slider_Voice1_3}, {form.lineEdit_4, form.pushButton_2},
        {form.lineEdit_20, form.pushButton_die1}, {form.lineEdit_21, form.pushButton_die3},
    };
    for (const auto& [caption, control] : captions)
        makeCaption(caption, control);
    // The page titles, the sliders' ends and levels, the speaker names.
    for (QWidget* caption : std::initializer_list<QWidget*>{
             form.lineEdit_2, form.lineEdit_3, form.lineEdit_16, form.lineEdit_7, form.lineEdit_8,
             form.lineEdit_13, form.lineEdit_14, form.lineEdit_18, form.lineEdit_19, form.textEdit,
             form.textEdit_2, form.textEdit_3, form.lineEdit, form.lineEdit_6, form.lineEdit_9,
             form.lineEdit_10, form.lineEdit_11})
        makeCaption(caption, nullptr);
}

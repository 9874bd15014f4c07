#pragma once
// One sound page of the window, built once for each: its list of presets
// and custom modes, the name box, the band sliders with their response
// curve, Reset and Save, and the delete confirmation. It shows the
// session's settings of its page whenever the session says they changed,
// and hands what a person does to the session.

#include "HeadsetSession.h"
#include "PageWidgets.h"

#include <QObject>

namespace Ui {
class VelumixClass;
}
class QAbstractButton;
class QButtonGroup;
class ResponseCurve;

class SoundPageView : public QObject
{
    Q_OBJECT

public:
    SoundPageView(SoundPage page, Ui::VelumixClass& form, HeadsetSession& session, QWidget* window);

    SoundPage page() const { return m_page; }
    const PageWidgets& widgets() const { return m_widgets; }
    ResponseCurve& curve() { return *m_curve; }

    // What a person does on the page.
    void choosePreset(int preset); // builtInPresets() index
    void openCustomList();
    void chooseCustomMode(int slot);
    void bandMoved(QSlider* slider);
    void save();
    void reset();
    void addCustomMode();
    void copyToNewMode();
    void requestDelete();
    void cancelDelete();
    void confirmDelete();
    void setListFolded(bool folded);
    // The surround page shows its speaker test in place of the equaliser;
    // the edit controls go and come back with it.
    void setEqualiserShown(bool shown);

    // Shows the session's settings of the page.
    void show();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void connectWidgets();
    void rename(const QString& name);
    void showList(const PageSettings& settings);
    void showCustomRows(const PageSettings& settings);
    void showNameBox(const PageSettings& settings);
    void showDeleteStrip(const PageSettings& settings);
    void focusNewMode();
    void focusListEntry();
    void focusFirstShown(std::initializer_list<QWidget*> candidates);
    bool stripHasFocus() const;
    void showEditControls(const PageSettings& settings);
    void showSliders(const PageSettings& settings);
    QAbstractButton* presetRadio(int preset) const;

    SoundPage m_page;
    HeadsetSession& m_session;
    PageWidgets m_widgets;
    QButtonGroup* m_listGroup;
    QButtonGroup* m_customGroup;
    ResponseCurve* m_curve;
    bool m_confirmingDelete = false;
    bool m_equaliserShown = true;
    int m_lastBand = kBandCount - 1;
};

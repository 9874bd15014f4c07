#pragma once
// The response curve behind a page's band sliders, drawn as the headset
// applies the bands, the dB readout over a band while its slider is dragged,
// double-click to 0 dB on a custom mode's band, and the hint a press on a
// preset's slider gives.

#include "HeadsetSession.h"

#include <QObject>

#include <array>

class QCustomPlot;
class QLabel;
class QSlider;

class ResponseCurve : public QObject
{
    Q_OBJECT

public:
    // The curve lies on `background`, the sliders' picture, so that it shows
    // and hides with the equaliser, and lets the mouse through to the sliders.
    ResponseCurve(SoundPage page, HeadsetSession& session, QLabel* background,
                  const std::array<QSlider*, kBandCount>& sliders, QObject* parent);

    // Draws the session's gains of the page, edits included.
    void update();
    QCustomPlot* plot() const { return m_plot; }
    QLabel* readout() const { return m_readout; }

    // The hint a press on a preset's slider shows.
    static QString presetSliderHint();

signals:
    // A double-click asked for the band at 0 dB.
    void bandResetRequested(int band);

private:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void place();
    void showReadout(QSlider* slider);
    bool gesture(QSlider* slider, QEvent* event);

    SoundPage m_page;
    HeadsetSession& m_session;
    std::array<QSlider*, kBandCount> m_sliders;
    QCustomPlot* m_plot;
    QLabel* m_readout;
};

// The response curve behind each page's band sliders, the dB readout over a
// band while its slider is dragged, double-click to 0 dB on a custom mode's
// band, and the hint a press on a preset's slider gives.

#include "Velumix.h"

#include "EqResponse.h"
#include "ModeTransfer.h"
#include "UsbHidOperation.h"

#include <QLabel>
#include <QMouseEvent>
#include <QStyleOptionSlider>
#include <QToolTip>
#include <qcustomplot.h>

#include <cmath>

namespace {

const QColor kCurveOrange(255, 171, 62);
const QColor kCurveFill(255, 171, 62, 40);
constexpr double kCurvePenWidth = 2;
constexpr char kReadoutStyle[] =
    "QLabel{color:rgb(255,255,255);background-color:rgb(255,171,62);border-radius:4px;"
    "font-size:11px;font-weight:bold;}";
constexpr int kReadoutWidth = 44;
constexpr int kReadoutHeight = 18;
constexpr int kReadoutGap = 6; // between the readout and the handle

// The slider's handle centre in its own coordinates at `value`, as its style
// draws it.
QPoint handleCentre(const QSlider* slider, int value)
{
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.orientation = slider->orientation();
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.sliderPosition = value;
    option.sliderValue = value;
    option.upsideDown = slider->orientation() == Qt::Vertical ? !slider->invertedAppearance()
                                                              : slider->invertedAppearance();
    option.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle;
    return slider->style()
        ->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider)
        .center();
}

QString gainReadout(int gainDb)
{
    return gainDb > 0 ? QStringLiteral("+%1 dB").arg(gainDb) : QStringLiteral("%1 dB").arg(gainDb);
}

// Passes the band sliders' double-clicks and presses to the window.
class BandSliderGestures : public QObject
{
public:
    using Handler = std::function<bool(QSlider*, QEvent*)>;
    BandSliderGestures(Handler handler, QObject* parent)
        : QObject(parent), m_handler(std::move(handler))
    {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::MouseButtonDblClick &&
            event->type() != QEvent::MouseButtonPress)
            return false;
        return m_handler(static_cast<QSlider*>(watched), event);
    }

private:
    Handler m_handler;
};

} // namespace

QString Velumix::presetSliderHint()
{
    return tr("Presets stay as they are. To change the bands, copy the preset into a custom "
              "mode with the copy button beside it.");
}

// Each curve lies on the sliders' background picture, so that it shows and
// hides with the equaliser, and lets the mouse through to the sliders.
void Velumix::initResponseCurves()
{
    const std::array<QLabel*, 2> backgrounds = {ui.label_36, ui.label_16};
    for (SoundPage page : {SoundPage::Stereo, SoundPage::Surround}) {
        auto* plot = new QCustomPlot(backgrounds[int(page)]);
        plot->setObjectName(page == SoundPage::Surround ? "responseCurve_Surround"
                                                        : "responseCurve_Stereo");
        plot->setAttribute(Qt::WA_TransparentForMouseEvents);
        plot->setAttribute(Qt::WA_OpaquePaintEvent, false); // the picture shows through
        plot->setBackground(Qt::NoBrush);
        plot->axisRect()->setBackground(Qt::NoBrush);
        plot->axisRect()->setAutoMargins(QCP::msNone);
        plot->axisRect()->setMargins(QMargins());
        for (QCPAxis* axis : {plot->xAxis, plot->yAxis}) {
            axis->setVisible(false);
            axis->grid()->setVisible(false);
        }
        plot->xAxis->setScaleType(QCPAxis::stLogarithmic);
        QCPGraph* graph = plot->addGraph();
        graph->setPen(QPen(kCurveOrange, kCurvePenWidth));
        graph->setBrush(kCurveFill); // down or up to 0 dB
        plot->setAntialiasedElements(QCP::aePlottables);
        m_responseCurves[int(page)] = plot;

        const auto sliders = widgets(ui, bandSliders(page));
        auto* readout = new QLabel(sliders[0]->parentWidget());
        readout->setObjectName(page == SoundPage::Surround ? "bandReadout_Surround"
                                                           : "bandReadout_Stereo");
        readout->setStyleSheet(kReadoutStyle);
        readout->setAlignment(Qt::AlignCenter);
        readout->resize(kReadoutWidth, kReadoutHeight);
        readout->hide();
        m_bandReadouts[int(page)] = readout;

        auto* gestures = new BandSliderGestures(
            [this, page](QSlider* slider, QEvent* event) {
                return bandSliderGesture(page, slider, event);
            },
            this);
        for (QSlider* slider : sliders) {
            slider->installEventFilter(gestures);
            connect(slider, &QSlider::valueChanged, this, [this, page, slider] {
                updateResponseCurve(page);
                if (slider->isSliderDown())
                    showBandReadout(page, slider);
            });
            connect(slider, &QSlider::sliderPressed, this,
                    [this, page, slider] { showBandReadout(page, slider); });
            connect(slider, &QSlider::sliderReleased, readout, &QLabel::hide);
        }
        placeResponseCurve(page);
        updateResponseCurve(page);
    }
}

// The curve's axes put each band's centre frequency under its slider and
// each gain at the height of the slider's handle at that gain, so the curve
// passes through the handles where a band stands alone.
void Velumix::placeResponseCurve(SoundPage page)
{
    QCustomPlot* plot = m_responseCurves[int(page)];
    QWidget* background = plot->parentWidget();
    plot->setGeometry(background->rect());
    const auto sliders = widgets(ui, bandSliders(page));
    for (QSlider* slider : sliders)
        slider->ensurePolished();
    const auto inPlot = [background](QSlider* slider, int value) {
        return slider->mapTo(background->parentWidget(), handleCentre(slider, value)) -
               background->pos();
    };
    const QSlider* first = sliders.front();
    const double lowLog = std::log10(double(frame::kBandFrequencies.front()));
    const double highLog = std::log10(double(frame::kBandFrequencies.back()));
    const double firstX = inPlot(sliders.front(), 0).x();
    const double lastX = inPlot(sliders.back(), 0).x();
    const double logPerPixel = (highLog - lowLog) / (lastX - firstX);
    plot->xAxis->setRange(std::pow(10, lowLog - firstX * logPerPixel),
                          std::pow(10, lowLog + (plot->width() - firstX) * logPerPixel));
    const double topY = inPlot(sliders.front(), first->maximum()).y();
    const double bottomY = inPlot(sliders.front(), first->minimum()).y();
    const double dbPerPixel = double(first->maximum() - first->minimum()) / (bottomY - topY);
    plot->yAxis->setRange(first->minimum() - (plot->height() - bottomY) * dbPerPixel,
                          first->maximum() + topY * dbPerPixel);
}

frame::QTable Velumix::activeQTable(SoundPage page) const
{
    const quint16 productId = linkState.connectedProductId;
    if (const auto table = frame::peqQTable(m_sentModeIndex[int(page)], productId))
        return *table;
    // A standard mode whose table the headset keeps to itself.
    return customModeQTable(page, productId).value_or(frame::QTable{});
}

void Velumix::updateResponseCurve(SoundPage page)
{
    QCustomPlot* plot = m_responseCurves[int(page)];
    if (!plot)
        return;
    EqGains gains{};
    const auto sliders = widgets(ui, bandSliders(page));
    for (int band = 0; band < kBandCount; ++band)
        gains[band] = sliders[band]->value();
    const Curve curve =
        headsetResponse(gains, headsetBands(activeQTable(page), m_sampleRateHz), kPlotPoints);
    QVector<double> hz;
    QVector<double> db;
    for (const CurvePoint& point : curve) {
        hz << point.hz;
        db << point.db;
    }
    plot->graph(0)->setData(hz, db, true);
    plot->replot(QCustomPlot::rpQueuedReplot);
}

void Velumix::updateResponseCurves()
{
    updateResponseCurve(SoundPage::Stereo);
    updateResponseCurve(SoundPage::Surround);
}

void Velumix::showBandReadout(SoundPage page, QSlider* slider)
{
    QLabel* readout = m_bandReadouts[int(page)];
    readout->setText(gainReadout(slider->value()));
    const QPoint handle =
        slider->mapTo(readout->parentWidget(), handleCentre(slider, slider->sliderPosition()));
    // Just above the handle, where the finger or pointer does not cover it.
    readout->move(handle.x() - kReadoutWidth / 2,
                  handle.y() - kReadoutHeight - kReadoutGap - slider->width() / 2);
    readout->show();
    readout->raise();
}

// A double-click puts a custom mode's band to 0 dB, sent like a drag; a
// press on the slider of a preset (disabled, read-only) shows how to change
// it instead.
bool Velumix::bandSliderGesture(SoundPage page, QSlider* slider, QEvent* event)
{
    const PageView view = this->page(page);
    if (event->type() == QEvent::MouseButtonPress) {
        if (slider->isEnabled() || view.selectionKind != view.presetSelected)
            return false;
        const auto* press = static_cast<QMouseEvent*>(event);
        QToolTip::showText(slider->mapToGlobal(press->pos()), presetSliderHint(), slider);
        return true;
    }
    if (!slider->isEnabled() || !editedCustomModeIndex(page))
        return false;
    slider->setValue(0);
    on_VerticalSlider_Surround_Stereo_SlideMoved(); // Save and Reset, as after a drag
    return true;
}

#include "ResponseCurve.h"

#include "EqResponse.h"
#include "Look.h"

#include <QLabel>
#include <QMouseEvent>
#include <QSlider>
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

QCustomPlot* makePlot(SoundPage page, QLabel* background)
{
    auto* plot = new QCustomPlot(background);
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
    return plot;
}

QLabel* makeReadout(SoundPage page, QWidget* parent)
{
    auto* readout = new QLabel(parent);
    readout->setObjectName(page == SoundPage::Surround ? "bandReadout_Surround"
                                                       : "bandReadout_Stereo");
    look::setStyleSheet(readout, kReadoutStyle);
    readout->setAlignment(Qt::AlignCenter);
    readout->resize(kReadoutWidth, kReadoutHeight);
    readout->hide();
    return readout;
}

} // namespace

QString ResponseCurve::presetSliderHint()
{
    return tr("Presets stay as they are. To change the bands, copy the preset into a custom "
              "mode with the copy button beside it.");
}

ResponseCurve::ResponseCurve(SoundPage page, HeadsetSession& session, QLabel* background,
                             const std::array<QSlider*, kBandCount>& sliders, QObject* parent)
    : QObject(parent), m_page(page), m_session(session), m_sliders(sliders),
      m_plot(makePlot(page, background)), m_readout(makeReadout(page, sliders[0]->parentWidget()))
{
    for (QSlider* slider : m_sliders) {
        slider->installEventFilter(this);
        // The curve follows the handle while it is dragged, before the
        // session has the gain.
        connect(slider, &QSlider::valueChanged, this, [this, slider] {
            if (slider->isSliderDown())
                showReadout(slider);
        });
        connect(slider, &QSlider::sliderPressed, this, [this, slider] { showReadout(slider); });
        connect(slider, &QSlider::sliderReleased, m_readout, &QLabel::hide);
    }
    place();
    update();
}

// The curve's axes put each band's centre frequency under its slider and
// each gain at the height of the slider's handle at that gain, so the curve
// passes through the handles where a band stands alone.
void ResponseCurve::place()
{
    QWidget* background = m_plot->parentWidget();
    m_plot->setGeometry(background->rect());
    for (QSlider* slider : m_sliders)
        slider->ensurePolished();
    const auto inPlot = [background](QSlider* slider, int value) {
        return slider->mapTo(background->parentWidget(), handleCentre(slider, value)) -
               background->pos();
    };
    const QSlider* first = m_sliders.front();
    const double lowLog = std::log10(double(frame::kBandFrequencies.front()));
    const double highLog = std::log10(double(frame::kBandFrequencies.back()));
    const double firstX = inPlot(m_sliders.front(), 0).x();
    const double lastX = inPlot(m_sliders.back(), 0).x();
    const double logPerPixel = (highLog - lowLog) / (lastX - firstX);
    m_plot->xAxis->setRange(std::pow(10, lowLog - firstX * logPerPixel),
                            std::pow(10, lowLog + (m_plot->width() - firstX) * logPerPixel));
    const double topY = inPlot(m_sliders.front(), first->maximum()).y();
    const double bottomY = inPlot(m_sliders.front(), first->minimum()).y();
    const double dbPerPixel = double(first->maximum() - first->minimum()) / (bottomY - topY);
    m_plot->yAxis->setRange(first->minimum() - (m_plot->height() - bottomY) * dbPerPixel,
                            first->maximum() + topY * dbPerPixel);
}

void ResponseCurve::update()
{
    const Curve curve =
        headsetResponse(m_session.page(m_page).gains, m_session.bands(m_page), kPlotPoints);
    QVector<double> hz;
    QVector<double> db;
    for (const CurvePoint& point : curve) {
        hz << point.hz;
        db << point.db;
    }
    m_plot->graph(0)->setData(hz, db, true);
    m_plot->replot(QCustomPlot::rpQueuedReplot);
}

void ResponseCurve::showReadout(QSlider* slider)
{
    m_readout->setText(gainReadout(slider->sliderPosition()));
    const QPoint handle =
        slider->mapTo(m_readout->parentWidget(), handleCentre(slider, slider->sliderPosition()));
    // Just above the handle, where the finger or pointer does not cover it.
    m_readout->move(handle.x() - kReadoutWidth / 2,
                    handle.y() - kReadoutHeight - kReadoutGap - slider->width() / 2);
    m_readout->show();
    m_readout->raise();
}

bool ResponseCurve::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::MouseButtonDblClick && event->type() != QEvent::MouseButtonPress)
        return false;
    return gesture(static_cast<QSlider*>(watched), event);
}

// A double-click puts a custom mode's band to 0 dB, as a drag would; a press
// on the slider of a preset (disabled, read-only) shows how to change it.
bool ResponseCurve::gesture(QSlider* slider, QEvent* event)
{
    const ModeChoice::Kind kind = m_session.page(m_page).choice.kind;
    if (event->type() == QEvent::MouseButtonPress) {
        if (slider->isEnabled() || kind != ModeChoice::Preset)
            return false;
        const auto* press = static_cast<QMouseEvent*>(event);
        QToolTip::showText(slider->mapToGlobal(press->pos()), presetSliderHint(), slider);
        return true;
    }
    if (!slider->isEnabled() || kind != ModeChoice::Custom)
        return false;
    const auto band = std::find(m_sliders.begin(), m_sliders.end(), slider) - m_sliders.begin();
    emit bandResetRequested(int(band));
    return true;
}

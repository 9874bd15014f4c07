// The equaliser plot panels and the spectrum panel: background, axes and the
// (diagnostic only) mouse slots.

#include "Velumix.h"

#include "FirstShow.h"

#include <QLoggingCategory>
#include <QMouseEvent>
#include <qcustomplot.h>

Q_DECLARE_LOGGING_CATEGORY(lcWindow)

namespace {

const QColor kAxisGrey(120, 120, 120, 255);
int plotPressCount = 0;

QBrush plotBackground()
{
    QLinearGradient gradient(0, 0, 0, 0);
    gradient.setColorAt(0, QColor(30, 30, 30, 255));
    return QBrush(gradient);
}

void setBackground(QCustomPlot* plot)
{
    plot->setBackground(plotBackground());
    plot->legend->setBrush(QBrush(QColor(255, 255, 255, 0)));
}

void setAxisPens(QCPAxis* axis, const QPen& pen)
{
    axis->setBasePen(pen);
    axis->setTickPen(pen);
    axis->setSubTickPen(pen);
}

void setUpEqualiserPanel(QCustomPlot* plot)
{
    setBackground(plot);
    plot->axisRect()->setBackgroundScaledMode(Qt::KeepAspectRatioByExpanding);
    // The picture is decoded when the panel is first on screen.
    onFirstShow(plot, [plot] {
        plot->axisRect()->setBackground(QPixmap(":/controls/pic/control/aaa.png"));
        plot->replot();
    });
    QCPAxis* x = plot->xAxis;
    x->setRange(0, 10);
    x->setTicks(false);
    x->grid()->setVisible(false);
    setAxisPens(x, QPen(kAxisGrey));
    x->setPadding(30);
    QCPAxis* y = plot->yAxis;
    y->setRange(-12.7, 12.5); // the band gains with a small margin
    y->setTickLabelSide(QCPAxis::lsOutside);
    y->setTickLength(0, 5);
    y->setSubTickLength(0, 2);
    y->setTickLabelPadding(5);
    y->setPadding(20);
    y->grid()->setVisible(false);
}

bool inBand(const QPoint& p, int left, int right)
{
    return p.x() > left && p.x() < right && p.y() > 10 && p.y() < 310;
}

} // namespace

void Velumix::initPlots()
{
    qCDebug(lcWindow).noquote() << "***** Init QCustomPlot! *****";
    setUpEqualiserPanel(ui.widget_Param_Stereo);
    setUpEqualiserPanel(ui.widget_Param_Surround);
    ui.widget_Param_Surround->yAxis->setTickLabelColor(Qt::white);
    setAxisPens(ui.widget_Param_Surround->yAxis, QPen(kAxisGrey));

    QCustomPlot* spectrum = ui.widget_Spectrum;
    setBackground(spectrum);
    spectrum->xAxis->setRange(0, 230);
    spectrum->xAxis->setTicks(false);
    spectrum->xAxis->setBasePen(QPen(QColor(13, 10, 42, 255)));
    spectrum->xAxis->setPadding(30);
    spectrum->xAxis->setTickLengthIn(0);
    spectrum->xAxis->setSubTickLengthIn(0);
    spectrum->xAxis->grid()->setVisible(false);
    spectrum->yAxis->setRange(0, 100);
    spectrum->yAxis->grid()->setVisible(false);
    spectrum->yAxis->setVisible(false);
    QCPGraph* graph = spectrum->addGraph();
    graph->setPen(QPen(QColor(72, 42, 142, 255)));
    graph->setBrush(QBrush(QColor(11, 213, 234, 255)));
    graph->setName("test1");

    for (QCustomPlot* plot : {ui.widget_Param_Stereo, ui.widget_Param_Surround}) {
        connect(plot, &QCustomPlot::mousePress, this, &Velumix::myCustomPlotMousePressEvent);
        connect(plot, &QCustomPlot::mouseMove, this, &Velumix::myCustomPlotMouseMoveEvent);
        connect(plot, &QCustomPlot::mouseRelease, this, &Velumix::myCustomPlotMouseReleaseEvent);
    }
}

void Velumix::myCustomPlotMousePressEvent(QMouseEvent* event)
{
    ++plotPressCount;
    if (ui.verticalSlider_30->geometry().contains(event->pos()))
        qCDebug(lcWindow).noquote() << "30Hz";
    if (inBand(event->pos(), 55, 77))
        qCDebug(lcWindow) << plotPressCount;
    if (inBand(event->pos(), 103, 125))
        qCDebug(lcWindow).noquote() << "222";
}

void Velumix::myCustomPlotMouseMoveEvent(QMouseEvent* event)
{
    if (inBand(event->pos(), 55, 77))
        qCDebug(lcWindow).noquote() << "Mouse Move::" << plotPressCount;
}

void Velumix::myCustomPlotMouseReleaseEvent(QMouseEvent*) {}

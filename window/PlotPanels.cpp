#include "PlotPanels.h"

#include "FirstShow.h"
#include "Look.h"
#include "ui_Velumix.h"

namespace {

const QColor kAxisGrey(120, 120, 120, 255);

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

void setUpSpectrumPanel(QCustomPlot* spectrum)
{
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
}

// The scale drawn behind a page's band sliders, decoded when it is first on
// screen, in the look in use.
void setUpSliderScale(QLabel* scale)
{
    onFirstShow(scale,
                [scale] { look::setPixmap(scale, QStringLiteral(":/png/pic/png/11111.png")); });
}

} // namespace

void setUpPlotPanels(Ui::VelumixClass& form)
{
    setUpEqualiserPanel(form.widget_Param_Stereo);
    setUpEqualiserPanel(form.widget_Param_Surround);
    form.widget_Param_Surround->yAxis->setTickLabelColor(Qt::white);
    setAxisPens(form.widget_Param_Surround->yAxis, QPen(kAxisGrey));
    setUpSpectrumPanel(form.widget_Spectrum);
    setUpSliderScale(form.label_16);
    setUpSliderScale(form.label_36);
}

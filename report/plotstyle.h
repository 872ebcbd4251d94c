#pragma once
// Colours, fonts and line widths of the picture. Every size is given at the
// default picture size and scaled by `unit`, so that a larger picture is the
// same picture with finer detail.

#include <QColor>
#include <QFont>
#include <QSize>

namespace veltrane {

const QColor kPlotBackground(255, 255, 255);
const QColor kPlotEdgeColour(170, 170, 170);
const QColor kPlotPointColour(70, 70, 70);
const QColor kPlotTextColour(20, 20, 20);
const QColor kPlotGraticuleColour(120, 150, 190);
// The names of the largest residuals: a colour no arrow or bar takes.
const QColor kPlotLabelColour(150, 0, 150);
const QColor kPlotHeightUpColour(205, 45, 35);
const QColor kPlotHeightDownColour(35, 85, 205);

// Blue (small) through green and yellow to red (the largest), for t in 0..1.
QColor rampColour(double t);

struct PlotStyle {
    double unit = 1.0;  // 1 at the default size
    QFont text;         // legends and labels
    QFont small;        // tick labels and the footer
    QFont title;

    // `unit` times `pixels`: a size given at the default picture size.
    double px(double pixels) const { return unit * pixels; }
};

PlotStyle plotStyle(const QSize &canvas);

}  // namespace veltrane

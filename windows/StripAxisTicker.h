#pragma once
// The ticks of one axis of the strip chart: every `step` from the lower end when a step is
// set, the decades of a logarithmic axis, or otherwise the chart's own choice; and, where
// the axis asks for them, both ends labelled, so the operator reads the limits the graph
// record gives even when the span is not a whole number of steps. A tick of the rule that
// stands too close to an end for two labels gives way to the end.
#include <qcustomplot.h>

class StripAxisTicker : public QCPAxisTicker {
public:
    explicit StripAxisTicker(bool labelEnds) : labelEnds_(labelEnds) {}

    // step > 0: ticks from the lower end every step; otherwise the rule of the scale.
    void SetRule(bool logarithmic, double step);
    double Step() const { return step_; }

    void generate(const QCPRange& range, const QLocale& locale, QChar formatChar, int precision,
                  QVector<double>& ticks, QVector<double>* subTicks, QVector<QString>* tickLabels) override;

private:
    void addEnds(const QCPRange& range, QVector<double>& ticks) const;

    bool labelEnds_;
    bool logarithmic_ = false;
    double step_ = 0.0;
    QCPAxisTicker automatic_;
    QCPAxisTickerLog decades_;
};

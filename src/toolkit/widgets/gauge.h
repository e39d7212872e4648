#pragma once

#include <QWidget>

// A progress gauge: a range and a position kept inside it, and the percent
// done. The position is clamped into [MinValue, MaxValue]; lowering the
// maximum below the position takes the position with it. A maximum below
// the minimum is refused ("Value must be between %d and %d").
class TGauge : public QWidget {
    Q_OBJECT
public:
    explicit TGauge(QWidget *parent = nullptr);

    int MinValue() const { return m_min; }
    int MaxValue() const { return m_max; }
    int Progress() const { return m_progress; }

    void setMinValue(int value);
    // Throws ERangeError when `value` is below the minimum.
    void setMaxValue(int value);
    void setProgress(int value);

    // Whole part of 100 * (position - min) / (max - min); 0 for an empty range.
    int PercentDone() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_min = 0;
    int m_max = 100;
    int m_progress = 0;
};

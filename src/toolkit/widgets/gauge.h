#pragma once

#include <QWidget>

// A progress gauge: a range and a position kept inside it, and the percent
// done. The minimum stays 0; the position is clamped into [minimum,
// maximum], and lowering the maximum below the position takes the position
// with it. A maximum below the minimum is refused ("Value must be between
// %d and %d").
class TGauge : public QWidget {
    Q_OBJECT
public:
    explicit TGauge(QWidget *parent = nullptr);

    int Progress() const { return m_progress; }

    // Throws ERangeError when `value` is below the minimum.
    void setMaxValue(int value);
    void setProgress(int value);

    // Whole part of 100 * (position - min) / (max - min); 0 for an empty range.
    int PercentDone() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    const int m_min = 0;
    int m_max = 100;
    int m_progress = 0;
};

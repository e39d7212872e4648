#pragma once

#include <QLabel>
#include <QPoint>

// A label, with text or a picture, that tells its mouse presses, releases,
// clicks and double-clicks, with the button and the position in its own
// coordinates.
//
// A click is a left press followed by a left release over the label. The
// second press of a double-click is reported as a press and a double-click,
// and its release as a release without a click, so a double-click runs the
// click once. The release always comes back to the label that saw the
// press, even when the mouse is let go outside it.
class TEventLabel : public QLabel {
    Q_OBJECT
public:
    explicit TEventLabel(QWidget *parent = nullptr);

signals:
    void mouseDown(Qt::MouseButton button, QPoint pos);
    void mouseUp(Qt::MouseButton button, QPoint pos);
    void clicked();
    void doubleClicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    bool m_clickPending = false;
};

#pragma once

#include <QLabel>
#include <QPixmap>

// A picture used as a button: shows a bitmap, reports presses and releases
// with the mouse button, and clicks on a left release over the picture (a
// double-click is one click). It remembers which of its two looks (normal,
// pressed) it shows.
class TPictureButton : public QLabel {
    Q_OBJECT
public:
    explicit TPictureButton(QWidget *parent = nullptr);

    // Loads the picture from a bitmap file (errors as toolkit::loadBitmapFile);
    // `pressedLook` records which look it now shows. On failure the picture
    // and the look stay as they were.
    void loadPicture(const QString &fileName, bool pressedLook);
    bool showsPressedLook() const { return m_pressedLook; }

signals:
    void mouseDown(Qt::MouseButton button, QPoint pos);
    void mouseUp(Qt::MouseButton button, QPoint pos);
    void mouseMoved(QPoint pos);
    void clicked();
    void doubleClicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    bool m_pressedLook = false;
    bool m_doubleClickHeld = false;
};

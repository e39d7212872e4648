#pragma once

#include "browser/window_set.h"
#include "platform/web_engine.h"

#include <QByteArray>
#include <QWidget>

#include <memory>

#include "ui_browser_window.h"

class MainWindowLink;

// The browser window: hosts the web engine, a text pane in the same place,
// and the two toolbars that the main window's interface mode switches.
class TForm1 : public QWidget {
    Q_OBJECT
public:
    explicit TForm1(WindowSet &forms);
    ~TForm1() override;

    Ui::TForm1 ui;

    WebEngine &WebBrowser1() { return *m_engine; }

    // The last completed page's name, in the single-byte code page.
    QByteArray PageTitle;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void layoutPageArea();

    WindowSet &m_forms;
    std::unique_ptr<WebEngine> m_engine;
};

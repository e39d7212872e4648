#pragma once

#include <QPalette>
#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QToolButton;
class WebEngine;

// The slim find bar at the bottom of the browser window. It searches what
// the window shows: the page, or the text pane while the pane is in front.
// Every match is highlighted, the current one selected; the bar tells
// "n of m", and colours its box when nothing matches. An empty box searches
// nothing and shows nothing.
class FindBar : public QWidget {
    Q_OBJECT
public:
    FindBar(WebEngine &engine, QPlainTextEdit &pane, QWidget *parent);

    // Shows the bar with the focus in its box, the text selected.
    void open();
    // Hides the bar and clears the highlight (Escape).
    void dismiss();
    // Enter / F3 and Shift+Enter / Shift+F3. With the bar closed they open it.
    void findNext();
    void findPrevious();

    QLineEdit *textBox() const { return m_text; }
    QCheckBox *caseToggle() const { return m_case; }
    // The last result shown: the current match (1-based) and the count.
    int activeMatch() const { return m_active; }
    int matchCount() const { return m_count; }
    // Whether the box is coloured for "nothing found".
    bool showsNoMatch() const { return m_noMatch; }

signals:
    // A result has been shown (the engine answers later than it is asked).
    void resultShown();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void search(bool backward, bool fromStart);
    void searchPane(bool backward, bool fromStart);
    void showResult(int active, int count);
    void clearResult();
    void clearHighlight();
    bool paneInFront() const;

    WebEngine &m_engine;
    QPlainTextEdit &m_pane;
    QLineEdit *m_text;
    QToolButton *m_previous;
    QToolButton *m_next;
    QLabel *m_matches;
    QCheckBox *m_case;
    QToolButton *m_close;
    QPalette m_boxPalette;
    int m_active = 0;
    int m_count = 0;
    bool m_noMatch = false;
    // Answers to older requests arrive after newer ones were asked: only
    // the newest is shown.
    quint64 m_request = 0;
    int m_paneMatch = -1;
};

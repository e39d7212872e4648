#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

class AddressSuggestions;
class QLineEdit;
class QMenu;
class QWidget;
class TGauge;

// What the other windows use of the main window. The main window owns the
// process-wide state (history, counters, mode, clock); the others call in
// here and keep no copies.
class MainWindowLink {
public:
    virtual ~MainWindowLink() = default;

    virtual QWidget *widget() = 0;

    // The address box `Edit1`.
    virtual QString addressText() const = 0;
    virtual void setAddressText(const QString &text) = 0;
    // The box itself, for the keys that put the focus there.
    virtual QLineEdit *addressBox() = 0;

    // Go, Back, Stop, Forward (the bitmap buttons' click handlers) and the
    // Refresh menu command. They may throw; callers run inside a guard.
    virtual void Button1Click() = 0;
    virtual void Button2Click() = 0;
    virtual void Button4Click() = 0;
    virtual void Button3Click() = 0;
    virtual void Uppdatera1Click() = 0;

    // The progress gauge and the marker it moves.
    virtual TGauge &Gauge1() = 0;
    virtual void gaugechange() = 0;

    // The popup menu the browser window's page area and banner carry too.
    virtual QMenu *PopupMenu1() = 0;

    // The history: the entries as they stand (the history window shows the
    // non-empty ones); `clear` empties it on disk and in memory and ends the
    // program.
    virtual QList<QByteArray> history() const = 0;
    virtual void clear() = 0;

    // The address boxes' suggestions and search.
    virtual AddressSuggestions &suggestions() = 0;

    // Shows the Development window (which belongs to the main window).
    virtual void showDevelopmentWindow() = 0;
};

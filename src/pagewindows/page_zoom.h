#pragma once

#include "platform/site_zoom.h"

#include <QString>

#include <functional>

class WebEngine;

// The browser window's zoom: steps the engine's zoom in the usual levels,
// remembers the level for the site shown, and gives each page its site's
// level when the address moves to another site.
class PageZoom {
public:
    PageZoom(WebEngine &engine, platform::SiteZoom &store);

    // The level in percent for the page now shown.
    int percent() const { return m_percent; }

    // Ctrl+plus, Ctrl+minus (steps > 0 larger); at a limit the level stays.
    // Throws the store's error when the level cannot be kept on disk; the
    // page is zoomed all the same.
    void step(int steps);
    // Ctrl+0: back to 100%.
    void reset();
    // The page's address changed: a new site gets its stored level.
    void pageChanged();

    // Called whenever the level changes (to tell the user).
    std::function<void()> OnChanged;

    // What the note about the level says ("Zoom: 125%").
    QString noteText() const;

private:
    void apply(int percent);
    void setLevel(int percent);

    WebEngine &m_engine;
    platform::SiteZoom &m_store;
    QString m_site;
    int m_percent = 100;
};

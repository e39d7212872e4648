#include "pagewindows/page_zoom.h"

#include "platform/web_engine.h"

#include <QUrl>

PageZoom::PageZoom(WebEngine &engine, platform::SiteZoom &store) : m_engine(engine), m_store(store) {}

void PageZoom::step(int steps)
{
    setLevel(platform::zoomStep(m_percent, steps));
}

void PageZoom::reset()
{
    setLevel(100);
}

void PageZoom::setLevel(int percent)
{
    if (percent == m_percent)
        return;
    apply(percent);
    m_store.setPercent(m_site, percent);
}

void PageZoom::pageChanged()
{
    m_site = platform::SiteZoom::siteOf(QUrl(m_engine.LocationURL()));
    // Pages without a site (about:blank) keep whatever level was chosen;
    // the engine may have reset its own on the way, so it is given again.
    apply(m_site.isEmpty() ? m_percent : m_store.percent(m_site));
}

void PageZoom::apply(int percent)
{
    const bool changed = percent != m_percent;
    m_percent = percent;
    if (!qFuzzyCompare(m_engine.zoomFactor(), percent / 100.0))
        m_engine.setZoomFactor(percent / 100.0);
    if (changed && OnChanged)
        OnChanged();
}

QString PageZoom::noteText() const
{
    return QStringLiteral("Zoom: %1%").arg(m_percent);
}

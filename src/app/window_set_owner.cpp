#include "app/window_set_owner.h"

#include "app/development_window.h"
#include "app/main_window.h"
#include "bookmarks/bookmarks_window.h"
#include "browser/browser_window.h"
#include "browser/save_text_dialog.h"
#include "infowindows/about_window.h"
#include "infowindows/history_window.h"
#include "infowindows/me_picture_window.h"
#include "infowindows/runtime_window.h"
#include "infowindows/statistics_window.h"
#include "infowindows/studio_picture_window.h"
#include "netfeatures/page_source_window.h"
#include "netfeatures/rpop_window.h"
#include "toolkit/core/paths.h"

namespace {
template <class T>
T *create(WindowSet &forms, QList<QWidget *> &created)
{
    T *window = new T(forms);
    created.append(window);
    return window;
}
} // namespace

WindowSetOwner::WindowSetOwner()
{
    // The program's own files stay here while the bookmarks window moves the
    // current folder.
    toolkit::InstallationFolder::remember();
    // The main window first: its creation handler touches no other window.
    m_main = create<TForm2>(m_forms, m_created);
    m_forms.Form2 = m_main;
    m_forms.Form1 = create<TForm1>(m_forms, m_created);
    m_forms.Form3 = create<TForm3>(m_forms, m_created);
    m_forms.Form4 = create<TForm4>(m_forms, m_created);
    m_forms.Form5 = create<TForm5>(m_forms, m_created);
    m_forms.Form6 = create<TForm6>(m_forms, m_created);
    m_forms.Form7 = create<TForm7>(m_forms, m_created);
    m_forms.Form8 = create<TForm8>(m_forms, m_created);
    m_forms.Form9 = create<TForm9>(m_forms, m_created);
    m_forms.Form10 = create<TForm10>(m_forms, m_created);
    m_forms.Form11 = create<TForm11>(m_forms, m_created);
    m_forms.Form12 = create<TForm12>(m_forms, m_created);
    m_forms.Form13 = create<TForm13>(m_forms, m_created);
    m_main->keepWindowsAndPage();
}

WindowSetOwner::~WindowSetOwner()
{
    // Nothing counts or logs into windows while they are destroyed.
    m_main->releaseApplicationEvents();
    // Last created first; the main window goes last.
    for (auto it = m_created.rbegin(); it != m_created.rend(); ++it)
        delete *it;
}

QList<QWidget *> windowsHiddenAtClose(const WindowSet &forms)
{
    return {forms.Form1, forms.Form3, forms.Form4, forms.Form5,
            forms.Form6, forms.Form7, forms.Form8, forms.Form9};
}

QList<QWidget *> otherWindows(const WindowSet &forms)
{
    return {forms.Form3, forms.Form4,  forms.Form5,  forms.Form6,  forms.Form7, forms.Form8,
            forms.Form9, forms.Form10, forms.Form11, forms.Form12, forms.Form13};
}

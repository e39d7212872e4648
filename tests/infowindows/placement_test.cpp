#include "info_fixture.h"

#include "app/development_window.h"
#include "infowindows/about_window.h"
#include "infowindows/history_window.h"
#include "infowindows/runtime_window.h"
#include "infowindows/statistics_window.h"
#include "support/gui/window_parts.h"

#include <QPushButton>

using namespace info_testing;

class Placement : public InfoWindowsTest {};

// The client areas are the layouts' outer sizes less a resizable frame
// (4 pixels a side and a 19-pixel caption); the positions are the frames'.
TEST_F(Placement, WindowsOpenWhereAndAsLargeAsTheirLayoutsSay)
{
    start();
    main().Webbsidorbeskta1Click();
    main().Nuvarandesurftid1Click();
    main().History1Click();
    main().OmNavigator1Click();
    // Reached from no menu: the running-time window shows it.
    forms().Form11->show();

    const struct {
        QWidget *window;
        QPoint place;
        QSize client;
    } windows[] = {
        {forms().Form3, {365, 229}, {297, 158}},
        {forms().Form4, {364, 213}, {255, 116}},
        {forms().Form5, {414, 130}, {313, 297}},
        {forms().Form6, {386, 130}, {354, 164}},
        {forms().Form11, {227, 103}, {635, 541}},
    };
    for (const auto &w : windows) {
        EXPECT_TRUE(w.window->isVisible()) << w.window->windowTitle().toStdString();
        EXPECT_EQ(w.window->frameGeometry().topLeft(), w.place) << w.window->windowTitle().toStdString();
        EXPECT_EQ(w.window->size(), w.client) << w.window->windowTitle().toStdString();
    }

    // Only the about window has a fixed size; the others can be resized.
    EXPECT_EQ(forms().Form6->minimumSize(), forms().Form6->maximumSize());
    EXPECT_NE(forms().Form5->minimumSize(), forms().Form5->maximumSize());
    // Every control lies inside its window, except the about window's ":]".
    for (QWidget *window : {static_cast<QWidget *>(forms().Form3), static_cast<QWidget *>(forms().Form4),
                            static_cast<QWidget *>(forms().Form5)}) {
        for (QWidget *child : window->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
            EXPECT_TRUE(window->rect().contains(child->geometry())) << child->objectName().toStdString();
    }
    EXPECT_FALSE(forms().Form6->rect().intersects(ui(*forms().Form6).Button1->geometry()));
}

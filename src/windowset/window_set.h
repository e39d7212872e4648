// Window set folder: what every window knows of the others, headers only.
// The window set (this file, start here) is made and owned by the app
// folder's WindowSetOwner; main_window_link.h is what the other windows may
// use of the main window; skin_files.h names the skin bitmaps they load.
#pragma once

class MainWindowLink;
class TForm1;
class TForm3;
class TForm4;
class TForm5;
class TForm6;
class TForm7;
class TForm8;
class TForm9;
class TForm10;
class TForm11;
class TForm12;
class TForm13;

// The thirteen windows, one instance each, created once at start-up in this
// order and alive until exit. Every window is handed the set when it is
// created and finds the others through it when a handler runs; the main
// window is seen through what the others may use of it.
struct WindowSet {
    MainWindowLink *Form2 = nullptr;
    TForm1 *Form1 = nullptr;
    TForm3 *Form3 = nullptr;
    TForm4 *Form4 = nullptr;
    TForm5 *Form5 = nullptr;
    TForm6 *Form6 = nullptr;
    TForm7 *Form7 = nullptr;
    TForm8 *Form8 = nullptr;
    TForm9 *Form9 = nullptr;
    TForm10 *Form10 = nullptr;
    TForm11 *Form11 = nullptr;
    TForm12 *Form12 = nullptr;
    TForm13 *Form13 = nullptr;
};

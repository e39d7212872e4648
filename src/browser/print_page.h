#pragma once

#include <QString>

class TForm1;

// Ctrl+P: the page as a PDF file, saved where the user chooses.
namespace printpage {

// A file name from the page title: characters no file name may hold
// become '_', surrounding blanks go; an untitled page is "page".
QString defaultFileName(const QString &title);

// Asks for the file in a save dialog (the title's name in the download
// folder), writes the page there and tells the user where it went. A folder
// that cannot be written gets "Cannot create file ..." and no file.
void printToPdf(TForm1 &browser);

// The part after the dialog: writes the page to `path` and tells the user.
void savePdf(TForm1 &browser, const QString &path);

} // namespace printpage

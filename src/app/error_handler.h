#pragma once

class TForm2;

// Installs the program's one error handler: every error that leaves a
// handler is shown in a message box.
void installErrorHandler(TForm2 &main);

// The main window's persistent state on disk: the counter, history, settings
// and template files of the `config` folder, byte for byte. The state itself
// lives in the main window; these functions only read and write it.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include "app/persistence/history_file.h"
#include "toolkit/core/exceptions.h"

namespace persistence {

// The file names, spelled as each operation uses them.
inline const QString kCounterFile = QStringLiteral("config\\stat.cfg");
inline const QString kHistoryFileRead = QStringLiteral("config\\history.cfg");
inline const QString kHistoryFileAtClose = QStringLiteral("config\\History.cfg");
inline const QString kSettingsFileAtStart = QStringLiteral("config/Kestrelon.cfg");
inline const QString kSettingsFile = QStringLiteral("config\\Kestrelon.cfg");
inline const QString kTemplateFile = QStringLiteral("config\\template.cfg");

// Reads record 0 of the counter file.
qint32 readTotalPages();

// The three setting bytes at the start of the settings file.
struct SettingBytes {
    char menuState;
    char interfaceMode;
    char showBrowserAtStart;
};
SettingBytes readSettingBytes();

// Byte 0 of the settings file (the menu state as the file holds it now).
char readMenuStateByte();

// The whole template, byte by byte to its end; at least one byte is read, so
// an empty template is "Read beyond end of file".
QByteArray readTemplate();

// Appends the template to the settings file in text mode.
void appendTemplateToSettings();

// Writes a settings file of exactly these bytes (no template yet).
void writeSettingBytes(const QByteArray &bytes);

void writeTotalPages(qint32 total);

// The template step of the close failed (missing or empty template). The
// close goes on regardless: the user is told, and nothing traps the window.
class ETemplateError : public Exception {
public:
    using Exception::Exception;
};

// What the close step saves, in the order it saves it.
struct CloseState {
    qint32 totalPages;
    bool historyCleared;
    const QList<QByteArray> *historyList;
    char modeChar;
    char showBrowserAtStart;
};

// Saving at close, steps in order: counter; stop if the history was cleared;
// history; settings byte 0 read back; three setting bytes with the template
// appended, saved as one file.
// Any failure stops there with the library's error; a failure of the
// template step is thrown as ETemplateError.
void saveAtClose(const CloseState &state);

} // namespace persistence

#include "app/persistence/persistence.h"

#include "toolkit/core/record_file.h"

#include <QtEndian>

using toolkit::AppendFile;
using toolkit::FileAccess;
using toolkit::RecordFile;

namespace persistence {

qint32 readTotalPages()
{
    RecordFile file(kCounterFile, 4);
    file.reset();
    const QByteArray record = file.read();
    file.close();
    return qFromLittleEndian<qint32>(record.constData());
}

SettingBytes readSettingBytes()
{
    RecordFile file(kSettingsFileAtStart, 1);
    file.reset();
    SettingBytes bytes {};
    bytes.menuState = char(file.readByte());
    bytes.interfaceMode = char(file.readByte());
    bytes.showBrowserAtStart = char(file.readByte());
    file.close();
    return bytes;
}

char readMenuStateByte()
{
    RecordFile file(kSettingsFile, 1);
    file.reset();
    const char byte = char(file.readByte());
    file.close();
    return byte;
}

QByteArray readTemplate()
{
    return toolkit::readWholeFile(kTemplateFile);
}

void appendTemplateToSettings()
{
    const QByteArray text = readTemplate();
    AppendFile settings(kSettingsFile, FileAccess::OwnerOnly);
    settings.open();
    settings.write(text);
    settings.close();
}

void writeSettingBytes(const QByteArray &bytes)
{
    RecordFile file(kSettingsFile, 1, FileAccess::OwnerOnly);
    file.rewrite();
    for (const char byte : bytes)
        file.writeByte(static_cast<unsigned char>(byte));
    file.close();
}

void writeTotalPages(qint32 total)
{
    RecordFile file(kCounterFile, 4, FileAccess::OwnerOnly);
    file.rewrite();
    char record[4];
    qToLittleEndian<qint32>(total, record);
    file.write(QByteArray(record, 4));
    file.close();
}

void saveAtClose(const CloseState &state)
{
    writeTotalPages(state.totalPages);
    if (state.historyCleared)
        return;
    writeHistory(kHistoryFileAtClose, *state.historyList);

    const char menuState = readMenuStateByte();
    const char settingBytes[3] = {menuState, state.modeChar, state.showBrowserAtStart};

    // The three bytes and the template copy go to disk in one save: written
    // one after the other, a crash between them would leave a settings file
    // that is neither the old one nor the new one. Only when the template
    // cannot be read does the file get its three bytes alone.
    QByteArray templateText;
    try {
        templateText = readTemplate();
    } catch (const Exception &e) {
        writeSettingBytes(QByteArray(settingBytes, 3));
        throw ETemplateError(e.message());
    }
    writeSettingBytes(QByteArray(settingBytes, 3) + templateText);
}

} // namespace persistence

#include "app/persistence/persistence.h"

#include "toolkit/core/record_file.h"

#include <QtEndian>

using toolkit::AppendFile;
using toolkit::FileAccess;
using toolkit::RecordFile;

namespace persistence {

namespace {
// Large enough that a history of millions of entries reads in few passes.
constexpr qsizetype kHistoryBlockSize = qsizetype(1) << 20;
} // namespace

qint32 readTotalPages()
{
    RecordFile file(kCounterFile, 4);
    file.reset();
    const QByteArray record = file.read();
    file.close();
    return qFromLittleEndian<qint32>(record.constData());
}

void readHistory(QList<QByteArray> &list)
{
    RecordFile file(kHistoryFileRead, 1);
    file.reset();
    // Blocks rather than bytes: a history of years holds millions of
    // entries. Each entry is appended in one piece (two when it straddles a
    // block), so it holds just the room it needs.
    bool terminated = false;
    while (!terminated && !file.eof()) {
        const QByteArrayView block = file.readBlock(kHistoryBlockSize);
        const char *p = block.data();
        const char *const end = p + block.size();
        while (p < end) {
            const char *q = p;
            while (q < end && static_cast<unsigned char>(*q) != kEntrySeparator
                   && static_cast<unsigned char>(*q) != kListTerminator)
                ++q;
            if (q > p)
                list.last().append(p, q - p);
            if (q == end)
                break;
            list.append(QByteArray());
            if (static_cast<unsigned char>(*q) == kListTerminator) {
                terminated = true;
                break;
            }
            p = q + 1;
        }
    }
    file.close();
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

void writeHistory(const QString &fileName, const QList<QByteArray> &list)
{
    RecordFile file(fileName, 1, FileAccess::OwnerOnly);
    file.rewrite();
    QByteArray bytes;
    qsizetype total = 0;
    for (const QByteArray &entry : list)
        total += entry.size() + 1;
    bytes.reserve(total);
    for (qsizetype i = 0; i < list.size(); ++i) {
        const QByteArray &entry = list.at(i);
        qsizetype start = 0;
        for (qsizetype k = 0; k < entry.size(); ++k) {
            const auto byte = static_cast<unsigned char>(entry.at(k));
            if (byte != kEntrySeparator && byte != kListTerminator)
                continue;
            bytes.append(entry.constData() + start, k - start);
            bytes.append(byte == kEntrySeparator ? "%C3%A4" : "%C3%B6");
            start = k + 1;
        }
        bytes.append(entry.constData() + start, entry.size() - start);
        bytes.append(char(i + 1 == list.size() ? kListTerminator : kEntrySeparator));
    }
    file.writeBlock(bytes);
    file.close();
}

void writeClearedHistory()
{
    RecordFile file(kHistoryFileRead, 1, FileAccess::OwnerOnly);
    file.rewrite();
    file.writeByte(kListTerminator);
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

#include "http/url_encoder.h"
#include "http/uu_processor.h"
#include "toolkit/core/exceptions.h"

#include <QBuffer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray encode(const QByteArray &source, UUMethods method)
{
    QByteArray copy = source;
    QBuffer in(&copy);
    QBuffer out;
    in.open(QIODevice::ReadOnly);
    out.open(QIODevice::ReadWrite);
    TNMUUProcessor processor;
    processor.Method = method;
    processor.SourceStream = &in;
    processor.TargetStream = &out;
    processor.Encode();
    EXPECT_EQ(out.pos(), 0);
    return out.readAll();
}

QByteArray randomBytes(qsizetype n, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray bytes(n, Qt::Uninitialized);
    for (auto &b : bytes)
        b = char(random.bounded(256));
    return bytes;
}

// Runs a system encoder on `input`, given as the file named by the "%in"
// argument, and returns its output.
QByteArray runTool(const QString &program, QStringList args, const QByteArray &input)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("in.bin");
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(input);
    file.close();
    QProcess process;
    args.replaceInStrings("%in", path);
    process.start(program, args);
    process.closeWriteChannel();
    EXPECT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0) << program.toStdString();
    return process.readAllStandardOutput();
}

QByteArray systemBase64(const QByteArray &input)
{
    return runTool("base64", {"-w", "60", "%in"}, input);
}

// The uuencode body (no begin/end lines). Debian's encoder pads a last group
// of one or two bytes to four characters; ours writes two or three and stops,
// so the padding (always grave accents) is dropped here, after checking it.
QByteArray systemUuBody(const QByteArray &input)
{
    QByteArray out = runTool("uuencode", {"%in", "data"}, input);
    QList<QByteArray> lines = out.split('\n');
    EXPECT_TRUE(lines.first().startsWith("begin "));
    lines.removeFirst();
    EXPECT_EQ(lines.takeLast(), QByteArray());
    EXPECT_EQ(lines.takeLast(), QByteArray("end"));
    QByteArray body;
    for (QByteArray line : lines) {
        const int n = line.isEmpty() ? 0 : (line.at(0) == '`' ? 0 : line.at(0) - 0x20);
        const int chars = 1 + 4 * (n / 3) + (n % 3 ? n % 3 + 1 : 0);
        EXPECT_EQ(line.mid(chars).count('`'), line.size() - qMin<qsizetype>(chars, line.size()));
        body += line.left(chars) + "\r\n";
    }
    return body;
}

QByteArray withCrLf(QByteArray lfText)
{
    return lfText.replace("\n", "\r\n");
}

} // namespace

TEST(UrlEncoder, KeepsLettersAndDigitsTurnsBlanksToPlusAndEscapesEveryOtherByte)
{
    for (int c = 0; c < 256; ++c) {
        const QByteArray in(1, char(c));
        QByteArray expected;
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
            expected = in;
        else if (c == ' ')
            expected = "+";
        else
            expected = "%" + QByteArray::number(c, 16).rightJustified(2, '0').toUpper();
        TNMURL url;
        url.InputString = in;
        EXPECT_EQ(url.EncodedString(), expected) << "byte " << c;
    }
}

TEST(UrlEncoder, EncodesWholeTextsIncludingLongAndEmptyOnes)
{
    TNMURL url;
    EXPECT_EQ(url.EncodedString(), QByteArray());
    url.InputString = "a b&c";
    EXPECT_EQ(url.EncodedString(), "a+b%26c");
    url.InputString = "x=1&y=\xE4\n";
    EXPECT_EQ(url.EncodedString(), "x%3D1%26y%3D%E4%0A");
    // Longer than a 16-bit count: nothing is dropped.
    url.InputString = QByteArray(70000, 'a') + "=";
    const QByteArray encoded = url.EncodedString();
    EXPECT_EQ(encoded.size(), 70003);
    EXPECT_TRUE(encoded.endsWith("a%3D"));
    // Reading twice encodes the current input each time.
    url.InputString = "&";
    EXPECT_EQ(url.EncodedString(), "%26");
}

TEST(UuProcessor, MimeEdgeCasesAndLineBreaks)
{
    EXPECT_EQ(encode("", UUMethods::uuMime), QByteArray());
    EXPECT_EQ(encode("a", UUMethods::uuMime), "YQ==\r\n");
    EXPECT_EQ(encode("ab", UUMethods::uuMime), "YWI=\r\n");
    EXPECT_EQ(encode("abc", UUMethods::uuMime), "YWJj\r\n");
    const QByteArray out = encode(QByteArray(46, 'x'), UUMethods::uuMime);
    const QList<QByteArray> lines = out.split('\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0].size(), 61); // 60 characters and the CR
    EXPECT_EQ(lines[1], "eA==\r");
    EXPECT_EQ(encode(QByteArray(45, 'x'), UUMethods::uuMime).size(), 62);
}

TEST(UuProcessor, UuCodeEdgeCases)
{
    EXPECT_EQ(encode("", UUMethods::uuCode), "`\r\n");
    EXPECT_EQ(encode("abc", UUMethods::uuCode), "#86)C\r\n`\r\n");
    EXPECT_EQ(encode("ab", UUMethods::uuCode), "\x22" "86(\r\n`\r\n");
    EXPECT_EQ(encode("a", UUMethods::uuCode), "!80\r\n`\r\n");
    // A zero value is written as the grave accent, never as a blank.
    EXPECT_EQ(encode(QByteArray(3, '\0'), UUMethods::uuCode), "#````\r\n`\r\n");
}

TEST(UuProcessor, MatchesTheSystemEncodersForEveryLengthUpTo200)
{
    for (int n = 0; n <= 200; ++n) {
        const QByteArray input = randomBytes(n, 1000 + n);
        ASSERT_EQ(encode(input, UUMethods::uuMime), withCrLf(systemBase64(input))) << "length " << n;
        ASSERT_EQ(encode(input, UUMethods::uuCode), systemUuBody(input)) << "length " << n;
    }
}

TEST(UuProcessor, MatchesTheSystemEncodersOnOneMegabyte)
{
    const QByteArray input = randomBytes(1 << 20, 77);
    EXPECT_EQ(encode(input, UUMethods::uuMime), withCrLf(systemBase64(input)));
    EXPECT_EQ(encode(input, UUMethods::uuCode), systemUuBody(input));
}

TEST(UuProcessor, WritesAtTheTargetPositionAndRewindsIt)
{
    QByteArray source = "abc";
    QBuffer in(&source);
    in.open(QIODevice::ReadOnly);
    in.seek(2); // the whole source is read, whatever its position
    QBuffer out;
    out.open(QIODevice::ReadWrite);
    out.write("head:");
    QStringList events;
    TNMUUProcessor processor;
    processor.SourceStream = &in;
    processor.TargetStream = &out;
    processor.OnBeginEncode = [&](TNMUUProcessor *p) {
        EXPECT_EQ(p, &processor);
        events << "begin";
    };
    processor.OnEndEncode = [&](TNMUUProcessor *) { events << "end"; };
    processor.OnBeginDecode = [&](TNMUUProcessor *) { events << "decode"; };
    processor.Encode();
    EXPECT_EQ(events, QStringList({"begin", "end"}));
    EXPECT_EQ(out.pos(), 0);
    EXPECT_EQ(out.data(), "head:YWJj\r\n");
    EXPECT_EQ(processor.Alphabet.size(), 64);
}

TEST(UuProcessor, StreamFailuresReachTheCallerAfterTheEndEvent)
{
    QByteArray source = "abc";
    QBuffer in(&source);
    in.open(QIODevice::ReadOnly);
    QBuffer out;
    out.open(QIODevice::ReadOnly); // cannot be written
    bool ended = false;
    TNMUUProcessor processor;
    processor.SourceStream = &in;
    processor.TargetStream = &out;
    processor.OnEndEncode = [&](TNMUUProcessor *) { ended = true; };
    try {
        processor.Encode();
        FAIL() << "no error";
    } catch (const Exception &e) {
        EXPECT_EQ(e.message(), "Stream write error");
    }
    EXPECT_TRUE(ended);

    TNMUUProcessor unset;
    EXPECT_THROW(unset.Encode(), Exception);
}

#include "info_fixture.h"

#include "infowindows/about_window.h"
#include "infowindows/me_picture_window.h"
#include "infowindows/stored_pictures.h"
#include "infowindows/studio_picture_window.h"
#include "toolkit/widgets/pictures.h"
#include "support/gui/window_parts.h"

#include <QFile>

using namespace info_testing;

namespace {

QByteArray sourcePicture(const char *name)
{
    QFile file(QStringLiteral(KESTRELON_SOURCE_DIR "/resources/pictures/") + QLatin1String(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return file.readAll();
}

// Decodes and says how it went: an image of the size, or the error text.
// Anything else (a crash, a foreign exception) fails the test on its own.
struct Outcome {
    bool decoded = false;
    QSize size;
    QString error;
};

Outcome decode(const QByteArray &bytes)
{
    Outcome outcome;
    try {
        const QImage image = toolkit::decodeJpeg(bytes);
        outcome.decoded = true;
        outcome.size = image.size();
    } catch (const EInvalidGraphic &e) {
        outcome.error = e.message();
    }
    return outcome;
}

// The offset of the first marker `code` (0xFF code) in a JPEG stream.
qsizetype markerAt(const QByteArray &jpeg, unsigned char code)
{
    return jpeg.indexOf(QByteArray("\xFF") + char(code));
}

} // namespace

TEST(StoredPictures, DecodeToTheSizesOfTheirWindows)
{
    EXPECT_EQ(infowindows::storedJpeg(QString::fromLatin1(infowindows::AboutPicture)).size(), QSize(105, 97));
    EXPECT_EQ(infowindows::storedJpeg(QString::fromLatin1(infowindows::MePicture)).size(), QSize(189, 172));
    EXPECT_EQ(infowindows::storedBitmap(QString::fromLatin1(infowindows::StudioPicture)).size(), QSize(141, 268));
    // The built-in copies are the committed files.
    EXPECT_EQ(decode(sourcePicture("about.jpg")).size, QSize(105, 97));
}

TEST(StoredPictures, ColoursSurviveTheDecoder)
{
    // The about picture's sky is light orange at the top and its bottom
    // strip dark blue: channels in the wrong order would show otherwise.
    const QImage about = toolkit::decodeJpeg(sourcePicture("about.jpg"));
    const QColor top = about.pixelColor(4, 2);
    EXPECT_GT(top.red(), 200);
    EXPECT_LT(top.blue(), 150);
    const QColor strip = about.pixelColor(4, 92);
    EXPECT_LT(strip.red(), 60);
    EXPECT_GT(strip.blue(), strip.red());
}

TEST(StoredPictures, MissingOnesGiveClearErrors)
{
    EXPECT_THROW(infowindows::storedJpeg(":/pictures/none.jpg"), EInvalidGraphic);
    try {
        infowindows::storedBitmap(":/pictures/about.jpg");
        FAIL() << "a JPEG taken for a bitmap";
    } catch (const EInvalidGraphic &e) {
        EXPECT_EQ(e.message(), "Bitmap image is not valid");
    }
}

TEST(JpegDecoder, EveryTruncationIsAClearErrorNeverACrash)
{
    const QByteArray whole = sourcePicture("about.jpg");
    ASSERT_TRUE(decode(whole).decoded);
    for (qsizetype length = 0; length < whole.size(); ++length) {
        const Outcome outcome = decode(whole.left(length));
        EXPECT_FALSE(outcome.decoded) << "cut at " << length;
        EXPECT_TRUE(outcome.error.startsWith("JPEG error: ")) << "cut at " << length;
    }
}

TEST(JpegDecoder, ForeignAndDamagedDataAreClearErrors)
{
    const QByteArray whole = sourcePicture("about.jpg");
    const QByteArray notJpeg[] = {
        QByteArray(),
        QByteArray("GET / HTTP/1.0\r\n\r\n"),
        sourcePicture("studio.bmp"),
        QByteArray(4096, '\xFF'),
    };
    for (const QByteArray &bytes : notJpeg) {
        const Outcome outcome = decode(bytes);
        EXPECT_FALSE(outcome.decoded);
        EXPECT_TRUE(outcome.error.startsWith("JPEG error: ")) << outcome.error.toStdString();
    }

    // A frame of zero lines.
    QByteArray zeroHeight = whole;
    const qsizetype frame = markerAt(whole, 0xC0);
    ASSERT_GT(frame, 0);
    zeroHeight[frame + 5] = 0;
    zeroHeight[frame + 6] = 0;
    EXPECT_FALSE(decode(zeroHeight).decoded);

    // A quantisation table with an index no decoder has.
    QByteArray badTable = whole;
    const qsizetype table = markerAt(whole, 0xDB);
    ASSERT_GT(table, 0);
    badTable[table + 4] = char(0x07);
    EXPECT_FALSE(decode(badTable).decoded);
}

TEST(JpegDecoder, AHugeDeclaredFrameIsRefusedWithoutDecodingIt)
{
    // 60000 x 60000 pixels would need more than ten gigabytes.
    QByteArray huge = sourcePicture("about.jpg");
    const qsizetype frame = markerAt(huge, 0xC0);
    ASSERT_GT(frame, 0);
    for (int at : {5, 7}) {
        huge[frame + at] = char(0xEA);
        huge[frame + at + 1] = char(0x60);
    }
    const Outcome outcome = decode(huge);
    EXPECT_FALSE(outcome.decoded);
    EXPECT_EQ(outcome.error, "JPEG error: the image is too large (60000 x 60000 pixels)");

    // A frame taller than its data, within the limit, ends at the data's end.
    QByteArray tall = sourcePicture("about.jpg");
    tall[frame + 5] = char(0x1F);
    tall[frame + 6] = char(0x40);
    EXPECT_EQ(decode(tall).error, "JPEG error: the image data is truncated or corrupt");
}

TEST(JpegDecoder, DamagedScanDataNeverCrashes)
{
    const QByteArray whole = sourcePicture("me.jpg");
    const qsizetype scan = markerAt(whole, 0xDA);
    ASSERT_GT(scan, 0);
    // Overwrite stretches of the entropy-coded data; whatever the decoder
    // makes of them, it is an image of the frame's size or a clear error.
    for (qsizetype at = scan + 20; at + 16 < whole.size() - 2; at += 97) {
        QByteArray damaged = whole;
        for (int i = 0; i < 16; ++i)
            damaged[at + i] = char((at * 31 + i * 17) & 0xFF);
        const Outcome outcome = decode(damaged);
        if (outcome.decoded)
            EXPECT_EQ(outcome.size, QSize(189, 172));
        else
            EXPECT_TRUE(outcome.error.startsWith("JPEG error: "));
    }
}

class PictureWindows : public InfoWindowsTest {};

TEST_F(PictureWindows, ShowTheirPicturesAtTheirPlacesWithoutBorders)
{
    start();
    TForm10 &studio = *forms().Form10;
    TForm8 &me = *forms().Form8;
    TForm6 &about = *forms().Form6;
    EXPECT_EQ(ui(studio).Image1->pixmap().size(), QSize(141, 268));
    EXPECT_EQ(ui(me).Image1->pixmap().size(), QSize(189, 172));
    EXPECT_EQ(ui(about).Image1->pixmap().size(), QSize(105, 97));
    EXPECT_EQ(ui(me).Image1->toolTip(), "HA HA! Thats me! (not really)");

    EXPECT_EQ(studio.geometry(), QRect(425, 171, 141, 268));
    EXPECT_EQ(me.geometry(), QRect(478, 130, 189, 172));
    EXPECT_TRUE(studio.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(me.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(ui(studio).Image1->geometry(), studio.rect());
    EXPECT_EQ(ui(me).Image1->geometry(), me.rect());
    // No picture failed to load.
    EXPECT_TRUE(messages().isEmpty());
}

#include "http/response_fields.h"

#include <gtest/gtest.h>

using namespace http;

TEST(ResponseFields, StatusIsTheSecondFieldOrZero)
{
    EXPECT_EQ(statusNumber("HTTP/1.0 200 OK\r\n"), 200);
    EXPECT_EQ(statusNumber("HTTP/1.1 404 Not Found\n"), 404);
    EXPECT_EQ(statusNumber("HTTP/1.0 32767 x\r\n"), 32767);
    // No reason phrase: the field runs into the line end.
    EXPECT_EQ(statusNumber("HTTP/1.0 200\r\n"), 0);
    EXPECT_EQ(statusNumber("HTTP/1.0 abc OK\r\n"), 0);
    EXPECT_EQ(statusNumber("HTTP/1.0  200 OK\r\n"), 0); // an empty second field
    EXPECT_EQ(statusNumber("garbage\r\n"), 0);
    // Numbers that do not fit a status give 0 rather than a wrapped value
    // (65736 would read as 200, 2000000000 as -27648).
    EXPECT_EQ(statusNumber("HTTP/1.0 65736 X\r\n"), 0);
    EXPECT_EQ(statusNumber("HTTP/1.0 2000000000 X\r\n"), 0);
    EXPECT_EQ(statusNumber("HTTP/1.0 9999999999 X\r\n"), 0);
    // Only decimal digits: a sign or the hex form is no status.
    EXPECT_EQ(statusNumber("HTTP/1.0 +200 OK\r\n"), 0);
    EXPECT_EQ(statusNumber("HTTP/1.0 $C8 OK\r\n"), 0);
    EXPECT_EQ(statusNumber("HTTP/1.0 -200 OK\r\n"), 0);
}

TEST(ResponseFields, RecognisesNamesFollowedByColonAndBlankInAnyCase)
{
    ResponseFields f;
    takeHeaderLine("Location: http://x/a\r\n", f);
    EXPECT_EQ(f.location, "http://x/a");
    takeHeaderLine("location: /b\n", f);
    EXPECT_EQ(f.location, "/b");
    // Not followed by exactly ": ": not the header.
    takeHeaderLine("Location:/c\r\n", f);
    takeHeaderLine("Location : /d\r\n", f);
    takeHeaderLine("Location\r\n", f);
    takeHeaderLine("X-Location: /e\r\n", f);
    EXPECT_EQ(f.location, "/b");
    // The value is taken by position: a second blank belongs to it.
    takeHeaderLine("LOCATION:  /f\r\n", f);
    EXPECT_EQ(f.location, " /f");

    takeHeaderLine("Set-Cookie: id=1; path=/\r\n", f);
    EXPECT_EQ(f.cookieReceived, "id=1; path=/");
    takeHeaderLine("SET-COOKIE: id=2\n", f);
    EXPECT_EQ(f.cookieReceived, "id=2");
    EXPECT_EQ(f.location, " /f");
    EXPECT_EQ(f.bytesTotal, 0);
}

TEST(ResponseFields, KeepsLongValuesWhole)
{
    ResponseFields f;
    const QByteArray location = "http://h/" + QByteArray(10000, 'l');
    const QByteArray cookie = "c=" + QByteArray(5000, 'v');
    takeHeaderLine("Location: " + location + "\r\n", f);
    takeHeaderLine("Set-Cookie: " + cookie + "\r\n", f);
    EXPECT_EQ(f.location, location);
    EXPECT_EQ(f.cookieReceived, cookie);
}

TEST(ResponseFields, ContentLengthIsTheDigitsAfterTheBlank)
{
    ResponseFields f;
    takeHeaderLine("Content-Length: 1234\r\n", f);
    EXPECT_EQ(f.bytesTotal, 1234);
    takeHeaderLine("content-length: 56x\r\n", f);
    EXPECT_EQ(f.bytesTotal, 56);
    takeHeaderLine("Content-Length: 2147483647\r\n", f);
    EXPECT_EQ(f.bytesTotal, 2147483647);
    // Lies that tell nothing give 0.
    takeHeaderLine("Content-Length: -5\r\n", f);
    EXPECT_EQ(f.bytesTotal, 0);
    takeHeaderLine("Content-Length: 2147483648\r\n", f);
    EXPECT_EQ(f.bytesTotal, 0);
    takeHeaderLine("Content-Length: 7\r\n", f);
    takeHeaderLine("Content-Length: 123456789012345678901234567890\r\n", f);
    EXPECT_EQ(f.bytesTotal, 0);
    takeHeaderLine("Content-Length: \r\n", f);
    EXPECT_EQ(f.bytesTotal, 0);
}

TEST(ResponseFields, AnnouncedLengthStaysExactPastThirtyTwoBits)
{
    EXPECT_EQ(contentLength("Content-Length: 0\r\n"), 0);
    EXPECT_EQ(contentLength("Content-Length: 56x\r\n"), 56);
    EXPECT_EQ(contentLength("Content-Length: 2147483648\r\n"), 2147483648LL);
    EXPECT_EQ(contentLength("Content-Length: 9223372036854775807\r\n"), 9223372036854775807LL);
    // Nothing to go by: no digits, a sign, or more than 64 bits hold.
    EXPECT_EQ(contentLength("Content-Length: 9223372036854775808\r\n"), -1);
    EXPECT_EQ(contentLength("Content-Length: -5\r\n"), -1);
    EXPECT_EQ(contentLength("Content-Length: \r\n"), -1);
    EXPECT_EQ(contentLength("Content-Length: x\r\n"), -1);

    // The progress total says 0 ("unknown") when it cannot hold the
    // length; the announced length keeps it.
    ResponseFields f;
    takeHeaderLine("Content-Length: 5000000000\r\n", f);
    EXPECT_EQ(f.bytesTotal, 0);
    EXPECT_EQ(f.announcedLength, 5000000000LL);
    takeHeaderLine("Content-Length: 2147483647\r\n", f);
    EXPECT_EQ(f.bytesTotal, 2147483647);
    EXPECT_EQ(f.announcedLength, 2147483647);
    takeHeaderLine("Content-Length: -5\r\n", f);
    EXPECT_EQ(f.bytesTotal, 0);
    EXPECT_EQ(f.announcedLength, -1);
    // More blanks or a tab before the digits still announce the length
    // that decides whether the body was cut; the progress total keeps
    // reading by position and says "unknown".
    takeHeaderLine("Content-Length:  100\r\n", f);
    EXPECT_EQ(f.announcedLength, 100);
    EXPECT_EQ(f.bytesTotal, 0);
    takeHeaderLine("Content-Length: \t 7\r\n", f);
    EXPECT_EQ(f.announcedLength, 7);
}

TEST(ResponseFields, TheBlockEndsAtAnEmptyLine)
{
    EXPECT_TRUE(endsHeaderBlock(""));
    EXPECT_TRUE(endsHeaderBlock("\n"));
    EXPECT_TRUE(endsHeaderBlock("\r\n"));
    EXPECT_FALSE(endsHeaderBlock("\r"));
    EXPECT_FALSE(endsHeaderBlock(" \r\n"));
    EXPECT_FALSE(endsHeaderBlock("X: y\r\n"));
    EXPECT_EQ(withoutLineEnd("a\r\n"), "a");
    EXPECT_EQ(withoutLineEnd("a\n"), "a");
    EXPECT_EQ(withoutLineEnd("a\r"), "a\r");
    EXPECT_EQ(withoutLineEnd("a"), "a");
}

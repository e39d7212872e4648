#include "toolkit/core/codepage.h"
#include "toolkit/core/convert.h"
#include "toolkit/core/exceptions.h"

#include <gtest/gtest.h>

using namespace toolkit;

TEST(CodePage, EveryByteSurvivesTheRoundTrip)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    EXPECT_EQ(toSingleByte(fromSingleByte(all)), all);
}

TEST(CodePage, HighRangeMapsToItsLetters)
{
    EXPECT_EQ(fromSingleByte(QByteArray("\x80\x9f\xe4\xf6\xb4")), QString::fromUtf16(u"\u20ac\u0178\u00e4\u00f6\u00b4"));
    EXPECT_EQ(toSingleByte(QString::fromUtf16(u"\u20ac\u2122")), QByteArray("\x80\x99"));
}

TEST(CodePage, CharactersOutsideBecomeOneQuestionMarkEach)
{
    // A CJK character and an emoji (a surrogate pair) each give one '?'.
    EXPECT_EQ(toSingleByte(QString::fromUtf16(u"a\u4e2db\U0001F600c")), QByteArray("a?b?c"));
}

TEST(Convert, DecimalTextAndItsErrors)
{
    EXPECT_EQ(strToInt("0"), 0);
    EXPECT_EQ(strToInt("5"), 5);
    EXPECT_EQ(strToInt("-12"), -12);
    EXPECT_EQ(strToInt("2147483647"), 2147483647);
    EXPECT_EQ(strToInt("-2147483648"), -2147483647 - 1);
    for (const char *bad : {"x", "", "1a", "2147483648", " ", "-"}) {
        try {
            strToInt(QString::fromLatin1(bad));
            ADD_FAILURE() << "accepted " << bad;
        } catch (const EConvertError &e) {
            EXPECT_EQ(e.message(), QStringLiteral("'%1' is not a valid integer value").arg(bad));
        }
    }
}

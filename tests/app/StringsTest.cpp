#include "app/modStrings.h"

#include <gtest/gtest.h>

using namespace modStrings;

TEST(Strings, GetDelimitedWordGivesNothingForAFieldThatIsNotThere) {
    const QString reply = "12.5,0.3,7";
    EXPECT_EQ(GetDelimitedWord(reply, 1, ","), "12.5");
    EXPECT_EQ(GetDelimitedWord(reply, 2, ","), "0.3");
    EXPECT_EQ(GetDelimitedWord(reply, 3, ","), "7");
    // A short reply must not hand field 1 to whoever asked for field 4.
    EXPECT_EQ(GetDelimitedWord(reply, 4, ","), "");
    EXPECT_EQ(GetDelimitedWord(reply, 0, ","), "");
    EXPECT_EQ(GetDelimitedWord(",5", 1, ","), "");  // an empty first field is empty
    EXPECT_EQ(GetDelimitedWord(",5", 2, ","), "5");
    EXPECT_EQ(GetDelimitedWord("a,,c", 2, ","), "");
    EXPECT_EQ(GetDelimitedWord("a,", 2, ","), "");
    EXPECT_EQ(GetDelimitedWord("", 1, ","), "");
}

TEST(Strings, GetSubStringKeepsItsWrap) {
    const QString request = "a,b,c";
    EXPECT_EQ(GetSubString(request, 2, ","), "b");
    EXPECT_EQ(GetSubString(request, 3, ","), "c");
    EXPECT_EQ(GetSubString(request, 4, ","), "a");  // past the end: from the beginning
    EXPECT_EQ(GetSubString(",5", 1, ","), ",5");    // an empty first field: the whole text
    EXPECT_EQ(GetSubString("a,", 2, ","), "");
}

TEST(Strings, ReplaceCharsReplacesOnlySingleCharacters) {
    EXPECT_EQ(ReplaceChars("1,5;2,5", ",", "."), "1.5;2.5");
    EXPECT_EQ(ReplaceChars("a\\b\\c", "\\", "/"), "a/b/c");
    EXPECT_EQ(ReplaceChars("tab", "a", ""), "tb");
    EXPECT_EQ(ReplaceChars("abab", "ab", "x"), "abab");
    EXPECT_EQ(ReplaceChars("abab", "", "x"), "abab");
}

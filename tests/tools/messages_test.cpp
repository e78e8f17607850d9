// The built-in message tables and the text encodings of the builder.
#include "pack/messages.h"

#include <gtest/gtest.h>

#include "archive/format.h"
#include "pack/codepage.h"
#include "tool_test_support.h"

namespace {

TEST(MessagesTest, EveryRoleHasItsNumberAndEveryBuiltinTextFitsIt) {
  ASSERT_EQ(messageRoles().size(), static_cast<size_t>(StandardMessageCount));
  for (size_t n = 0; n < messageRoles().size(); n++) {
    const MessageRole& role = messageRoles()[n];
    EXPECT_EQ(role.number, static_cast<int>(n));
    EXPECT_EQ(messageNumberForKey(role.key), role.number) << role.key;
    for (const BuiltinLanguage& language : builtinLanguages()) {
      const std::string text = utf8ToAnsi(language.texts[n], "built-in text");
      EXPECT_EQ(checkMessageText(role.number, text), "") << language.name << " " << n;
      EXPECT_FALSE(text.empty()) << language.name << " " << n;
    }
  }
  EXPECT_EQ(messageNumberForKey("19"), 19);
  EXPECT_EQ(messageNumberForKey("60"), -1);
  EXPECT_EQ(messageNumberForKey("-1"), -1);
  EXPECT_EQ(messageNumberForKey("title"), -1);
}

TEST(MessagesTest, LanguagesAreFoundByKeyOrName) {
  EXPECT_STREQ(findBuiltinLanguage("ENGLISH")->name, "English");
  EXPECT_STREQ(findBuiltinLanguage("german")->name, "Deutsch");
  EXPECT_STREQ(findBuiltinLanguage("Deutsch")->key, "german");
  EXPECT_EQ(findBuiltinLanguage("Esperanto"), nullptr);
}

TEST(CodepageTest, Windows1252BothWays) {
  const std::string utf8 = "\xC3\xA4\xE2\x82\xAC\xE2\x80\x9E" "x\xC5\xB8";  // ä € „ x Ÿ
  const std::string ansi = utf8ToAnsi(utf8, "t");
  EXPECT_EQ(ansi, "\xE4\x80\x84x\x9F");
  EXPECT_EQ(ansiToUtf8(ansi), utf8);
  EXPECT_EQ(ansiToUtf8("\x81"), "\xEF\xBF\xBD") << "an undefined byte";
  for (const char* bad : {"\xE2\x9C\x93", "\xC3", "\xC0\xAF", "\xED\xA0\x80"}) {
    try {
      utf8ToAnsi(bad, "the text");
      ADD_FAILURE() << "accepted " << bad;
    } catch (const PackError& e) {
      EXPECT_TRUE(contains(e.what(), "the text")) << e.what();
    }
  }
  EXPECT_EQ(textFileToAnsi("\xEF\xBB\xBFplain", "f"), "plain");
  EXPECT_EQ(textFileToAnsi("caf\xE9", "f"), "caf\xE9") << "not UTF-8: taken as Windows-1252";
  EXPECT_EQ(withCrLf("a\nb\r\nc\rd\n\n"), "a\r\nb\r\nc\r\nd\r\n\r\n");
}

}  // namespace

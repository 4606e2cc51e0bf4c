#include "platform/text.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

std::string Std(const Text& text) { return std::string(text.c_str(), text.size()); }

TEST(Text, BuildsAndCompares) {
  Text path = "C:\\Apps";
  path += '\\';
  path += Text("Tool");
  EXPECT_EQ(Std(path), "C:\\Apps\\Tool");
  EXPECT_EQ(Std("<" + path + ">"), "<C:\\Apps\\Tool>");
  EXPECT_TRUE(path == Text("C:\\Apps\\Tool"));
  EXPECT_TRUE(path != Text("C:\\Apps\\tool"));
  EXPECT_EQ(Std(path.Substring(3, 4)), "Apps");
  EXPECT_EQ(Std(path.Substring(8, 100)), "Tool");
  EXPECT_EQ(Std(path.Substring(50, 1)), "");
}

TEST(Text, EmptyTextsAreUsable) {
  Text empty;
  EXPECT_STREQ(empty.c_str(), "");
  EXPECT_TRUE(empty.empty());
  EXPECT_TRUE(empty == Text(""));
  Text copy = empty;
  copy += "";
  EXPECT_TRUE(copy.empty());
}

TEST(Text, HoldsZerosAndTrimsAtTheFirst) {
  Text text("a\0b", 3);
  EXPECT_EQ(text.size(), 3u);
  EXPECT_FALSE(text == Text("a"));
  text.TrimAtZero();
  EXPECT_EQ(Std(text), "a");
  text.Resize(5);
  EXPECT_EQ(text.size(), 5u);
  EXPECT_EQ(text[4], '\0');
  EXPECT_EQ(text.c_str()[5], '\0');
}

TEST(Text, CopiesAndMovesOwnTheirBytes) {
  Text original = "folder";
  Text copy = original;
  copy[0] = 'F';
  EXPECT_EQ(Std(original), "folder");
  Text moved = std::move(copy);
  EXPECT_EQ(Std(moved), "Folder");
  EXPECT_EQ(Std(moved), "Folder");
  Text grown;
  for (int i = 0; i < 1000; ++i) grown += 'x';
  EXPECT_EQ(grown.size(), 1000u);
  grown.PopBack();
  EXPECT_EQ(grown.back(), 'x');
  EXPECT_EQ(grown.size(), 999u);
}

}  // namespace

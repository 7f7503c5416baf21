#include "text/page_charset.h"

#include <gtest/gtest.h>

namespace dw {
namespace {

TEST(DeclaredCharset, HeaderFirstThenTheTopOfThePage) {
  const struct {
    const char* body;
    const char* headers;
    const char* name;
    PageCharset kind;
  } cases[] = {
      {"<html>", "Content-Type: text/html; charset=GB2312\r\n", "gb2312",
       PageCharset::kGbk},
      {"<meta charset=\"utf-8\">", "Content-Type: text/html; charset=gbk\r\n",
       "gbk", PageCharset::kGbk},
      {"<?xml version=\"1.0\" encoding=\"GB18030\"?><rss>", "", "gb18030",
       PageCharset::kGbk},
      {"<head><META http-equiv=Content-Type content=\"text/html; "
       "charset=utf-8\">",
       "Content-Type: text/html\r\n", "utf-8", PageCharset::kUtf8},
      {"<meta charset='big5'>", "", "big5", PageCharset::kOther},
      {"<html><body>charset=gbk in the text</body>", "", "",
       PageCharset::kUnknown},
  };
  for (const auto& c : cases) {
    const std::string name = DeclaredCharsetName(c.body, c.headers);
    EXPECT_EQ(name, c.name) << c.body;
    EXPECT_EQ(CharsetOfName(name), c.kind) << c.body;
  }
}

// Each word a page gives of its encoding is taken only where its bytes
// bear it out; "中文" is E4 B8 AD E6 96 87 in UTF-8, D6 D0 CE C4 in GBK.
TEST(DecidePageEncoding, HeaderByteOrderMarkDeclarationThenTheBytes) {
  using namespace std::string_literals;
  const std::string utf8 = "<p>\xE4\xB8\xAD\xE6\x96\x87</p>";
  const std::string gbk = "<p>\xD6\xD0\xCE\xC4</p>";
  const std::string gbk_header = "Content-Type: text/html; charset=gbk\r\n";
  const struct {
    std::string body;
    std::string headers;
    const char* name;
    PageCharset kind;
  } cases[] = {
      {"<meta charset=gbk>" + utf8, "", "utf-8", PageCharset::kUtf8},
      {"<meta charset=utf-8>" + gbk, "", "gbk", PageCharset::kGbk},
      {"<meta charset=utf-8>" + utf8, gbk_header, "utf-8", PageCharset::kUtf8},
      {"<meta charset=gb2312>" + gbk, "Content-Type: text/html; charset=utf-8",
       "gb2312", PageCharset::kGbk},
      {"\xEF\xBB\xBF" + utf8, gbk_header, "utf-8", PageCharset::kUtf8},
      {"\xFF\xFE<\0p\0>\0-N\x87"
       "e"s,
       "", "utf-16", PageCharset::kOther},
      {"<\0h\0t\0m\0l\0>\0"s, "", "utf-16le", PageCharset::kOther},
      {"\0<\0h\0t\0m\0l\0>"s, "", "utf-16be", PageCharset::kOther},
      {"<meta charset=iso-8859-1><p>caf\xE9</p>", "", "iso-8859-1",
       PageCharset::kOther},
      {"<meta charset=iso-8859-1>" + utf8, "", "utf-8", PageCharset::kUtf8},
      {"<meta charset=gbk><p>plain</p>", "", "gbk", PageCharset::kGbk},
      {gbk, "", "gbk", PageCharset::kGbk},
      {"<p>plain</p>", "", "", PageCharset::kUnknown},
  };
  for (const auto& c : cases) {
    const PageEncoding encoding = DecidePageEncoding(c.body, c.headers);
    EXPECT_EQ(encoding.name, c.name) << c.body;
    EXPECT_EQ(encoding.kind, c.kind) << c.body;
  }
}

}  // namespace
}  // namespace dw

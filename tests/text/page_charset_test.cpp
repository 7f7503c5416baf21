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

}  // namespace
}  // namespace dw

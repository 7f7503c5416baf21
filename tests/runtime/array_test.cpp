#include "runtime/array.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/numbers.h"
#include "runtime/runtime_error.h"

namespace dw {
namespace {

// Each message as UTF-8 on stderr, where the default reporter writes it.
constexpr char kTooLarge[] = "下标超出定义范围";
constexpr char kBelowOne[] = "下标必须大于等于1";
constexpr char kDimensions[] = "维数不为1且不等于";

TEST(Array, TableIsRowFirstAndOneBased) {
  Array<std::string> table(2, 3);
  EXPECT_EQ(table.Dimensions(), 2);
  EXPECT_EQ(table.Rows(), 2);
  EXPECT_EQ(table.Columns(), 3);
  EXPECT_EQ(table.Size(), 6);
  table(1, 3) = "a";
  table(2, 1) = "b";
  // One index walks the members row after row.
  EXPECT_EQ(table(3), "a");
  EXPECT_EQ(table(4), "b");
  EXPECT_EQ(table(2, 2), "");
}

TEST(Array, OneDimensionalAppend) {
  Array<int> list;
  EXPECT_TRUE(list.Empty());
  EXPECT_EQ(list.Rows(), 0);
  list.Append(5);
  list.Append(7);
  EXPECT_EQ(list.Size(), 2);
  EXPECT_EQ(list(2), 7);
  EXPECT_EQ(list.Columns(), 0);
  EXPECT_EQ(Array<int>(-3).Size(), 0);
}

TEST(ArrayDeathTest, IndexFaultsStopTheProgram) {
  Array<int> list(3);
  Array<int> table(2, 2);
  EXPECT_EXIT(list(4), ::testing::ExitedWithCode(255), kTooLarge);
  EXPECT_EXIT(list(0), ::testing::ExitedWithCode(255), kBelowOne);
  EXPECT_EXIT(table(3, 1), ::testing::ExitedWithCode(255), kTooLarge);
  EXPECT_EXIT(table(1, 3), ::testing::ExitedWithCode(255), kTooLarge);
  EXPECT_EXIT(table(1, 0), ::testing::ExitedWithCode(255), kBelowOne);
  EXPECT_EXIT(table(5), ::testing::ExitedWithCode(255), kTooLarge);
  EXPECT_EXIT(list(1, 1), ::testing::ExitedWithCode(255), kDimensions);
  EXPECT_EXIT(Array<int>()(1), ::testing::ExitedWithCode(255), kTooLarge);
}

TEST(RuntimeErrorText, Layout) {
  // 运行时出错! / 错误代码：1 / 错误信息：数组成员引用下标超出定义范围
  EXPECT_EQ(RuntimeErrorText(RuntimeError::kIndexTooLarge),
            "\xd4\xcb\xd0\xd0\xca\xb1\xb3\xf6\xb4\xed!\r\n\r\n"
            "\xb4\xed\xce\xf3\xb4\xfa\xc2\xeb\xa3\xba"
            "1\r\n\r\n"
            "\xb4\xed\xce\xf3\xd0\xc5\xcf\xa2\xa3\xba"
            "\xca\xfd\xd7\xe9\xb3\xc9\xd4\xb1\xd2\xfd\xd3\xc3\xcf\xc2\xb1\xea"
            "\xb3\xac\xb3\xf6\xb6\xa8\xd2\xe5\xb7\xb6\xce\xa7\r\n");
  // Errors without a code have no code line: 错误信息：不能求余数于零
  EXPECT_EQ(RuntimeErrorText(RuntimeError::kRemainderByZero),
            "\xd4\xcb\xd0\xd0\xca\xb1\xb3\xf6\xb4\xed!\r\n\r\n"
            "\xb4\xed\xce\xf3\xd0\xc5\xcf\xa2\xa3\xba"
            "\xb2\xbb\xc4\xdc\xc7\xf3\xd3\xe0\xca\xfd\xd3\xda\xc1\xe3\r\n");
}

TEST(RuntimeErrorDeathTest, ReporterSeesTextThenProcessEnds) {
  EXPECT_EXIT(
      {
        SetRuntimeErrorReporter([](const std::string& text) {
          bool same = text == RuntimeErrorText(RuntimeError::kTypeMismatch);
          std::fprintf(stderr, "reported %s", same ? "the text" : "other");
        });
        RaiseRuntimeError(RuntimeError::kTypeMismatch);
      },
      ::testing::ExitedWithCode(255), "reported the text");
}

TEST(Numbers, RemainderAndBits) {
  EXPECT_DOUBLE_EQ(Remainder(7.5, 2), 1.5);
  EXPECT_DOUBLE_EQ(Remainder(-7, 3), -1);
  EXPECT_DOUBLE_EQ(Remainder(100, 30, 7), 3);  // 100 % 30 = 10, 10 % 7 = 3
  EXPECT_EQ(BitAnd(0b1100, 0b1010), 0b1000);
  EXPECT_EQ(BitAnd(-1, 0xFF, 0x0F), 0x0F);
  EXPECT_EQ(ShiftLeft(1, 4), 16);
  EXPECT_EQ(ShiftLeft(1, 33), 2);
  EXPECT_EQ(ShiftLeft(0x40000000, 1), static_cast<int>(0x80000000u));
  EXPECT_EQ(ShiftRight(-16, 2), -4);
  EXPECT_EQ(ShiftRight(16, 34), 4);
  EXPECT_EQ(ShiftRight(-1, 31), -1);
}

TEST(NumbersDeathTest, RemainderByZero) {
  EXPECT_EXIT(Remainder(1, 0), ::testing::ExitedWithCode(255),
              "不能求余数于零");
  EXPECT_EXIT(Remainder(1, 2, 0), ::testing::ExitedWithCode(255), "");
}

}  // namespace
}  // namespace dw

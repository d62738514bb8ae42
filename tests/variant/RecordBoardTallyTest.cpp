#include <gtest/gtest.h>

#include "variant/RecordBoardTally.h"

namespace {

TEST(RecordBoardTally, LastAndTotalPerChair) {
  CRecordBoardTally board;
  board.Refill({"ann", "bo", "cy", "di"}, 0);
  board.AddRound(1, 300);
  board.AddRound(1, -100);
  board.AddRound(4, 999);   // no such chair
  board.AddRound(-1, 999);
  ASSERT_EQ(board.Rows().size(), 4u);
  EXPECT_EQ(board.Rows()[1].last, "-100");
  EXPECT_EQ(board.Rows()[1].total, "200");
  for (int row : {0, 2, 3}) EXPECT_EQ(board.Rows()[row].total, "0") << row;
}

// With chair 1 empty the rows are ann, cy, di; the results must stand beside their own names.
TEST(RecordBoardTally, EmptyChairKeepsResultsBesideTheirNames) {
  CRecordBoardTally board;
  board.Refill({"ann", "", "cy", "di"}, 0);
  for (int chair = 0; chair < 4; ++chair) board.AddRound(chair, (chair + 1) * 10);
  ASSERT_EQ(board.Rows().size(), 3u);
  struct Expect {
    const char* name;
    const char* last;
  } expected[] = {{"ann", "10"}, {"cy", "30"}, {"di", "40"}};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(board.Rows()[i].name, expected[i].name);
    EXPECT_EQ(board.Rows()[i].last, expected[i].last);
  }
  EXPECT_EQ(board.RowOfChair(1), -1);
  EXPECT_EQ(board.Total(1), 20);  // kept for when the chair's row comes back
}

TEST(RecordBoardTally, RefillKeepsOrClearsTotals) {
  CRecordBoardTally board;
  board.Seed({5, 6, 7, 8}, {50, 60, 70, 80});
  board.Refill({"ann", "bo", "", ""}, 0);
  EXPECT_EQ(board.Rows()[1].total, "60");
  board.Refill({"ann", "bo", "", ""}, 1);
  EXPECT_EQ(board.Rows()[1].total, "0");
  EXPECT_EQ(board.Rows()[1].last, "0");
}

}  // namespace

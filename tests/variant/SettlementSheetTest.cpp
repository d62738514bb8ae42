#include <gtest/gtest.h>

#include <string>

#include "framework/BodyWriter.h"
#include "variant/SettlementSheet.h"

namespace {

struct Fixture {
  CBodyWriter record{SETTLEMENT_RECORD_SIZE};
  CBodyWriter entries{SETTLEMENT_ENTRY_SIZE * SETTLEMENT_CHAIRS};
  void Entry(int chair, size_t offset, int32_t value) { entries.Int(SETTLEMENT_ENTRY_SIZE * chair + offset, value); }
  CSettlementSheet Sheet() const {
    return CSettlementSheet(record.Data().data(), record.Size(), entries.Data().data(), entries.Size());
  }
};

Fixture RecordedHand() {
  Fixture f;
  f.record.Int(16, 2);     // banker
  f.record.Int(156, 10);   // silver per point
  f.record.Int(680, 1);    // winner
  for (int chair = 0; chair < 4; ++chair) {
    f.record.Int(288 + 4 * chair, chair == 1 ? 9 : -3);
    f.record.Int(320 + 4 * chair, chair == 1 ? 90 : -30);
  }
  f.record.Text(1824, 296, "平胡|自摸|宝");
  f.Entry(1, 12, 5);       // 平胡 5 points
  f.Entry(1, 16, -3);      // 自摸 three times
  f.Entry(1, 24, 2);       // item 3 has no name
  f.Entry(1, 140, 9);
  f.Entry(0, 148, 1);      // kong cell filled with 0
  f.Entry(1, 152, 4);
  f.Entry(1, 156, 2);
  return f;
}

TEST(SettlementSheet, PlayerRowsFromARecordedHand) {
  std::vector<SettlementPlayerRow> rows = RecordedHand().Sheet().PlayerRows({"ann", "bo", "cy", "di"});
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[2].name, "cy(庄)");
  EXPECT_EQ(rows[1].name, "bo");
  EXPECT_EQ(rows[1].silver, "90两");
  EXPECT_EQ(rows[1].points, "9分");
  EXPECT_EQ(rows[1].treasure, "40两");
  EXPECT_EQ(rows[1].flying, "2个");
  EXPECT_EQ(rows[0].kong, "0两");
  EXPECT_EQ(rows[3].kong, "");
  EXPECT_EQ(rows[3].flying, "");
}

TEST(SettlementSheet, DetailOfTheWinner) {
  CSettlementSheet sheet = RecordedHand().Sheet();
  EXPECT_EQ(sheet.FirstDetailChair(), 1);
  std::vector<SettlementDetailRow> rows = sheet.DetailRows(1);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0].name, "平胡");
  EXPECT_EQ(rows[0].amount, "50两");
  EXPECT_EQ(rows[1].amount, "×3");
  EXPECT_EQ(rows[2].name, "");
  EXPECT_EQ(rows[3].name, "总计");
  EXPECT_EQ(rows[3].amount, "90两");
  EXPECT_TRUE(sheet.DetailRows(7).empty());
}

// Any result word with the drawn bit ends the detail with the drawn row; other bits alone do not.
TEST(SettlementSheet, DrawnHandByItsBit) {
  struct Case {
    int32_t flags;
    bool drawn;
  } cases[] = {{2, true}, {0x1000002, true}, {0x4000002, true}, {0x1000000, false}, {0, false}};
  for (const Case& c : cases) {
    Fixture f = RecordedHand();
    f.record.Int(0, c.flags);
    std::vector<SettlementDetailRow> rows = f.Sheet().DetailRows(0);
    EXPECT_EQ(f.Sheet().IsDrawn(), c.drawn) << c.flags;
    EXPECT_EQ(!rows.empty() && rows.back().name == "流局", c.drawn) << c.flags;
  }
}

// Names that fill the record to its last byte without a terminator stay inside the record, and
// a truncated record gives empty numbers rather than reads past its end.
TEST(SettlementSheet, BoundedRecords) {
  Fixture f = RecordedHand();
  std::string names(296, 'x');
  f.record.Bytes(1824, names.data(), names.size());
  f.record.Int(680, -1);
  CSettlementSheet sheet = f.Sheet();
  EXPECT_EQ(sheet.FirstDetailChair(), 0);
  std::vector<SettlementDetailRow> rows = sheet.DetailRows(1);
  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(rows[0].name, std::string(295, 'x'));

  CSettlementSheet shortSheet(f.record.Data().data(), 100, f.entries.Data().data(), 10);
  EXPECT_EQ(shortSheet.PlayerRows({"a", "b", "c", "d"})[1].silver, "0两");
  EXPECT_TRUE(shortSheet.DetailRows(1).empty());
}

// Item names are split only at a '|' of their own: "東" (96 7C) carries the '|' byte as its
// second byte. Names of double-byte characters that fill the text to the record's end keep whole
// characters only.
TEST(SettlementSheet, ItemNamesKeepTheirDoubleByteCharacters) {
  Fixture f = RecordedHand();
  f.record.Text(1824, 296, "東风|自摸");
  std::vector<SettlementDetailRow> rows = f.Sheet().DetailRows(1);
  ASSERT_GE(rows.size(), 2u);
  EXPECT_EQ(rows[0].name, "東风");
  EXPECT_EQ(rows[1].name, "自摸");

  std::string full;
  for (int i = 0; i < 148; ++i) full += "宝";
  ASSERT_EQ(full.size(), 296u);
  f.record.Bytes(1824, full.data(), full.size());
  rows = f.Sheet().DetailRows(1);
  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(rows[0].name, full.substr(0, 294));
}

}  // namespace

#include <gtest/gtest.h>

#include <cstring>
#include <string>

// Every narrow literal of the program is GBK: the build must keep it that way.
TEST(ExecCharset, NarrowLiteralsAreGbk) {
  const char* text = "正在连接游戏服务器......";
  const unsigned char expected[] = {0xd5, 0xfd, 0xd4, 0xda, 0xc1, 0xac, 0xbd, 0xd3, 0xd3, 0xce, 0xcf, 0xb7,
                                    0xb7, 0xfe, 0xce, 0xf1, 0xc6, 0xf7, 0x2e, 0x2e, 0x2e, 0x2e, 0x2e, 0x2e};
  ASSERT_EQ(strlen(text), sizeof expected);
  EXPECT_EQ(0, memcmp(text, expected, sizeof expected));
}

#include "platform/base/Gbk.h"

// The literals that the program shows and sends must be exactly what a GBK encoder makes of
// them, punctuation included (full-width forms, dashes, the middle dot, ellipses).
TEST(ExecCharset, LiteralsMatchTheGbkEncoder) {
  struct Case {
    const char* literal;
    const char8_t* utf8;
  } cases[] = {
      {"正在连接游戏服务器......", u8"正在连接游戏服务器......"},
      {"请求处理超时。", u8"请求处理超时。"},
      {"操作失败！", u8"操作失败！"},
      {"——·…“”‘’、，：；？", u8"——·…“”‘’、，：；？"},
      {"两 宋体 银子 ＜＞（）【】", u8"两 宋体 银子 ＜＞（）【】"},
      {"ｋｖ系统通知", u8"ｋｖ系统通知"},
  };
  for (const auto& c : cases) {
    std::string utf8(reinterpret_cast<const char*>(c.utf8));
    EXPECT_EQ(Utf8ToGbk(utf8), std::string(c.literal)) << utf8;
  }
}

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "platform/base/WinError.h"
#include "platform/kernel/Kernel.h"
#include "tests/support/TempDir.h"

namespace {

TEST(Version, AnswersNt61Workstation) {
  OSVERSIONINFOEXA ex;
  std::memset(&ex, 0, sizeof ex);
  ex.dwOSVersionInfoSize = sizeof ex;
  ASSERT_TRUE(GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&ex)));
  EXPECT_EQ(6u, ex.dwMajorVersion);
  EXPECT_EQ(1u, ex.dwMinorVersion);
  EXPECT_EQ(7601u, ex.dwBuildNumber);
  EXPECT_EQ((DWORD)VER_PLATFORM_WIN32_NT, ex.dwPlatformId);
  EXPECT_EQ(VER_NT_WORKSTATION, ex.wProductType);
  EXPECT_EQ(1, ex.wServicePackMajor);

  OSVERSIONINFOA basic;
  std::memset(&basic, 0, sizeof basic);
  basic.dwOSVersionInfoSize = sizeof basic;
  ASSERT_TRUE(GetVersionExA(&basic));
  EXPECT_EQ(6u, basic.dwMajorVersion);

  basic.dwOSVersionInfoSize = 12;  // neither structure
  EXPECT_FALSE(GetVersionExA(&basic));
  EXPECT_EQ((DWORD)ERROR_INSUFFICIENT_BUFFER, GetLastError());

  DWORD v = GetVersion();
  EXPECT_EQ(6, LOBYTE(LOWORD(v)));
  EXPECT_EQ(1, HIBYTE(LOWORD(v)));
  EXPECT_EQ(7601, HIWORD(v));
  EXPECT_EQ(0u, v & 0x80000000u);  // NT family
}

TEST(Uuid, SixteenFreshBytes) {
  std::set<std::string> seen;
  for (int i = 0; i < 50; ++i) {
    UUID u;
    ASSERT_EQ(RPC_S_OK, UuidCreate(&u));
    seen.insert(std::string(reinterpret_cast<const char*>(&u), sizeof u));
  }
  EXPECT_EQ(50u, seen.size());
}

class FakeSysfs : public ::testing::Test {
 protected:
  void Add(const std::string& name, const std::string& type, const std::string& address, const std::string& index) {
    m_root.Write(name + "/type", type + "\n");
    m_root.Write(name + "/address", address + "\n");
    m_root.Write(name + "/ifindex", index + "\n");
  }
  void SetUp() override { platform::SetNetSysfsRoot(m_root.Path()); }
  void TearDown() override { platform::SetNetSysfsRoot(""); }
  testsupport::TempDir m_root;
};

TEST_F(FakeSysfs, EthernetAdaptersSortedByName) {
  Add("wlan0", "1", "00:11:22:33:44:55", "3");
  Add("lo", "772", "00:00:00:00:00:00", "1");
  Add("eth1", "1", "aa:BB:cc:dd:ee:ff", "4");
  Add("eth0", "1", "02:00:00:00:00:01", "2");
  Add("dummy0", "1", "00:00:00:00:00:00", "5");  // all zero: left out
  Add("bad0", "1", "zz:00", "6");                // malformed: left out
  Add("ppp0", "512", "", "7");                   // not Ethernet

  ULONG size = 0;
  ASSERT_EQ((DWORD)ERROR_BUFFER_OVERFLOW, GetAdaptersInfo(nullptr, &size));
  ASSERT_EQ(3 * sizeof(IP_ADAPTER_INFO), size);
  ULONG tooSmall = size - 1;
  std::vector<BYTE> buffer(size);
  auto* info = reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data());
  EXPECT_EQ((DWORD)ERROR_BUFFER_OVERFLOW, GetAdaptersInfo(info, &tooSmall));
  EXPECT_EQ(size, tooSmall);
  ASSERT_EQ((DWORD)ERROR_SUCCESS, GetAdaptersInfo(info, &size));

  struct Expect {
    const char* name;
    BYTE address[6];
    DWORD index;
  } expected[] = {
      {"eth0", {0x02, 0, 0, 0, 0, 0x01}, 2},
      {"eth1", {0xaa, 0xbb, 0xcc, 0xdd, 0xee, 0xff}, 4},
      {"wlan0", {0x00, 0x11, 0x22, 0x33, 0x44, 0x55}, 3},
  };
  IP_ADAPTER_INFO* a = info;
  for (const auto& e : expected) {
    ASSERT_NE(nullptr, a);
    SCOPED_TRACE(e.name);
    EXPECT_STREQ(e.name, a->AdapterName);
    EXPECT_EQ((UINT)MIB_IF_TYPE_ETHERNET, a->Type);
    ASSERT_EQ(6u, a->AddressLength);
    EXPECT_EQ(0, std::memcmp(e.address, a->Address, 6));
    EXPECT_EQ(e.index, a->Index);
    a = a->Next;
  }
  EXPECT_EQ(nullptr, a);
  EXPECT_EQ((DWORD)ERROR_INVALID_PARAMETER, GetAdaptersInfo(info, nullptr));
}

TEST_F(FakeSysfs, NoAdapters) {
  Add("lo", "772", "00:00:00:00:00:00", "1");
  ULONG size = 0;
  EXPECT_EQ((DWORD)ERROR_NO_DATA, GetAdaptersInfo(nullptr, &size));
  platform::SetNetSysfsRoot(m_root.Path() + "/missing");
  EXPECT_EQ((DWORD)ERROR_NO_DATA, GetAdaptersInfo(nullptr, &size));
}

}  // namespace

// The DLL as Windows sees it: the version resource that Explorer's
// Properties page shows, and the exports as hosts that load it by hand find
// them (VBA's Declare, ctypes, GetProcAddress): by their plain names, with
// the header's calling convention.
#include "tarnwick_wol.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <type_traits>
#include <vector>

namespace {

class dll_version_resource : public testing::Test {
protected:
  void SetUp() override {
    (void)wol_version(); // the DLL is loaded by now
    HMODULE dll = GetModuleHandleA("tarnwick-wol.dll");
    ASSERT_NE(dll, nullptr);
    char path[MAX_PATH];
    ASSERT_GT(GetModuleFileNameA(dll, path, MAX_PATH), 0u);
    const DWORD size = GetFileVersionInfoSizeA(path, nullptr);
    ASSERT_GT(size, 0u) << "the DLL has no version resource";
    info_.resize(size);
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, size, info_.data()));
  }

  std::string text(const char *name) {
    const std::string key = std::string("\\StringFileInfo\\040904B0\\") + name;
    char *value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(info_.data(), key.c_str(), reinterpret_cast<void **>(&value), &length) ||
        length == 0) {
      return "(missing)";
    }
    return std::string(value, length - 1);
  }

  std::vector<char> info_;
};

TEST_F(dll_version_resource, names_the_product_and_its_version) {
  EXPECT_EQ(text("FileVersion"), "1.0.0");
  EXPECT_EQ(text("ProductVersion"), "1.0.0");
  EXPECT_EQ(text("ProductName"), "tarnwick-wol");
  EXPECT_EQ(text("OriginalFilename"), "tarnwick-wol.dll");
  EXPECT_NE(text("FileDescription"), "(missing)");
}

TEST_F(dll_version_resource, carries_the_numeric_version_1_0_0_0) {
  VS_FIXEDFILEINFO *fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(info_.data(), "\\", reinterpret_cast<void **>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));
}

// Each export by its plain name, called through a pointer of the header's
// type (with __stdcall on x86, as VBA calls it).
TEST(dll_exports, are_found_by_plain_name_and_called_as_the_header_declares) {
  (void)wol_version(); // the DLL is loaded by now
  HMODULE dll = GetModuleHandleA("tarnwick-wol.dll");
  ASSERT_NE(dll, nullptr);
  const auto find = [dll](auto *&pointer, const char *name) {
    pointer = reinterpret_cast<std::remove_reference_t<decltype(pointer)>>(
        reinterpret_cast<void *>(GetProcAddress(dll, name)));
    return pointer != nullptr;
  };
  decltype(&wol_version) version = nullptr;
  decltype(&wol_last_error) last_error = nullptr;
  decltype(&wol_packet) packet = nullptr;
  decltype(&wol_send) send = nullptr;
  ASSERT_TRUE(find(version, "wol_version"));
  ASSERT_TRUE(find(last_error, "wol_last_error"));
  ASSERT_TRUE(find(packet, "wol_packet"));
  ASSERT_TRUE(find(send, "wol_send"));
  EXPECT_EQ(GetProcAddress(dll, "_wol_send@12"), nullptr);
  EXPECT_EQ(GetProcAddress(dll, "wol_send@12"), nullptr);

  EXPECT_STREQ(version(), "1.0.0");
  unsigned char bytes[TARNWICK_WOL_PACKET_SIZE] = {};
  ASSERT_EQ(packet("0A:1B:2C:3D:4E:5F", bytes, TARNWICK_WOL_PACKET_SIZE), TARNWICK_WOL_PACKET_SIZE);
  EXPECT_EQ(send("0A:1B:2C:3D:4E:5F", "127.0.0.1", 65536), -1); // refused: nothing is sent
  EXPECT_EQ(bytes[6], 0x0A);
  EXPECT_EQ(bytes[101], 0x5F);
  EXPECT_STREQ(last_error(), "port out of range");
}

} // namespace

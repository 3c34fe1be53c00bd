// The DLL as Windows sees it: the version resource that Explorer's
// Properties page shows.
#include "tarnwick_wol.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
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

} // namespace

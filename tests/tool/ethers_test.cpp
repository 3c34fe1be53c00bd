// The ethers file as the tools read it: a text file like any other of
// theirs (byte order marks, UTF-16, a line's limit), names matched without
// regard to case, lines keyed by a host's address, and the reading that
// stops at what is no text. Files of the test's own; only localhost is
// resolved, from the hosts file, so that no name server is asked.
#include "ethers.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

using namespace std::string_literals;

class EthersFile : public testing::Test {
protected:
  std::string file(const std::string &bytes) {
    std::ofstream(path_, std::ios::binary) << bytes;
    return path_.string();
  }
  // The MAC of `name`, or the error after "not a MAC address, and ".
  std::string look_up(const std::string &bytes, const std::string &name) {
    wol::EthersNames names(file(bytes));
    std::string error;
    const std::optional<wol::MacBytes> mac = names.find(name, error);
    return mac ? wol::colon_mac(*mac) : error.substr(error.find(", and ") + 6);
  }
  void TearDown() override { std::filesystem::remove(path_); }
  std::filesystem::path path_ =
      std::filesystem::temp_directory_path() /
      ("ethers-" + std::to_string(reinterpret_cast<std::uintptr_t>(this)) + ".txt");
};

std::string utf16le(const std::string &text) {
  std::string out = "\xFF\xFE";
  for (const char c : text) {
    out += std::string{c, '\0'};
  }
  return out;
}

TEST_F(EthersFile, FindsNamesInEveryEncoding) {
  const std::string lines = "00:11:22:33:44:55 office-pc\r\n8:0:20:1:14:5c nas # the NAS\r\n";
  for (const std::string &bytes : {lines, "\xEF\xBB\xBF"s + lines, utf16le(lines)}) {
    EXPECT_EQ(look_up(bytes, "Office-PC"), "00:11:22:33:44:55");
    EXPECT_EQ(look_up(bytes, "nas"), "08:00:20:01:14:5c");
    EXPECT_EQ(look_up(bytes, "printer"), "not in " + path_.string());
  }
}

// As wakeonlan finds them: the name's addresses, then the line keyed by one.
TEST_F(EthersFile, FindsAHostByTheLineOfItsAddress) {
  const std::string bytes = "0a:0b:0c:0d:0e:0f 192.0.2.1\n00:11:22:33:44:55 127.0.0.1\n";
  EXPECT_EQ(look_up(bytes, "localhost"), "00:11:22:33:44:55");
  EXPECT_EQ(look_up(bytes, "127.0.0.1"), "00:11:22:33:44:55");
  EXPECT_EQ(look_up("00:11:22:33:44:56 localhost\n" + bytes, "localhost"), "00:11:22:33:44:56");
}

TEST_F(EthersFile, StopsAtWhatIsNoText) {
  const std::string good = "00:11:22:33:44:55 pc\n";
  EXPECT_EQ(look_up(good + "x\0y\n"s, "pc"),
            path_.string() + " cannot be read: line 2: NUL byte in line");
  EXPECT_EQ(look_up(good + std::string(1024, 'x') + "\n", "pc"),
            path_.string() + " cannot be read: line 2: line longer than 1023 bytes");
  EXPECT_EQ(look_up("\0\0\0\0"s, "pc"),
            path_.string() + " cannot be read: line 1: NUL byte in line");
  EXPECT_EQ(look_up(utf16le(good).substr(2), "pc"),
            path_.string() + " cannot be read: UTF-16 without a byte order mark; save it as "
                             "UTF-8, or as UTF-16 with one");
}

// A line that is no MAC is passed over by look-ups, and named as a problem
// by its number and field, never by what it held.
TEST_F(EthersFile, ListsProblemsWithoutTheirText) {
  const wol::EthersRead read = wol::read_ethers(file("root:x:0:0 secret\n00:11:22:33:44:55 pc\n"));
  ASSERT_TRUE(read.ethers) << read.error;
  ASSERT_EQ(read.ethers->problems().size(), 1U);
  EXPECT_EQ(read.ethers->problems()[0].line, 1U);
  EXPECT_EQ(read.ethers->problems()[0].message, "the first field is not a MAC address");
  EXPECT_EQ(read.ethers->entries().size(), 1U);
  std::filesystem::remove(path_);
  const wol::EthersRead missing = wol::read_ethers(path_.string());
  EXPECT_TRUE(missing.missing);
  EXPECT_FALSE(missing.ethers);
}

} // namespace

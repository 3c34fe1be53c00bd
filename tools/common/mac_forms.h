// The MAC forms the tools take. The library reads AA:BB:CC:DD:EE:FF and
// AABBCCDDEEFF; the tools also take what Windows prints (getmac, ipconfig:
// AA-BB-CC-DD-EE-FF), what switches print (Cisco's aabb.ccdd.eeff, and
// dead-beef-cafe as others write it) and what /etc/ethers and some Unix
// tools write (8:0:20:1:14:5c, one-digit groups), and hand the library the
// colon form. A target that is none of them may be a host name of the
// ethers file.
#ifndef WOL_COMMON_MAC_FORMS_H
#define WOL_COMMON_MAC_FORMS_H

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace wol {

using MacBytes = std::array<unsigned char, 6>;

// Whether `text` is a MAC in one of the six forms.
bool is_mac_form(std::string_view text);

// The six bytes of a MAC in one of the six forms.
std::optional<MacBytes> mac_bytes(std::string_view text);

// "aa:bb:cc:dd:ee:ff": what the library is handed, and how every MAC is
// shown.
std::string colon_mac(const MacBytes &mac);

// Whether `text`, which is no MAC form, is to be looked up as a host name:
// letters, digits, '-', '_' and '.', not starting with '-' or '.', and not
// a mistyped MAC (twelve or more hex digits with at most '-' and '.'
// between them). Other text is the library's to judge.
bool may_be_host_name(std::string_view text);

} // namespace wol

#endif

// The MAC forms the tools take. The library reads AA:BB:CC:DD:EE:FF and
// AABBCCDDEEFF; the tools also take what Windows prints (getmac, ipconfig:
// AA-BB-CC-DD-EE-FF), what switches print (aabb.ccdd.eeff) and what
// /etc/ethers and some Unix tools write (8:0:20:1:14:5c, one-digit groups),
// and hands those to the library in the colon form. A target that is none
// of them may be a host name of the ethers file.
#ifndef WOL_COMMON_MAC_FORMS_H
#define WOL_COMMON_MAC_FORMS_H

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace wol {

using MacBytes = std::array<unsigned char, 6>;

// Whether `text` is a MAC in one of the five forms.
bool is_mac_form(std::string_view text);

// The six bytes of a MAC in one of the five forms.
std::optional<MacBytes> mac_bytes(std::string_view text);

// The text to hand the library: the hyphen, dot and one-digit forms turned
// into the colon form; any other text unchanged, so that the library judges
// it and its message is the one reported.
std::string library_mac(std::string_view text);

// "aa:bb:cc:dd:ee:ff".
std::string colon_mac(const MacBytes &mac);

// Whether `text`, which is no MAC form, is to be looked up as a host name:
// letters, digits, '-', '_' and '.', not starting with '-' or '.', and not
// a mistyped MAC (twelve or more hex digits with at most '-' and '.'
// between them). Other text is the library's to judge.
bool may_be_host_name(std::string_view text);

} // namespace wol

#endif

// The MAC forms wol-wake takes. The library reads AA:BB:CC:DD:EE:FF and
// AABBCCDDEEFF; the tool also takes what Windows prints (getmac, ipconfig:
// AA-BB-CC-DD-EE-FF) and what switches print (aabb.ccdd.eeff), and hands
// those to the library in the colon form.
#ifndef WOL_WAKE_MAC_FORMS_H
#define WOL_WAKE_MAC_FORMS_H

#include <string>
#include <string_view>

namespace wol_wake {

// Whether `text` is a MAC in one of the four forms.
bool is_mac_form(std::string_view text);

// The text to hand the library: the hyphen and dot forms turned into the
// colon form; any other text unchanged, so that the library judges it and
// its message is the one reported.
std::string library_mac(std::string_view text);

} // namespace wol_wake

#endif

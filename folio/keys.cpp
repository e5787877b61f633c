// Key names of style shortcuts, in RISC OS key numbering: 0x180-0x18F the
// function row and cursor keys, +0x10 Shift, +0x20 Ctrl, +0x30 both;
// 0x1CA-0x1CD F10-F12 and Insert with the same steps; 1-31 Ctrl+letter.
#include "folio/styles.h"

#include "ddl/ddl_output.h"

namespace folio {

std::string keyName(std::uint32_t keyCode) {
    static const char *const kModifiers[] = {"", "S_", "C_", "CS_"};
    static const char *const kRowEnd[] = {"Tab", "Copy", "CLeft", "CRight", "CDown", "CUp"};
    if (keyCode >= 1 && keyCode <= 31) return ddl::formatText("C_%c", static_cast<char>(keyCode + 64));
    if (keyCode >= 0x180 && keyCode <= 0x1bf) {
        std::string modifier = kModifiers[(keyCode - 0x180) >> 4];
        std::uint32_t key = keyCode & 0xfu;
        if (key == 0) return modifier + "Print";
        if (key <= 9) return modifier + ddl::formatText("F%u", key);
        return modifier + kRowEnd[key - 10];
    }
    if (keyCode >= 0x1ca && keyCode <= 0x1fd) {
        std::uint32_t key = keyCode & 0xfu;
        if (key < 0xa || key > 0xd) return "";
        std::string modifier = kModifiers[(keyCode - 0x1c0) >> 4];
        if (key == 0xd) return modifier + "Insert";
        return modifier + ddl::formatText("F1%u", key - 0xa);
    }
    return "";
}

} // namespace folio

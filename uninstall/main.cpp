// uninstallkv: the wizard, or with "-u" the deletion pass of its temporary copy.
#include "uninstall/removal.h"
#include "uninstall/wizard.h"

#include <cstdlib>
#include <span>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    // "-u" alone still runs the pass (with nothing to remove): it never opens the wizard.
    if (__argc >= 2 && lstrcmpiA(__argv[1], "-u") == 0) {
        removal_deletion_pass(std::span<const char *const>(__argv + 2, static_cast<std::size_t>(__argc - 2)));
        return 0;
    }
    return wizard_main(instance, show);
}

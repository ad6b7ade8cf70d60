// The host's way to put Protect Setting within reach: the program's menu
// templates carry no Protect button, but its resources hold menu templates
// that do. With the host option --protect, or the file "protect-menu" in
// the host folder, the dialog manager opens those in their place (the
// template choice this installs).
#pragma once

#include <cstdint>

// Turns the Protect menu on when optionGiven (--protect) or when the host
// folder holds a file named "protect-menu"; otherwise off.
void chooseProtectMenu(bool optionGiven);

// The template the host opens for the program's template id: with the
// Protect menu on, the menus with the Protect button (134 for 126, 135 for
// 113) and the English Format Execute with a progress bar (124 for 133);
// otherwise id itself.
std::uint16_t hostTemplateId(std::uint16_t id);

// Prints where a control of a dialog template stands in its window, in
// pixels of the measured dialog font, as "X Y" of its middle: how
// scripts/desktop-screenshots.sh clicks the controls of the real program.
//   desktop_control_position TEMPLATE_ID CONTROL_ID
#include "tests/desktop/control_centre.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fputs("Usage: desktop_control_position TEMPLATE_ID CONTROL_ID\n", stderr);
        return 2;
    }
    int x = 0, y = 0;
    if (!controlCentre(std::atoi(argv[1]), std::atoi(argv[2]), &x, &y)) {
        std::fprintf(stderr, "desktop_control_position: no control %s in template %s\n", argv[2], argv[1]);
        return 1;
    }
    std::printf("%d %d\n", x, y);
    return 0;
}

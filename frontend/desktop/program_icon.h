// The program's icon (icon group 106, the committed quibtools.ico) as the
// images a window shows in its frame and task bar.
#pragma once

class Fl_RGB_Image;

// The icon's image of the given size (32 or 16) with its transparency;
// null when the icon holds no such image. The image lives for the run.
const Fl_RGB_Image* programIcon(int size);

// Exits 0 when an X display can be opened (from DISPLAY or the one named by
// the first argument), 1 otherwise. Lets the run command choose the headless way.
#include <X11/Xlib.h>

int main(int argc, char** argv)
{
    Display* display = XOpenDisplay(argc > 1 ? argv[1] : nullptr);
    if (display == nullptr) {
        return 1;
    }
    XCloseDisplay(display);
    return 0;
}

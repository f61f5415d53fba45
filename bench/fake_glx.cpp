// A stand-in for libGL's glXSwapBuffers, so the frame counter's tests can
// preload it into a program that needs no X server: it only counts calls.
#include <GL/glx.h>

extern "C" {

int fakeSwapCalls = 0;

void glXSwapBuffers(Display* /*display*/, GLXDrawable /*drawable*/) { ++fakeSwapCalls; }
}

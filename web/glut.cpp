// Stands in for freeglut in the browser: the GLUT entry points the program
// calls, over the page (web/page.js). One window, the page's canvas, which
// fills the browser's window; full screen on the first key, click or tap; one
// frame per requestAnimationFrame; keys from the keyboard, the touch controls
// and game controllers, with a point in drawing-buffer pixels.
#include <GL/glut.h>

#include "gl_state.h"
#include "js_calls.h"

namespace {

// The keys the page passes on by their browser names; any other single
// character comes as itself, and every other key stays the browser's.
struct NamedKey {
    const char* name;
    int code;
    bool special;
};
constexpr NamedKey namedKeys[] = {
    {"ArrowLeft", GLUT_KEY_LEFT, true},
    {"ArrowUp", GLUT_KEY_UP, true},
    {"ArrowRight", GLUT_KEY_RIGHT, true},
    {"ArrowDown", GLUT_KEY_DOWN, true},
    {"PageUp", GLUT_KEY_PAGE_UP, true},
    {"PageDown", GLUT_KEY_PAGE_DOWN, true},
    {"Home", GLUT_KEY_HOME, true},
    {"End", GLUT_KEY_END, true},
    {"Insert", GLUT_KEY_INSERT, true},
    {"Escape", 27, false},
    {"Enter", '\r', false},
    {"Tab", '\t', false},
    {"Backspace", '\b', false},
    {"Delete", 127, false},
};

struct Window {
    unsigned displayMode = GLUT_RGB;
    void (*display)() = nullptr;
    void (*reshape)(int, int) = nullptr;
    void (*keyboard)(unsigned char, int, int) = nullptr;
    void (*special)(int, int, int) = nullptr;
    void (*idle)() = nullptr;
    bool hasContext = false;
    int width = -1;
    int height = -1;
    bool redisplay = true;
};
Window window;

} // namespace

// The browser's command line is the URL: there are no arguments to take.
void FGAPIENTRY glutInit(int* /*argc*/, char** /*argv*/) {}
void FGAPIENTRY glutInitDisplayMode(unsigned int mode) { window.displayMode = mode; }
// The canvas fills the browser's window whatever size the program asks for.
void FGAPIENTRY glutInitWindowSize(int /*width*/, int /*height*/) {}

int FGAPIENTRY glutCreateWindow(const char* title)
{
    pageOpen(title);
    for (const NamedKey& key : namedKeys) {
        pageNameKey(key.name, key.code, key.special);
    }
    // Double buffering is WebGL's own; GLUT_RGB asks for no alpha channel.
    window.hasContext =
        webglCreate((window.displayMode & GLUT_DEPTH) != 0, (window.displayMode & GLUT_ALPHA) != 0,
                    weblayer::GlState::batchCapacity);
    return 1;
}

// The browser grants full screen only in answer to a gesture: the page asks
// for it on the first key, click or tap by itself.
void FGAPIENTRY glutFullScreen() {}

void FGAPIENTRY glutDisplayFunc(void (*callback)()) { window.display = callback; }
void FGAPIENTRY glutReshapeFunc(void (*callback)(int, int)) { window.reshape = callback; }
void FGAPIENTRY glutKeyboardFunc(void (*callback)(unsigned char, int, int))
{
    window.keyboard = callback;
}
void FGAPIENTRY glutSpecialFunc(void (*callback)(int, int, int)) { window.special = callback; }
void FGAPIENTRY glutIdleFunc(void (*callback)()) { window.idle = callback; }

// The browser shows the drawing buffer once the frame's callback returns.
void FGAPIENTRY glutSwapBuffers() {}

// Frames and keys come from the browser's event loop from now on. Unlike
// freeglut's loop this returns, and main with it, which ends nothing here:
// the page goes on calling the program.
void FGAPIENTRY glutMainLoop()
{
    // Without WebGL the page says so and the program gets no frames or keys.
    if (window.hasContext) {
        pageRun();
    }
}

// One requestAnimationFrame callback: a reshape if the drawing buffer's size
// changed, then exactly one frame: the display callback after a reshape (and
// first of all), the idle callback otherwise.
void quendrelFrame(int width, int height)
{
    if (width != window.width || height != window.height) {
        window.width = width;
        window.height = height;
        if (window.reshape != nullptr) {
            window.reshape(width, height);
        }
        window.redisplay = true;
    }
    if (window.redisplay || window.idle == nullptr) {
        window.redisplay = false;
        if (window.display != nullptr) {
            window.display();
        }
    } else {
        window.idle();
    }
}

// A key from the page, whether typed, touched or from a controller: a special
// key's GLUT code, or a character's.
void quendrelKey(int code, bool special, int x, int y)
{
    if (special && window.special != nullptr) {
        window.special(code, x, y);
    } else if (!special && window.keyboard != nullptr) {
        window.keyboard(static_cast<unsigned char>(code), x, y);
    }
}

// A recording double of the GL, GLU and GLUT entry points that Quendrel calls.
// Linked in place of the real libraries: every call appends its name and
// arguments to a fixed log, with no allocation. Toolkit registrations are kept
// so tests can see which routine went where.
#pragma once

namespace gldouble {

struct Call {
    const char* name;
    double args[4];
};

// Calls past this many since the last reset are counted but not kept.
constexpr int logCapacity = 4096;

void reset();
// With recording off every entry point returns at once: a no-op GL for
// benchmarks and long runs. On by default; reset() leaves it as it is.
void setRecording(bool on);
int callCount();
bool overflowed();
const Call& call(int index);

// Index of the first call with this name at or after `from`, or -1.
int find(const char* name, int from = 0);

// What the toolkit double was handed.
struct Toolkit {
    int* initArgc;
    char** initArgv;
    const char* windowTitle;
    void (*display)();
    void (*reshape)(int, int);
    void (*keyboard)(unsigned char, int, int);
    void (*special)(int, int, int);
    void (*idle)();
};
extern Toolkit toolkit;

} // namespace gldouble

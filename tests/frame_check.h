// The shape every frame's GL calls must have, checked alike over the recording
// double's log (unit and fuzz tests) and over a trace of the real program.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// A view of one call; the name must outlive it.
struct GlCall {
    std::string_view name;
    int mode = 0; // a glBegin's primitive
};

// "" when one frame's calls, up to and including its swap, have the one shape a
// frame may have; else both shapes, a letter a call: C glClear, ( and )
// glPushMatrix and glPopMatrix, Q and T glBegin of quads and triangles (? of
// another primitive), c glColor3f, v glVertex3f, E glEnd, S the swap, x any
// other call inside glBegin/glEnd or after the swap. A frame clears; when a
// shot flies it saves the matrix and draws the pyramid (four sides of three
// coloured corners); it draws the cube (six faces, a colour and four corners
// each), restores the matrix if it saved it, and ends with its one swap. Other
// calls, such as transforms, may come anywhere else.
std::string frameFault(const std::vector<GlCall>& calls, bool shotFlies);

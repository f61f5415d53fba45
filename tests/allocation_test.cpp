// The frame routine and the key handlers allocate nothing: this executable
// replaces malloc and its kin (operator new ends in malloc) with counting
// versions and drives many frames, reshapes and key presses over the double.
#include <gtest/gtest.h>

#include <GL/glut.h>

#include <cstddef>
#include <cstdlib>
#include <vector>

#include "app/render_setup.h"
#include "input/keys.h"
#include "scene/frame.h"
#include "test_support.h"

// glibc's own allocator, under the names it exports for replacements to call.
extern "C" {
// NOLINTNEXTLINE(bugprone-reserved-identifier,readability-identifier-naming): glibc's name
void* __libc_malloc(std::size_t size);
// NOLINTNEXTLINE(bugprone-reserved-identifier,readability-identifier-naming): glibc's name
void* __libc_calloc(std::size_t nmemb, std::size_t size);
// NOLINTNEXTLINE(bugprone-reserved-identifier,readability-identifier-naming): glibc's name
void* __libc_realloc(void* ptr, std::size_t size);
// NOLINTNEXTLINE(bugprone-reserved-identifier,readability-identifier-naming): glibc's name
void* __libc_memalign(std::size_t alignment, std::size_t size);
}

namespace {

bool counting = false;
long allocations = 0;

void countAllocation()
{
    if (counting) {
        ++allocations;
    }
}

} // namespace

extern "C" {

void* malloc(std::size_t size)
{
    countAllocation();
    return __libc_malloc(size);
}

void* calloc(std::size_t nmemb, std::size_t size)
{
    countAllocation();
    return __libc_calloc(nmemb, size);
}

void* realloc(void* ptr, std::size_t size)
{
    countAllocation();
    return __libc_realloc(ptr, size);
}

void* aligned_alloc(std::size_t alignment, std::size_t size)
{
    countAllocation();
    return __libc_memalign(alignment, size);
}

int posix_memalign(void** memptr, std::size_t alignment, std::size_t size)
{
    countAllocation();
    *memptr = __libc_memalign(alignment, size);
    return *memptr != nullptr ? 0 : 12; // ENOMEM
}

} // extern "C"

namespace {

long allocationsDuring(void (*work)())
{
    allocations = 0;
    counting = true;
    work();
    counting = false;
    return allocations;
}

// Enough frames for several whole flights, drifts to both limits and back,
// reshapes to every size class, and every key code a handler can be handed.
void driveTheProgram()
{
    handleReshape(1280, 720);
    handleReshape(500, 0);
    for (int frame = 0; frame < 2000; ++frame) {
        if (frame % 40 == 0) {
            handleKey(' ', frame, 2 * frame);
        }
        if (frame % 250 == 0) {
            handleSpecialKey(GLUT_KEY_LEFT + (frame / 250) % 4, 0, 0);
        }
        renderFrame();
    }
    for (int key = 0; key < 256; ++key) {
        if (key != 27) {
            handleKey(static_cast<unsigned char>(key), 10, 20);
        }
    }
    for (int key = -5; key < 300; ++key) {
        handleSpecialKey(key, 10, 20);
    }
}

TEST(Allocations, FramesReshapesAndKeysAllocateNothing)
{
    startScene();
    const long counted = allocationsDuring(driveTheProgram);
    EXPECT_EQ(counted, 0);
    // The frames above flew shots and drifted the cube, not only turned it.
    EXPECT_GT(scene.shotAngle, 0.0f);
    EXPECT_NE(scene.cubeX, 1.5f);
}

TEST(Allocations, TheCounterSeesMallocAndNew)
{
    const long counted = allocationsDuring([] {
        std::vector<int> values(1000, 7);
        // Keep the vector observable, so its allocation is not optimised away.
        asm volatile("" : : "g"(values.data()) : "memory");
        // malloc and free themselves are under test here.
        // NOLINTNEXTLINE(cppcoreguidelines-no-malloc,cppcoreguidelines-owning-memory)
        void* block = std::malloc(64);
        asm volatile("" : : "g"(block) : "memory");
        // NOLINTNEXTLINE(cppcoreguidelines-no-malloc,cppcoreguidelines-owning-memory)
        std::free(block);
    });
    EXPECT_EQ(counted, 2);
}

} // namespace

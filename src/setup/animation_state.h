// What the About page and its drawing thread share. The setup context
// holds one, and the context is also compiled where there are no Windows
// headers, so the handles are kept untyped here.
#pragma once
#include <cstdint>

enum { animationIconCount = 4 };

struct AnimationState {
    void* instance; // the resource library, where the icons live
    void* window;   // the About page, drawn on
    void* thread;   // the drawing thread; null while none runs
    // Set to 1 by the page to end the thread; the thread reads it after
    // every frame. Accessed atomically.
    int32_t stopRequested;
    int32_t iconIds[animationIconCount]; // 0: no icon, nothing drawn
};

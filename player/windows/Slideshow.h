// Playback of a package's photos: a full-screen window that shows each photo
// on the package's background, placed by its placement mode, for its
// duration, with a plain cut to the next. Esc or a mouse click ends it.
//
// Composition (background, then the placed photo) is separate from the
// window so that a frame can be rendered to a file without one.
#pragma once

#include <windows.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "player/common/SlidePlan.h"
#include "player/windows/PlayerPackage.h"

namespace velmora::player {

// A 32-bit top-down picture, pixels 0xAARRGGBB (memory order B, G, R, A).
struct Frame {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
};

class SlideComposer {
  public:
    SlideComposer(PlayerPackage& pkg, int width, int height);

    const std::vector<Slide>& slides() const { return slides_; }
    // Draws slide i (0-based) into frame (resized to the screen size). A
    // photo that cannot be read or decoded leaves the background alone.
    void Compose(size_t i, Frame& frame);

  private:
    void ComposeBackground();

    PlayerPackage& pkg_;
    int width_, height_;
    std::vector<Slide> slides_;
    int photoMode_ = 3;
    Frame background_;
    std::mt19937 random_;
};

// Writes frame as a 24-bit BMP file. False on failure.
bool WriteBmp(const std::wstring& path, const Frame& frame);

// Runs the full-screen show. loop: start again after the last photo (screen
// saver mode) instead of ending. Returns the process exit code.
int RunSlideshow(HINSTANCE instance, PlayerPackage& pkg, bool loop);

}  // namespace velmora::player

// The text drawing of a photo's headline as the video timeline and the
// editor's preview hand it to the headline effects: text style slot 2 with
// the photo's own headline values, the headline rectangle scaled from the
// editing screen to the frame and widened by a pixel on each side.
#pragma once

#include "project/Project.h"
#include "render/Composer.h"
#include "render/TextRenderer.h"

namespace velmora::render::effects {

TextDrawRequest HeadlineRequest(const Project& project, const PhotoEntry& photo,
                                const FrameScale& scale);

}  // namespace velmora::render::effects

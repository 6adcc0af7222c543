// The Qt Gui image codec backend (QImageReader / QImageWriter). The header
// has no Qt types: the program and the command line call
// InstallQtImageCodec() once at start-up.
#pragma once

namespace velmora::render {

// Installs the Qt backend as the process's image codec (idempotent). It
// reads BMP, GIF (first frame), PNG and TIF pictures, recognised by content,
// and writes PNG.
void InstallQtImageCodec();

}  // namespace velmora::render

// Composing a static 1024 × 768 slide (gradient background, photo fitted)
// from an already decoded photo, on one core. Goal: 800 frames a second or more.
#include <cstdio>
#include <filesystem>

#include "BenchUtil.h"
#include "app/base/FileUtil.h"
#include "render/Composer.h"
#include "render/Jpeg.h"

using namespace velmora;
using namespace velmora::render;

int main() {
    std::vector<uint8_t> jpeg;
    if (!EncodeJpeg(bench::PhotoLike(4000, 3000), 92, jpeg))
        return 2;
    const std::string photo =
        (std::filesystem::temp_directory_path() / "velmora-bench-photo.jpg").string();
    if (!WriteFileAtomically(photo, jpeg))
        return 2;

    ProjectEnvironment env;
    Project project = MakeDefaultProject(env);
    project.BackGroundSet = "2";
    project.BackgroundGradientMode = 2;
    project.ImgDrawScale = 3;
    project.photos.push_back(NewPhotoEntry(photo, project, env));

    Composer composer;
    Surface frame(1024, 768);
    double first = bench::MedianMs(1, [&] { composer.ComposePhotoSlide(project, 1, frame, {}); });
    const int frames = 2000;
    double ms = bench::MedianMs(3, [&] {
        for (int i = 0; i < frames; ++i)
            composer.ComposePhotoSlide(project, 1, frame, {});
    });
    double fps = frames / (ms / 1000.0);
    std::printf("first slide (decode, scale, gradient): %.2f ms\n", first);
    std::printf(
        "compose 1024x768 slide from the decoded photo: %.3f ms/frame, %.0f frames/s (goal >= "
        "800)\n",
        ms / frames, fps);
    std::filesystem::remove(photo);
    return fps >= 800 ? 0 : 1;
}

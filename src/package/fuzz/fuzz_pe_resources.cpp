// libFuzzer target: the PE resource reader and the package reader over
// arbitrary bytes, and the writer over whatever the reader accepts.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "package/PackageReader.h"
#include "package/PeResources.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::span<const uint8_t> bytes(data, size);
    {
        velmora::SpanSource src(bytes);
        velmora::PeImage pe;
        if (pe.Parse(src) == velmora::PeError::None) {
            for (const auto& e : pe.resources())
                (void)pe.ReadData(e, src);
            pe.SetResource(velmora::ResourceId::Named("DATA"),
                           velmora::ResourceId::Named("ALLDATASETTINGS"), 0, {1, 2, 3});
            velmora::PeError err;
            auto out = pe.Write(bytes, &err);
            if (out) {
                // What the writer produced must read back with the new entry.
                velmora::SpanSource again(*out);
                velmora::PeImage back;
                if (back.Parse(again) != velmora::PeError::None ||
                    !back.Find(velmora::ResourceId::Named("DATA"),
                               velmora::ResourceId::Named("ALLDATASETTINGS")))
                    __builtin_trap();
            }
        }
    }
    velmora::PackageReader reader;
    if (reader.Open(std::make_unique<velmora::SpanSource>(bytes))) {
        for (const auto& e : reader.entries())
            (void)reader.ReadEntry(e);
    }
    return 0;
}

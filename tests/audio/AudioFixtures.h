// Test helpers of the audio tests: running the outside tools (lame, ffmpeg,
// ffprobe, fluidsynth), synthetic MPEG frame streams and a small Standard
// MIDI File writer.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "audio/MP3Info.h"

namespace velmora::test {

struct RunResult {
    int status = -1;
    std::string output;  // standard output (standard error goes to the log)
};

inline RunResult Run(const std::string& cmd) {
    RunResult r;
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p)
        return r;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        r.output.append(buf, n);
    int st = ::pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

inline std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        if (c == '\'')
            q += "'\\''";
        else
            q += c;
    }
    return q + "'";
}

// ffprobe's value of one entry (format=duration, stream=sample_rate, ...)
// for the first audio stream; empty when ffprobe fails.
inline std::string Probe(const std::string& path, const std::string& entry,
                         const std::string& extra = "") {
    RunResult r = test::Run("ffprobe -v error " + extra + " -select_streams a:0 -show_entries " + entry +
                      " -of default=nw=1:nk=1 " + Quote(path));
    if (r.status != 0)
        return {};
    while (!r.output.empty() && (r.output.back() == '\n' || r.output.back() == '\r'))
        r.output.pop_back();
    return r.output;
}

// The 4 bytes of a frame header: version code (0 2.5, 2 MPEG-2, 3 MPEG-1),
// layer code (1 III, 2 II, 3 I), bit-rate index, sample-rate index, padding,
// channel mode; not protected.
inline std::array<uint8_t, 4> HeaderBytes(int version, int layer, int rateIndex, int srIndex,
                                          int padding = 0, int mode = 0) {
    return {0xFF, static_cast<uint8_t>(0xE0 | version << 3 | layer << 1 | 1),
            static_cast<uint8_t>(rateIndex << 4 | srIndex << 2 | padding << 1),
            static_cast<uint8_t>(mode << 6)};
}

inline int FrameLengthOf(const std::array<uint8_t, 4>& h) {
    return audio::ParseFrameHeader(h).FrameLength();
}

// count frames with the header h and zero payload.
inline std::vector<uint8_t> FrameStream(const std::array<uint8_t, 4>& h, int count) {
    std::vector<uint8_t> out;
    int len = FrameLengthOf(h);
    for (int i = 0; i < count; ++i) {
        out.insert(out.end(), h.begin(), h.end());
        out.resize(out.size() + static_cast<size_t>(len - 4), 0);
    }
    return out;
}

inline void PutBE32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
    v[at] = static_cast<uint8_t>(x >> 24);
    v[at + 1] = static_cast<uint8_t>(x >> 16);
    v[at + 2] = static_cast<uint8_t>(x >> 8);
    v[at + 3] = static_cast<uint8_t>(x);
}

// An ID3v2.3 tag of exactly totalLength bytes (header included), size
// synchsafe; the body is filled with fill.
inline std::vector<uint8_t> Id3v2Tag(uint32_t totalLength, uint8_t fill = 0) {
    std::vector<uint8_t> t(totalLength, fill);
    uint32_t size = totalLength - 10;
    const uint8_t head[10] = {'I',
                              'D',
                              '3',
                              3,
                              0,
                              0,
                              static_cast<uint8_t>((size >> 21) & 0x7F),
                              static_cast<uint8_t>((size >> 14) & 0x7F),
                              static_cast<uint8_t>((size >> 7) & 0x7F),
                              static_cast<uint8_t>(size & 0x7F)};
    std::copy(head, head + 10, t.begin());
    return t;
}

// Standard MIDI File writer.
class SmfWriter {
  public:
    explicit SmfWriter(int format, int division) : format_(format), division_(division) {}
    class Track {
      public:
        Track& Delta(uint32_t ticks) {
            Vlq(ticks);
            return *this;
        }
        Track& Bytes(std::initializer_list<uint8_t> b) {
            data.insert(data.end(), b);
            return *this;
        }
        Track& Event(uint32_t delta, std::initializer_list<uint8_t> b) {
            return Delta(delta).Bytes(b);
        }
        Track& Tempo(uint32_t delta, uint32_t micros) {
            return Event(delta, {0xFF, 0x51, 0x03, static_cast<uint8_t>(micros >> 16),
                                 static_cast<uint8_t>(micros >> 8), static_cast<uint8_t>(micros)});
        }
        Track& End(uint32_t delta) { return Event(delta, {0xFF, 0x2F, 0x00}); }
        void Vlq(uint32_t v) {
            uint8_t tmp[5];
            int n = 0;
            tmp[n++] = v & 0x7F;
            while (v >>= 7)
                tmp[n++] = static_cast<uint8_t>((v & 0x7F) | 0x80);
            while (n)
                data.push_back(tmp[--n]);
        }
        std::vector<uint8_t> data;
    };
    Track& AddTrack() {
        tracks_.emplace_back();
        return tracks_.back();
    }
    std::vector<uint8_t> Bytes() const {
        std::vector<uint8_t> out = {'M', 'T', 'h', 'd', 0,
                                    0,   0,   6,   0,   static_cast<uint8_t>(format_)};
        out.push_back(static_cast<uint8_t>(tracks_.size() >> 8));
        out.push_back(static_cast<uint8_t>(tracks_.size()));
        out.push_back(static_cast<uint8_t>(division_ >> 8));
        out.push_back(static_cast<uint8_t>(division_));
        for (const auto& t : tracks_) {
            out.insert(out.end(), {'M', 'T', 'r', 'k', 0, 0, 0, 0});
            PutBE32(out, out.size() - 4, static_cast<uint32_t>(t.data.size()));
            out.insert(out.end(), t.data.begin(), t.data.end());
        }
        return out;
    }

  private:
    int format_;
    int division_;
    std::deque<Track> tracks_;  // stable references
};

}  // namespace velmora::test

#include "audio/MidiFile.h"

#include <algorithm>
#include <cstring>

#include "base/FileUtil.h"

namespace velmora::audio {

namespace {

constexpr uint64_t kMaxMidiFileBytes = 64ull << 20;
constexpr uint32_t kDefaultTempo = 500000;  // 120 quarter notes per minute

uint32_t Be32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[2]) << 8 | static_cast<uint32_t>(p[3]);
}
uint16_t Be16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] << 8 | p[1]);
}
uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

void SetError(std::string* error, const char* text) {
    if (error)
        *error = text;
}

// The SMF bytes inside a RIFF "RMID" form ("data" chunk), or the bytes as
// they are.
std::span<const uint8_t> UnwrapRmid(std::span<const uint8_t> bytes) {
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
        std::memcmp(bytes.data() + 8, "RMID", 4) != 0)
        return bytes;
    size_t pos = 12;
    while (pos + 8 <= bytes.size()) {
        uint32_t size = Le32(bytes.data() + pos + 4);
        size_t avail = bytes.size() - pos - 8;
        if (std::memcmp(bytes.data() + pos, "data", 4) == 0)
            return bytes.subspan(pos + 8, std::min<size_t>(size, avail));
        if (size > avail)
            break;
        pos += 8 + size + (size & 1u);
    }
    return {};
}

struct TrackResult {
    uint64_t endTick = 0;
    bool truncated = false;
};

struct TrackTempo {
    uint64_t tick;
    uint32_t tempo;
    size_t order;  // file order, so that equal ticks keep their sequence
};

// One track's events. Channel messages keep running status through meta and
// SysEx events (lenient: files in the wild rely on it).
TrackResult ReadTrack(std::span<const uint8_t> t, MidiFileInfo& info,
                      std::vector<TrackTempo>& tempos) {
    TrackResult r;
    size_t p = 0;
    uint64_t tick = 0;
    uint8_t running = 0;
    auto vlq = [&](uint32_t& v) {
        v = 0;
        for (int i = 0; i < 4; ++i) {
            if (p >= t.size())
                return false;
            uint8_t b = t[p++];
            v = v << 7 | (b & 0x7Fu);
            if ((b & 0x80) == 0)
                return true;
        }
        return false;  // more than four bytes: not a valid quantity
    };
    for (;;) {
        if (p >= t.size()) {
            r.truncated = true;  // no End of Track
            break;
        }
        uint32_t delta;
        if (!vlq(delta)) {
            r.truncated = true;
            break;
        }
        if (p >= t.size()) {
            r.truncated = true;
            break;
        }
        uint8_t status = t[p];
        if (status & 0x80) {
            ++p;
        } else if (running != 0) {
            status = running;
        } else {
            r.truncated = true;  // data byte without a status
            break;
        }
        if (status < 0xF0) {
            size_t len = (status & 0xE0) == 0xC0 ? 1 : 2;  // Cx, Dx take one data byte
            if (t.size() - p < len) {
                r.truncated = true;
                break;
            }
            tick += delta;
            running = status;
            ++info.events;
            if ((status & 0xF0) == 0x90 && t[p + 1] != 0)
                ++info.noteOns;
            p += len;
            continue;
        }
        if (status == 0xFF) {
            if (p >= t.size()) {
                r.truncated = true;
                break;
            }
            uint8_t type = t[p++];
            uint32_t len;
            if (!vlq(len) || t.size() - p < len) {
                r.truncated = true;
                break;
            }
            tick += delta;
            ++info.metaEvents;
            if (type == 0x51 && len == 3) {
                uint32_t tempo = static_cast<uint32_t>(t[p]) << 16 |
                                 static_cast<uint32_t>(t[p + 1]) << 8 | t[p + 2];
                if (tempo > 0)
                    tempos.push_back({tick, tempo, tempos.size()});
            }
            p += len;
            if (type == 0x2F)
                break;  // End of Track
            continue;
        }
        if (status == 0xF0 || status == 0xF7) {
            uint32_t len;
            if (!vlq(len) || t.size() - p < len) {
                r.truncated = true;
                break;
            }
            tick += delta;
            ++info.sysexEvents;
            p += len;
            continue;
        }
        // System common and real-time bytes do not belong in a file; skip
        // them with their standard data lengths.
        size_t len = (status == 0xF2) ? 2 : (status == 0xF1 || status == 0xF3) ? 1 : 0;
        if (t.size() - p < len) {
            r.truncated = true;
            break;
        }
        tick += delta;
        p += len;
    }
    r.endTick = tick;
    return r;
}

// Seconds from tick 0 to endTick under a sorted tempo map.
double TicksToSeconds(uint64_t endTick, const std::vector<MidiTempoChange>& map, int tpq) {
    double seconds = 0;
    uint64_t at = 0;
    uint32_t tempo = kDefaultTempo;
    for (const auto& c : map) {
        if (c.tick >= endTick)
            break;
        seconds += static_cast<double>(c.tick - at) * tempo / 1e6 / tpq;
        at = c.tick;
        tempo = c.microsPerQuarter;
    }
    seconds += static_cast<double>(endTick - at) * tempo / 1e6 / tpq;
    return seconds;
}

std::vector<MidiTempoChange> SortedMap(std::vector<TrackTempo>& tempos) {
    std::stable_sort(tempos.begin(), tempos.end(),
                     [](const TrackTempo& a, const TrackTempo& b) { return a.tick < b.tick; });
    std::vector<MidiTempoChange> map;
    map.reserve(tempos.size());
    for (const auto& t : tempos)
        map.push_back({t.tick, t.tempo});
    return map;
}

}  // namespace

bool LooksLikeMidi(std::span<const uint8_t> head) {
    if (head.size() >= 4 && std::memcmp(head.data(), "MThd", 4) == 0)
        return true;
    return head.size() >= 12 && std::memcmp(head.data(), "RIFF", 4) == 0 &&
           std::memcmp(head.data() + 8, "RMID", 4) == 0;
}

bool ReadMidiFile(std::span<const uint8_t> bytes, MidiFileInfo& info, std::string* error) {
    info = MidiFileInfo();
    std::span<const uint8_t> smf = UnwrapRmid(bytes);
    if (smf.size() < 14 || std::memcmp(smf.data(), "MThd", 4) != 0) {
        SetError(error, "not a MIDI file (no MThd header)");
        return false;
    }
    uint32_t headerLen = Be32(smf.data() + 4);
    if (headerLen < 6 || headerLen > smf.size() - 8) {
        SetError(error, "malformed MIDI header");
        return false;
    }
    info.format = Be16(smf.data() + 8);
    info.declaredTracks = Be16(smf.data() + 10);
    uint16_t division = Be16(smf.data() + 12);
    if (info.format > 2) {
        SetError(error, "unknown MIDI file format");
        return false;
    }
    if (division & 0x8000) {
        info.smpte = true;
        int fps = -static_cast<int8_t>(division >> 8);
        info.framesPerSecond = fps;
        info.ticksPerFrame = division & 0xFF;
        if ((fps != 24 && fps != 25 && fps != 29 && fps != 30) || info.ticksPerFrame == 0) {
            SetError(error, "bad SMPTE division");
            return false;
        }
    } else {
        info.ticksPerQuarter = division;
        if (division == 0) {
            SetError(error, "zero ticks per quarter note");
            return false;
        }
    }

    std::vector<TrackTempo> allTempos;  // formats 0 and 1: one tempo map for all tracks
    double sequentialSeconds = 0;       // format 2: tracks play one after another
    size_t pos = 8 + static_cast<size_t>(headerLen);
    while (pos + 8 <= smf.size() && info.tracksRead < info.declaredTracks) {
        uint32_t len = Be32(smf.data() + pos + 4);
        size_t avail = smf.size() - pos - 8;
        bool isTrack = std::memcmp(smf.data() + pos, "MTrk", 4) == 0;
        if (!isTrack) {  // unknown chunks are skipped
            if (len > avail)
                break;
            pos += 8 + static_cast<size_t>(len);
            continue;
        }
        bool cut = len > avail;
        auto body = smf.subspan(pos + 8, cut ? avail : len);
        std::vector<TrackTempo> trackTempos;
        TrackResult r = ReadTrack(body, info, info.format == 2 ? trackTempos : allTempos);
        ++info.tracksRead;
        if (cut || r.truncated)
            info.truncated = true;
        if (info.format == 2) {
            if (info.smpte) {
                sequentialSeconds += static_cast<double>(r.endTick) /
                                     (info.framesPerSecond == 29 ? 29.97 : info.framesPerSecond) /
                                     info.ticksPerFrame;
            } else {
                auto map = SortedMap(trackTempos);
                sequentialSeconds += TicksToSeconds(r.endTick, map, info.ticksPerQuarter);
                info.tempoMap.insert(info.tempoMap.end(), map.begin(), map.end());
            }
            info.endTick += r.endTick;
        } else {
            info.endTick = std::max(info.endTick, r.endTick);
        }
        if (cut)
            break;
        pos += 8 + static_cast<size_t>(len);
    }
    if (info.tracksRead == 0) {
        SetError(error, "no MIDI track");
        return false;
    }
    if (info.tracksRead < info.declaredTracks)
        info.truncated = true;
    if (info.format == 2) {
        info.durationSeconds = sequentialSeconds;
    } else if (info.smpte) {
        info.durationSeconds = static_cast<double>(info.endTick) /
                               (info.framesPerSecond == 29 ? 29.97 : info.framesPerSecond) /
                               info.ticksPerFrame;
    } else {
        info.tempoMap = SortedMap(allTempos);
        info.durationSeconds = TicksToSeconds(info.endTick, info.tempoMap, info.ticksPerQuarter);
    }
    return true;
}

bool ReadMidiFile(const std::string& path, MidiFileInfo& info, std::string* error) {
    info = MidiFileInfo();
    auto bytes = ReadWholeFile(path, kMaxMidiFileBytes);
    if (!bytes) {
        SetError(error, "cannot read the file");
        return false;
    }
    return ReadMidiFile(*bytes, info, error);
}

}  // namespace velmora::audio

// Standard MIDI File reader: the header and every track of a format 0, 1 or
// 2 file (also wrapped in a RIFF "RMID" form), with running status, meta and
// SysEx events, and the tempo map, from which the playing time follows.
//
// Untrusted input: every length is checked against the bytes; a track whose
// chunk claims more bytes than the file holds is read as far as it goes and
// the result is marked truncated. Core code, no Qt.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace velmora::audio {

struct MidiTempoChange {
    uint64_t tick = 0;
    uint32_t microsPerQuarter = 500000;
};

struct MidiFileInfo {
    int format = 0;          // 0, 1 or 2
    int declaredTracks = 0;  // track count of the header
    int tracksRead = 0;      // "MTrk" chunks found
    bool smpte = false;      // division in SMPTE frames instead of ticks per quarter note
    int ticksPerQuarter = 0;
    int framesPerSecond = 0;  // SMPTE: 24, 25, 29 (29.97) or 30
    int ticksPerFrame = 0;
    uint64_t endTick = 0;  // last event (End of Track included) of the longest track
    std::vector<MidiTempoChange> tempoMap;  // sorted by tick
    uint64_t events = 0;                    // channel messages
    uint64_t noteOns = 0;                   // note-on with velocity > 0
    uint64_t metaEvents = 0;
    uint64_t sysexEvents = 0;
    bool truncated = false;  // a track ended before its End of Track or chunk end
    double durationSeconds = 0;
};

// Parses the bytes of a MIDI file. False (with a reason in *error when given)
// when there is no MIDI header, the header is malformed or no track can be
// read.
bool ReadMidiFile(std::span<const uint8_t> bytes, MidiFileInfo& info, std::string* error = nullptr);

// Reads a file of at most 64 MiB and parses it.
bool ReadMidiFile(const std::string& path, MidiFileInfo& info, std::string* error = nullptr);

// True when the bytes start like a MIDI file ("MThd", or a RIFF "RMID" form).
bool LooksLikeMidi(std::span<const uint8_t> head);

}  // namespace velmora::audio

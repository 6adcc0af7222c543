// RIFF chunk lookup, the Standard MIDI File reader (against our own
// arithmetic and against FluidSynth renders) and media durations of WMA and
// WAV through libavformat.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "AudioFixtures.h"
#include "TempDir.h"
#include "base/ByteReader.h"
#include "audio/MediaDuration.h"
#include "audio/MidiFile.h"
#include "audio/WaveChunk.h"

using namespace velmora;
using namespace velmora::audio;
using velmora::test::Probe;
using velmora::test::Quote;
using velmora::test::Run;
using velmora::test::SmfWriter;

namespace {

void Chunk(std::vector<uint8_t>& out, const char* id, const std::vector<uint8_t>& body) {
    PutString(out, std::string(id, 4));
    PutU32(out, static_cast<uint32_t>(body.size()));
    PutBytes(out, body);
    if (body.size() & 1)
        out.push_back(0);
}

std::vector<uint8_t> Fmt(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
    std::vector<uint8_t> f;
    uint16_t align = static_cast<uint16_t>(channels * bits / 8);
    PutU16(f, tag);
    PutU16(f, channels);
    PutU32(f, rate);
    PutU32(f, rate * align);
    PutU16(f, align);
    PutU16(f, bits);
    return f;
}

std::vector<uint8_t> Riff(const std::vector<uint8_t>& chunks, const char* form = "WAVE") {
    std::vector<uint8_t> out;
    PutString(out, "RIFF");
    PutU32(out, static_cast<uint32_t>(chunks.size() + 4));
    PutString(out, form);
    PutBytes(out, chunks);
    return out;
}

}  // namespace

TEST(FindWaveChunk, FindsChunksBySearch) {
    std::vector<uint8_t> fmt = Fmt(1, 2, 44100, 16);
    std::vector<uint8_t> data(1000, 0x55);
    struct Case {
        const char* what;
        std::vector<uint8_t> file;
        uint64_t fmtOffset, dataOffset;
        uint32_t dataSize;
    };
    std::vector<uint8_t> plain, dataFirst, listBetween, odd;
    Chunk(plain, "fmt ", fmt);
    Chunk(plain, "data", data);
    Chunk(dataFirst, "data", data);
    Chunk(dataFirst, "fmt ", fmt);
    Chunk(listBetween, "fmt ", fmt);
    Chunk(listBetween, "LIST", std::vector<uint8_t>(33, 'x'));  // odd size: padded
    Chunk(listBetween, "data", data);
    const Case cases[] = {
        {"fmt then data", Riff(plain), 20, 44, 1000},
        {"data before fmt", Riff(dataFirst), 1028, 20, 1000},
        {"odd LIST chunk between", Riff(listBetween), 20, 86, 1000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SpanSource src(c.file);
        WaveChunk f = FindWaveChunk(src, "fmt ");
        WaveChunk d = FindWaveChunk(src, "data");
        EXPECT_EQ(f.offset, c.fmtOffset);
        EXPECT_EQ(f.size, 16u);
        EXPECT_EQ(d.offset, c.dataOffset);
        EXPECT_EQ(d.size, c.dataSize);
        WaveFormat wf;
        ASSERT_TRUE(ReadWaveFormat(src, wf));
        EXPECT_EQ(wf.channels, 2);
        EXPECT_EQ(wf.samplesPerSec, 44100u);
        EXPECT_EQ(wf.bitsPerSample, 16);
        EXPECT_EQ(wf.blockAlign, 4);
    }
}

TEST(FindWaveChunk, MissingPiecesGiveZero) {
    std::vector<uint8_t> onlyFmt;
    Chunk(onlyFmt, "fmt ", Fmt(1, 1, 8000, 8));
    std::vector<uint8_t> shortFmt;
    Chunk(shortFmt, "fmt ", std::vector<uint8_t>(14, 1));
    Chunk(shortFmt, "data", std::vector<uint8_t>(10, 0));
    std::vector<uint8_t> hugeChunk;
    Chunk(hugeChunk, "JUNK", {});
    hugeChunk[4] = 0xF0, hugeChunk[5] = 0xFF, hugeChunk[6] = 0xFF, hugeChunk[7] = 0xFF;
    struct Case {
        const char* what;
        std::vector<uint8_t> file;
        bool fmt, data;
    };
    const Case cases[] = {
        {"empty", {}, false, false},
        {"not RIFF", std::vector<uint8_t>(100, 'x'), false, false},
        {"RIFF of another form", Riff(onlyFmt, "AVI "), false, false},
        {"no data chunk", Riff(onlyFmt), true, false},
        {"chunk size past the end", Riff(hugeChunk), false, false},
        {"short fmt", Riff(shortFmt), true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SpanSource src(c.file);
        EXPECT_EQ(FindWaveChunk(src, "fmt ").found(), c.fmt);
        EXPECT_EQ(FindWaveChunk(src, "data").found(), c.data);
        WaveFormat wf;
        EXPECT_FALSE(c.file.size() > 0 && std::string(c.what) == "short fmt" &&
                     ReadWaveFormat(src, wf));
    }
    EXPECT_FALSE(FindWaveChunk("/nonexistent/x.wav", "data").found());
}

// Tempo map arithmetic: a file with tempo changes, running status, SysEx
// and meta events.
TEST(MidiFile, Format0TempoMapRunningStatusAndSysEx) {
    SmfWriter w(0, 480);
    auto& t = w.AddTrack();
    t.Tempo(0, 500000)                                         // 0.5 s per quarter
        .Event(0, {0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7})  // GM reset SysEx
        .Event(0, {0xFF, 0x03, 0x04, 'n', 'a', 'm', 'e'})      // track name
        .Event(0, {0x90, 60, 100})
        .Event(960, {62, 100})  // running status: 1 s
        .Event(0, {0xFF, 0x01, 0x01, 'x'})
        .Event(480, {60, 0})        // running status through a meta event: 0.5 s
        .Tempo(0, 1000000)          // 1 s per quarter
        .Event(960, {0x80, 62, 0})  // 2 s
        .Event(0, {0xC0, 5})
        .Event(240, {0xD0, 30})  // 0.5 s
        .Event(0, {0xF7, 0x02, 0x01, 0x02})
        .End(240);  // 0.5 s
    MidiFileInfo info;
    std::string why;
    ASSERT_TRUE(ReadMidiFile(w.Bytes(), info, &why)) << why;
    EXPECT_EQ(info.format, 0);
    EXPECT_EQ(info.tracksRead, 1);
    EXPECT_EQ(info.ticksPerQuarter, 480);
    EXPECT_EQ(info.endTick, 960u + 480 + 960 + 240 + 240);
    EXPECT_EQ(info.noteOns, 2u);  // velocity 0 is a note-off
    EXPECT_EQ(info.events, 6u);
    EXPECT_EQ(info.sysexEvents, 2u);
    EXPECT_EQ(info.tempoMap.size(), 2u);
    EXPECT_FALSE(info.truncated);
    EXPECT_NEAR(info.durationSeconds, 1 + 0.5 + 2 + 0.5 + 0.5, 1e-9);
}

TEST(MidiFile, Format1TempoTrackAppliesToAllTracks) {
    SmfWriter w(1, 96);
    w.AddTrack().Tempo(0, 400000).Tempo(192, 800000).Tempo(192, 250000).End(0);
    w.AddTrack().Event(0, {0x91, 40, 90}).Event(96 * 6, {0x81, 40, 0}).End(0);
    w.AddTrack().Event(10, {0x92, 50, 90}).Event(96, {0x82, 50, 0}).End(0);
    MidiFileInfo info;
    ASSERT_TRUE(ReadMidiFile(w.Bytes(), info));
    EXPECT_EQ(info.tracksRead, 3);
    EXPECT_EQ(info.endTick, 576u);
    // 192 ticks at 0.4 s/qn, 192 at 0.8, 192 at 0.25.
    EXPECT_NEAR(info.durationSeconds, 2 * 0.4 + 2 * 0.8 + 2 * 0.25, 1e-9);
}

TEST(MidiFile, OtherDivisionsFormsAndFormat2) {
    // SMPTE 25 fps, 40 ticks per frame: 1000 ticks per second.
    SmfWriter smpte(0, 0xE728);
    smpte.AddTrack().Event(0, {0x90, 60, 1}).End(2500);
    MidiFileInfo info;
    ASSERT_TRUE(ReadMidiFile(smpte.Bytes(), info));
    EXPECT_TRUE(info.smpte);
    EXPECT_NEAR(info.durationSeconds, 2.5, 1e-9);

    // Format 2: the patterns play one after another, each with its own tempo.
    SmfWriter f2(2, 100);
    f2.AddTrack().Tempo(0, 1000000).End(200);  // 2 s
    f2.AddTrack().End(300);                    // 1.5 s at the default tempo
    ASSERT_TRUE(ReadMidiFile(f2.Bytes(), info));
    EXPECT_NEAR(info.durationSeconds, 3.5, 1e-9);

    // RIFF RMID wrapper, unknown chunks between tracks.
    SmfWriter f1(1, 480);
    f1.AddTrack().End(480 * 8);  // 4 s
    auto smf = f1.Bytes();
    std::vector<uint8_t> alien = {'X', 'Y', 'Z', 'W', 0, 0, 0, 2, 1, 2};
    smf.insert(smf.begin() + 14, alien.begin(), alien.end());
    std::vector<uint8_t> rmid;
    Chunk(rmid, "data", smf);
    rmid = Riff(rmid, "RMID");
    EXPECT_TRUE(LooksLikeMidi(rmid));
    ASSERT_TRUE(ReadMidiFile(rmid, info));
    EXPECT_NEAR(info.durationSeconds, 4.0, 1e-9);
}

TEST(MidiFile, BadInput) {
    SmfWriter good(0, 96);
    good.AddTrack().Event(0, {0x90, 60, 100}).Event(96, {0x80, 60, 0}).End(96);
    auto bytes = good.Bytes();
    MidiFileInfo info;

    EXPECT_FALSE(ReadMidiFile(std::vector<uint8_t>{}, info));
    EXPECT_FALSE(ReadMidiFile(std::vector<uint8_t>(100, 0xFF), info));
    auto zeroDivision = bytes;
    zeroDivision[12] = zeroDivision[13] = 0;
    EXPECT_FALSE(ReadMidiFile(zeroDivision, info));
    auto badFormat = bytes;
    badFormat[9] = 7;
    EXPECT_FALSE(ReadMidiFile(badFormat, info));
    auto noTracks = std::vector<uint8_t>(bytes.begin(), bytes.begin() + 14);
    EXPECT_FALSE(ReadMidiFile(noTracks, info));

    // A track chunk claiming more than the file holds: read what is there.
    auto cut = bytes;
    cut.resize(cut.size() - 4);  // the End of Track and a bit are gone
    ASSERT_TRUE(ReadMidiFile(cut, info));
    EXPECT_TRUE(info.truncated);
    EXPECT_NEAR(info.durationSeconds, 0.5, 1e-9);

    // A data byte with no running status ends the track there.
    SmfWriter noStatus(0, 96);
    noStatus.AddTrack().Event(96, {0xFF, 0x01, 0x00}).Event(96, {60, 100}).End(0);
    ASSERT_TRUE(ReadMidiFile(noStatus.Bytes(), info));
    EXPECT_TRUE(info.truncated);
    EXPECT_NEAR(info.durationSeconds, 0.5, 1e-9);

    // Variable-length quantities longer than four bytes are refused.
    SmfWriter longVlq(0, 96);
    longVlq.AddTrack().Bytes({0x81, 0x81, 0x81, 0x81, 0x01, 0x90, 60, 1}).End(0);
    ASSERT_TRUE(ReadMidiFile(longVlq.Bytes(), info));
    EXPECT_TRUE(info.truncated);
    EXPECT_EQ(info.endTick, 0u);

    // A meta event whose length passes the track end.
    SmfWriter longMeta(0, 96);
    longMeta.AddTrack().Event(96, {0x90, 1, 1}).Bytes({0x00, 0xFF, 0x01, 0x7F, 'a'});
    ASSERT_TRUE(ReadMidiFile(longMeta.Bytes(), info));
    EXPECT_TRUE(info.truncated);
    EXPECT_EQ(info.endTick, 96u);

    // More tracks declared than present.
    auto missing = bytes;
    missing[11] = 5;
    ASSERT_TRUE(ReadMidiFile(missing, info));
    EXPECT_TRUE(info.truncated);
    EXPECT_EQ(info.tracksRead, 1);
}

// FluidSynth renders the files; its render runs on for a fixed 2 s after the
// last event (then for any voice still sounding). The files end their notes
// at least a second before End of Track, so render − 2 s is the length.
TEST(MidiFile, DurationsMatchFluidSynthRenders) {
    const char* sf2 = "/usr/share/sounds/sf2/FluidR3_GM.sf2";
    test::TempDir dir;
    std::vector<std::pair<std::string, std::vector<uint8_t>>> files;
    {
        SmfWriter w(0, 480);
        w.AddTrack()
            .Tempo(0, 600000)
            .Event(0, {0xC0, 0})
            .Event(0, {0x90, 60, 90})
            .Event(480 * 3, {0x80, 60, 0})
            .Tempo(0, 300000)
            .Event(0, {0x90, 64, 90})
            .Event(480 * 4, {64, 0})
            .End(480 * 4);
        files.push_back({"tempo_change", w.Bytes()});
    }
    {
        SmfWriter w(1, 192);
        auto& conductor = w.AddTrack();
        conductor.Tempo(0, 500000).Tempo(192 * 4, 750000).Tempo(192 * 4, 400000).End(0);
        auto& melody = w.AddTrack();
        melody.Event(0, {0xC1, 40});
        for (int i = 0; i < 12; ++i)
            melody.Event(i ? 96 : 0, {0x91, 50, 80}).Event(96, {0x81, 50, 0});
        melody.End(192 * 3);
        files.push_back({"format1_conductor", w.Bytes()});
    }
    {
        SmfWriter w(1, 96);
        w.AddTrack().Tempo(0, 1000000).End(0);
        auto& t = w.AddTrack();
        t.Event(0, {0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7}).Event(0, {0x99, 36, 100});
        for (int i = 0; i < 8; ++i)
            t.Event(48, {38, 100}).Event(48, {36, 0});
        t.Event(0, {0x89, 38, 0}).End(96 * 2);
        files.push_back({"running_status_drums", w.Bytes()});
    }
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        std::string mid = dir / (name + ".mid"), wav = dir / (name + ".wav");
        test::WriteBytes(mid, bytes);
        ASSERT_EQ(test::Run("fluidsynth -ni -q -F " + Quote(wav) + " -r 44100 " + sf2 + " " +
                            Quote(mid) + " >/dev/null 2>&1")
                      .status,
                  0);
        WaveChunk data = FindWaveChunk(wav, "data");
        ASSERT_TRUE(data.found());
        double rendered = data.size / 4.0 / 44100;  // 16-bit stereo
        MidiFileInfo info;
        ASSERT_TRUE(ReadMidiFile(mid, info));
        std::printf("%-22s ours %7.3f s  fluidsynth %7.3f s (- 2 s = %7.3f)\n", name.c_str(),
                    info.durationSeconds, rendered, rendered - 2);
        EXPECT_NEAR(info.durationSeconds, rendered - 2, 0.030);
        auto media = MediaDuration(mid);
        ASSERT_TRUE(media.has_value());
        EXPECT_DOUBLE_EQ(*media, info.durationSeconds);
    }
}

TEST(MediaDuration, WmaAndWavThroughLibavformat) {
    test::TempDir dir;
    std::string wav = dir / "a.wav", wma = dir / "a.wma", wma1 = dir / "b.wma";
    ASSERT_EQ(
        test::Run("ffmpeg -v error -y -f lavfi -i sine=f=300:d=6.4 -ac 2 -ar 44100 " + Quote(wav))
            .status,
        0);
    ASSERT_EQ(
        test::Run("ffmpeg -v error -y -i " + Quote(wav) + " -c:a wmav2 -b:a 128k " + Quote(wma))
            .status,
        0);
    ASSERT_EQ(
        test::Run("ffmpeg -v error -y -i " + Quote(wav) + " -c:a wmav1 -b:a 64k " + Quote(wma1))
            .status,
        0);
    for (const auto& f : {wav, wma, wma1}) {
        SCOPED_TRACE(f);
        auto d = MediaDuration(f);
        ASSERT_TRUE(d.has_value());
        EXPECT_NEAR(*d, std::atof(Probe(f, "format=duration").c_str()), 0.030);
        EXPECT_NEAR(*d, 6.4, 0.1);
    }
    std::string why;
    test::WriteBytes(dir / "junk.wma", std::vector<uint8_t>(5000, 0x37));
    EXPECT_FALSE(MediaDuration(dir / "junk.wma", &why).has_value());
    EXPECT_FALSE(why.empty());
    EXPECT_FALSE(MediaDuration(dir / "missing.wma").has_value());
    test::WriteBytes(dir / "bad.mid", {'M', 'T', 'h', 'd', 0, 0});
    EXPECT_FALSE(MediaDuration(dir / "bad.mid", &why).has_value());
    EXPECT_NE(why.find("MIDI"), std::string::npos);
}

// MP3 files made with lame and ffmpeg at test time, measured by our header
// parser and compared with ffprobe: its reported duration (within 30 ms
// where the frame headers can know the true length: a VBR header, or constant
// bit rate) and the number of frames its decoder reads.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "AudioFixtures.h"
#include "TempDir.h"
#include "audio/MP3Info.h"

using namespace velmora;
using namespace velmora::audio;
using velmora::test::Probe;
using velmora::test::Quote;
using velmora::test::Run;

namespace {

struct Mp3Case {
    std::string name;
    std::string make;  // shell command; $IN: the source WAV, $OUT: the MP3
    float mpeg;
    int layer;
    int sampleRate;
    int channels;
    VbrHeaderKind header;
    bool knowable;  // the frame headers can know the true length
};

class Mp3Tools : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir_ = new test::TempDir;
        // 7 s of a chirp with noise, so VBR frames vary; stereo 44.1 kHz.
        std::string cmd =
            "ffmpeg -v error -y -f lavfi -i 'aevalsrc=0.3*sin(2*PI*(200+300*t)*t)+"
            "0.1*random(0)|0.3*sin(2*PI*440*t):s=44100:d=7' -ac 2 " +
            Quote(*dir_ / "in.wav");
        ASSERT_EQ(test::Run(cmd).status, 0);
        // A picture for the large ID3v2 tag (about 100 KB of noise as PNG).
        ASSERT_EQ(
            test::Run(
                "ffmpeg -v error -y -f lavfi -i 'nullsrc=s=180x180,geq=random(1)*255:128:128' "
                "-frames:v 1 " +
                Quote(*dir_ / "cover.png"))
                .status,
            0);
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }
    static std::string Make(const Mp3Case& c) {
        std::string out = *dir_ / (c.name + ".mp3");
        std::string cmd = c.make;
        auto replace = [&](const std::string& key, const std::string& value) {
            for (size_t p; (p = cmd.find(key)) != std::string::npos;)
                cmd.replace(p, key.size(), value);
        };
        replace("$IN", Quote(*dir_ / "in.wav"));
        replace("$OUT", Quote(out));
        replace("$DIR", Quote(dir_->path()));
        EXPECT_EQ(test::Run("(" + cmd + ") >/dev/null 2>&1").status, 0) << cmd;
        return out;
    }
    static test::TempDir* dir_;
};
test::TempDir* Mp3Tools::dir_ = nullptr;

const std::string kLame = "lame --quiet ";

std::vector<Mp3Case> Cases() {
    std::vector<Mp3Case> v;
    for (int kbps : {32, 64, 96, 128, 160, 192, 256, 320}) {
        // No tag: the frame count follows from the bytes.
        v.push_back({"cbr" + std::to_string(kbps),
                     kLame + "-t --resample 44.1 --cbr -b " + std::to_string(kbps) + " $IN $OUT",
                     1.0f, 3, 44100, 2, VbrHeaderKind::None, true});
    }
    v.push_back({"cbr_info", kLame + "--cbr -b 128 $IN $OUT", 1.0f, 3, 44100, 2,
                 VbrHeaderKind::Info, true});
    v.push_back(
        {"vbr_xing", kLame + "-V 2 $IN $OUT", 1.0f, 3, 44100, 2, VbrHeaderKind::Xing, true});
    v.push_back({"vbr_xing_mono", kLame + "-V 4 -m m $IN $OUT", 1.0f, 3, 44100, 1,
                 VbrHeaderKind::Xing, true});
    v.push_back({"vbr_stripped", kLame + "-t -V 2 $IN $OUT", 1.0f, 3, 44100, 2, VbrHeaderKind::None,
                 false});
    v.push_back({"joint_stereo", kLame + "-m j -b 112 $IN $OUT", 1.0f, 3, 44100, 2,
                 VbrHeaderKind::Info, true});
    v.push_back(
        {"mono", kLame + "-m m -b 64 $IN $OUT", 1.0f, 3, 44100, 1, VbrHeaderKind::Info, true});
    v.push_back({"mpeg2_22k", kLame + "--resample 22.05 -b 64 $IN $OUT", 2.0f, 3, 22050, 2,
                 VbrHeaderKind::Info, true});
    // Frames too small for lame's tag: no header, the count follows from the bytes.
    v.push_back({"mpeg2_22k_48", kLame + "--resample 22.05 -b 48 $IN $OUT", 2.0f, 3, 22050, 2,
                 VbrHeaderKind::None, true});
    v.push_back({"mpeg2_16k_vbr", kLame + "--resample 16 -V 5 -m m $IN $OUT", 2.0f, 3, 16000, 1,
                 VbrHeaderKind::Xing, true});
    v.push_back({"mpeg25_8k", kLame + "--resample 8 -b 16 -m m $IN $OUT", 2.5f, 3, 8000, 1,
                 VbrHeaderKind::None, true});
    v.push_back({"mpeg25_11k_vbr", kLame + "--resample 11.025 -V 6 $IN $OUT", 2.5f, 3, 11025, 2,
                 VbrHeaderKind::Xing, true});
    v.push_back({"id3v2_picture", kLame + "-b 128 --ti $DIR/cover.png --tt Title $IN $OUT", 1.0f, 3,
                 44100, 2, VbrHeaderKind::Info, true});
    v.push_back({"id3v1", kLame + "-b 128 --id3v1-only --tt Title --ta Artist $IN $OUT", 1.0f, 3,
                 44100, 2, VbrHeaderKind::Info, true});
    v.push_back({"junk_before",
                 kLame + "-b 128 $IN $DIR/j.mp3 && head -c 1500 /dev/zero | tr '\\0' 'J' > $OUT && "
                         "cat $DIR/j.mp3 >> $OUT",
                 1.0f, 3, 44100, 2, VbrHeaderKind::Info, true});
    // ffmpeg's encoders: libmp3lame with and without its Xing header, and
    // Layer II.
    v.push_back({"ffmpeg_vbr", "ffmpeg -v error -y -i $IN -c:a libmp3lame -q:a 3 $OUT", 1.0f, 3,
                 44100, 2, VbrHeaderKind::Xing, true});
    v.push_back({"ffmpeg_cbr_noxing",
                 "ffmpeg -v error -y -i $IN -c:a libmp3lame -b:a 192k -write_xing 0 $OUT", 1.0f, 3,
                 44100, 2, VbrHeaderKind::None, true});
    v.push_back({"ffmpeg_mp2", "ffmpeg -v error -y -i $IN -ar 48000 -c:a mp2 -b:a 192k -f mp2 $OUT",
                 1.0f, 2, 48000, 2, VbrHeaderKind::None, true});
    return v;
}

}  // namespace

TEST_F(Mp3Tools, DurationsAgreeWithFfprobe) {
    std::string note;
    for (const auto& c : Cases()) {
        SCOPED_TRACE(c.name);
        std::string path = Make(c);
        MP3Info info;
        ASSERT_TRUE(info.ReadMP3Info(path));
        EXPECT_EQ(info.MpegVersion(), c.mpeg);
        EXPECT_EQ(info.Layer(), c.layer);
        EXPECT_EQ(info.SampleRate(), c.sampleRate);
        EXPECT_EQ(info.Channels(), c.channels);
        EXPECT_EQ(info.VbrHeader(), c.header);
        EXPECT_EQ(std::to_string(info.SampleRate()), Probe(path, "stream=sample_rate"));
        EXPECT_EQ(std::to_string(info.Channels()), Probe(path, "stream=channels"));

        double ours = info.Duration() / 1000;
        double probed = std::atof(Probe(path, "format=duration").c_str());
        // Decoded frames: ffprobe decodes every frame and counts them.
        double decodedFrames =
            std::atof(Probe(path, "stream=nb_read_frames", "-count_frames").c_str());
        int spf = c.layer == 2 ? 1152 : (c.mpeg == 1.0f ? 1152 : 576);
        double decoded = decodedFrames * spf / c.sampleRate;
        char line[256];
        std::snprintf(line, sizeof line, "%-18s ours %8.3f  ffprobe %8.3f  decoded %8.3f\n",
                      c.name.c_str(), ours, probed, decoded);
        note += line;
        if (c.knowable) {
            EXPECT_NEAR(ours, probed, 0.030);
            // ffmpeg's gapless trimming may leave the last frame out of its
            // count: one frame of slack.
            EXPECT_NEAR(ours, decoded, 0.001 + static_cast<double>(spf) / c.sampleRate);
        } else {
            // Without a header the rule counts frames of the first frame's size.
            EXPECT_TRUE(info.Duration() > 0);
            EXPECT_FALSE(info.IsVBR());
        }
    }
    std::printf("%s", note.c_str());
}

TEST_F(Mp3Tools, CbrBitRatesFromTheFrames) {
    for (int kbps : {32, 128, 320}) {
        Mp3Case c{"rate",
                  kLame + "--cbr -b " + std::to_string(kbps) + " $IN $OUT",
                  1.0f,
                  3,
                  44100,
                  2,
                  VbrHeaderKind::Info,
                  true};
        MP3Info info;
        ASSERT_TRUE(info.ReadMP3Info(Make(c)));
        EXPECT_EQ(info.BitRate(), kbps * 1000);
        EXPECT_FALSE(info.IsVBR());
    }
}

// Three minutes of constant bit rate without a tag: the count from the bytes
// must stay within 30 ms over a whole song.
TEST_F(Mp3Tools, LongCbrWithoutTag) {
    std::string wav = *dir_ / "long.wav";
    ASSERT_EQ(
        test::Run("ffmpeg -v error -y -f lavfi -i sine=f=440:d=180 -ac 2 -ar 44100 " + Quote(wav))
            .status,
        0);
    for (int kbps : {128, 192}) {
        Mp3Case c{"long" + std::to_string(kbps),
                  kLame + "-t -b " + std::to_string(kbps) + " " + Quote(wav) + " $OUT",
                  1.0f,
                  3,
                  44100,
                  2,
                  VbrHeaderKind::None,
                  true};
        std::string path = Make(c);
        MP3Info info;
        ASSERT_TRUE(info.ReadMP3Info(path));
        EXPECT_NEAR(info.Duration() / 1000, std::atof(Probe(path, "format=duration").c_str()),
                    0.030)
            << kbps;
    }
}

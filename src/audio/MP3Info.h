// MP3Info: the technical description of an MPEG audio file (MPEG-1, MPEG-2
// and MPEG-2.5, Layers I to III) read from its frame headers without
// decoding: where the first real frame starts, that frame's stream
// parameters, the number of audio bytes and frames, the duration and whether
// the stream is variable-bit-rate (Xing or VBRI header). An "Info" header
// (the Xing layout written on constant-bit-rate files) gives the counts but
// does not make the file VBR. ID3v2 tags before the audio are skipped, an
// ID3v1 tag at the end is not counted as audio. Without a frame count in a
// VBR header, the frame count is the audio bytes over the mean frame length
// of the first frame's bit rate.
//
// The first-frame search is bounded: it gives up after 10240 bytes past the
// start of the file (or past the last skipped ID3v2 tag) without two
// consecutive valid headers. Core code, no Qt. Not thread-safe per object.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/ByteSource.h"

namespace velmora::audio {

// One 4-byte frame header split into its fields.
struct Mp3FrameHeader {
    uint8_t raw0 = 0, raw1 = 0;    // first two bytes, for the sync check
    uint32_t versionCode = 0;      // 0 MPEG-2.5, 1 reserved, 2 MPEG-2, 3 MPEG-1
    uint32_t layerCode = 0;        // 0 reserved, 1 Layer III, 2 Layer II, 3 Layer I
    uint32_t protectionBit = 0;    // 0: protected by CRC
    uint32_t bitRateIndex = 0;     // 0 free, 15 bad
    uint32_t sampleRateIndex = 0;  // 3 reserved
    uint32_t padding = 0;
    uint32_t privateBit = 0;
    uint32_t channelMode = 0;  // 0 stereo, 1 joint stereo, 2 dual channel, 3 single channel
    uint32_t modeExtension = 0;
    uint32_t copyrightBit = 0;
    uint32_t originalBit = 0;
    uint32_t emphasis = 0;

    int SampleRate() const;       // Hz, 0 for a reserved code
    int BitRate() const;          // bits per second, 0 for free/bad/reserved
    int SamplesPerFrame() const;  // 0 for a reserved layer
    int FrameLength() const;      // bytes, 0 when rate or bit rate is 0
    int SideInfoSize() const;     // Layer III side information in bytes
    int Layer() const;            // 1..3, 0 reserved
    float MpegVersion() const;    // 1.0, 2.0, 2.5; 0 reserved
    int Channels() const { return channelMode == 3 ? 1 : 2; }
    bool Protected() const { return protectionBit == 0; }
};

// Splits 4 bytes into a header record.
Mp3FrameHeader ParseFrameHeader(std::span<const uint8_t, 4> bytes);

// Sync, version, layer, bit-rate and sample-rate checks, and the MPEG-1
// Layer II bit-rate/channel-mode rule. Free-format headers are never valid.
bool IsValidFrameHeader(const Mp3FrameHeader& h);

enum class VbrHeaderKind { None, Xing, Info, Vbri };
const char* VbrHeaderName(VbrHeaderKind k);  // "", "Xing", "Info", "VBRI"

class MP3Info {
  public:
    // Reads the file; true when a first frame was found and the properties
    // are filled, false otherwise (properties zero).
    bool ReadMP3Info(const std::string& strPath);
    // The same on any byte source (memory, an open file).
    bool ReadMP3Info(ByteSource& source);

    uint64_t FileSize() const { return fileSize_; }
    uint64_t FirstFrame() const { return firstFrame_; }
    int Channels() const { return channels_; }
    int SampleRate() const { return sampleRate_; }
    int64_t BitRate() const { return bitRate_; }  // average for VBR files
    int64_t MpegBytes() const { return mpegBytes_; }
    int64_t Frames() const { return frames_; }
    int Layer() const { return layer_; }
    float MpegVersion() const { return mpegVersion_; }
    bool CopyrightBit() const { return header_.copyrightBit != 0; }
    bool OriginalBit() const { return header_.originalBit != 0; }
    bool PrivateBit() const { return header_.privateBit != 0; }
    bool Protected() const { return found_ && header_.Protected(); }
    int Emphasis() const { return static_cast<int>(header_.emphasis); }
    double Duration() const { return durationMs_; }  // milliseconds
    bool IsVBR() const { return isVbr_; }

    // Beyond the classic properties: the first frame's header and length,
    // which header gave the counts, and the seek tables when present.
    const Mp3FrameHeader& FirstHeader() const { return header_; }
    int FirstFrameLength() const { return firstFrameLength_; }
    int ChannelMode() const { return static_cast<int>(header_.channelMode); }
    VbrHeaderKind VbrHeader() const { return vbrKind_; }
    const std::vector<uint8_t>& XingToc() const { return xingToc_; }      // 100 entries or empty
    const std::vector<int64_t>& VbriTable() const { return vbriTable_; }  // scaled entries

  private:
    void Reset();
    bool FindFirstFrame(ByteSource& src);
    bool CandidateAccepted(ByteSource& src, uint64_t pos);
    void ReadVbrHeaders(std::span<const uint8_t> frame, int64_t& bytes, int64_t& frames);

    bool found_ = false;
    uint64_t fileSize_ = 0;
    uint64_t firstFrame_ = 0;
    int channels_ = 0;
    int sampleRate_ = 0;
    int64_t bitRate_ = 0;
    int64_t mpegBytes_ = 0;
    int64_t frames_ = 0;
    int layer_ = 0;
    float mpegVersion_ = 0;
    double durationMs_ = 0;
    bool isVbr_ = false;
    Mp3FrameHeader header_;
    int firstFrameLength_ = 0;
    VbrHeaderKind vbrKind_ = VbrHeaderKind::None;
    std::vector<uint8_t> xingToc_;
    std::vector<int64_t> vbriTable_;
};

}  // namespace velmora::audio

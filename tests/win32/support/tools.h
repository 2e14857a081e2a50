// Reaching the host's tools from a test that runs under Wine: ffprobe and ffmpeg judge the
// recordings, since nobody here wrote them.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kest::testing {

// True when the process runs under Wine (the host's tools are reachable then).
bool RunningUnderWine();
// The host path of a Windows path, e.g. Z:\tmp\x.avi -> /tmp/x.avi (UTF-8).
std::string HostPath(const std::wstring& windowsPath);

struct ToolResult {
    int exitCode = -1;
    std::string output;  // stdout and stderr together
};
// Runs a /bin/sh command line on the host and waits for it (bounded).
ToolResult RunHostShell(const std::string& command);
// Quotes a host path for the shell.
std::string ShellQuote(const std::string& text);

// ffprobe's key=value report of the first video stream, with nb_read_frames counted.
std::map<std::string, std::string> ProbeVideo(const std::wstring& windowsPath);
// ffprobe's key=value report of one stream (`selector` as ffprobe takes it: "v:0", "a:0"), with
// nb_read_frames counted.
std::map<std::string, std::string> ProbeStream(const std::wstring& windowsPath, const std::string& selector);
// What ffmpeg writes for the file read with `outputArguments` (e.g. "-map 0:a -f s16le").
std::optional<std::vector<std::uint8_t>> Decode(const std::wstring& windowsPath, const std::string& outputArguments);
// ffmpeg's decoding of frame `index` as raw pixels in `pixelFormat` (e.g. "bgra", "bgr24").
std::optional<std::vector<std::uint8_t>> DecodeFrame(const std::wstring& windowsPath, int index,
                                                     const std::string& pixelFormat);
// ffmpeg's decoding of every frame, one after the other, as raw pixels in `pixelFormat`;
// `seekSeconds` starts there (ffmpeg's -ss before the input: from the key frame before it).
std::optional<std::vector<std::uint8_t>> DecodeFrames(const std::wstring& windowsPath, const std::string& pixelFormat,
                                                      std::optional<double> seekSeconds = std::nullopt);
struct Packet {
    bool key = false;
    std::int64_t size = 0;
};
// The stream's packets in order, as ffprobe reads them from the file and its index.
std::vector<Packet> ProbePackets(const std::wstring& windowsPath);
// Slots of the video stream that hold the picture before them: empty chunks, which a busy
// machine writes for the frames it had no time for, and which decode to no frame.
int HeldSlots(const std::wstring& windowsPath);
// What a strict ffmpeg decode of the whole file prints (empty for a clean file) and its exit code.
ToolResult StrictDecode(const std::wstring& windowsPath);

// The whole file, empty when there is none.
std::vector<std::uint8_t> FileBytes(const std::wstring& windowsPath);
// A fresh folder for one test under the Windows temporary directory, with trailing separator.
std::wstring ScratchFolder(const std::wstring& name);

}  // namespace kest::testing

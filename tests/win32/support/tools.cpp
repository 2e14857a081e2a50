#include "win32/support/tools.h"

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/riff.h"

namespace kest::testing {

namespace {

using UnixName = char*(CDECL*)(const wchar_t*);

UnixName UnixNameFunction() {
    return reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
}

std::wstring WindowsPathOfHostFile(const std::string& hostPath) {
    std::wstring wide = L"Z:";
    for (char c : hostPath) wide += c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c));
    return wide;
}

}  // namespace

bool RunningUnderWine() { return UnixNameFunction() != nullptr; }

std::string HostPath(const std::wstring& windowsPath) {
    UnixName convert = UnixNameFunction();
    if (!convert) return {};
    char* name = convert(windowsPath.c_str());
    if (!name) return {};
    std::string result(name);
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}

std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

ToolResult RunHostShell(const std::string& command) {
    static int counter = 0;
    // Wine reuses small process ids from run to run, so the time keeps names from meeting old files.
    const std::string base = "/tmp/kest-tool-" + std::to_string(GetCurrentProcessId()) + "-" +
                             std::to_string(GetTickCount64()) + "-" + std::to_string(++counter);
    const std::string script = base + ".sh";
    const std::string output = base + ".out";
    const std::string status = base + ".rc";
    {
        // The script lives in a file so that no quoting has to survive the Windows command line.
        std::ofstream out(std::filesystem::path(WindowsPathOfHostFile(script)), std::ios::binary);
        out << "(" << command << ") >" << output << " 2>&1\necho $? >" << status << "\n";
    }
    std::wstring commandLine = L"/bin/sh " + WindowsPathOfHostFile(script).substr(2);
    for (auto& c : commandLine)
        if (c == L'\\') c = L'/';
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ToolResult result;
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        result.output = "could not start /bin/sh under Wine";
        return result;
    }
    WaitForSingleObject(process.hProcess, 120000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    // Whether Wine's process handle waits for a host program is not something to rely on; the
    // script writes its exit code last, so that file is the sign that it has finished.
    const auto finished = [&] {
        std::ifstream probe(std::filesystem::path(WindowsPathOfHostFile(status)));
        return probe.good() && probe.peek() != EOF;
    };
    for (int i = 0; i < 6000 && !finished(); ++i) Sleep(20);
    {
        std::ifstream rc(std::filesystem::path(WindowsPathOfHostFile(status)));
        if (!(rc >> result.exitCode)) result.exitCode = -1;
        std::ifstream text(std::filesystem::path(WindowsPathOfHostFile(output)), std::ios::binary);
        std::stringstream content;
        content << text.rdbuf();
        result.output = content.str();
    }  // closed before they are deleted
    DeleteFileW(WindowsPathOfHostFile(script).c_str());
    DeleteFileW(WindowsPathOfHostFile(output).c_str());
    DeleteFileW(WindowsPathOfHostFile(status).c_str());
    return result;
}

std::map<std::string, std::string> ProbeVideo(const std::wstring& windowsPath) {
    return ProbeStream(windowsPath, "v:0");
}

std::map<std::string, std::string> ProbeStream(const std::wstring& windowsPath, const std::string& selector) {
    const ToolResult probe =
        RunHostShell("ffprobe -v error -count_frames -select_streams " + selector +
                     " -show_entries "
                     "stream=codec_name,width,height,r_frame_rate,nb_frames,nb_read_frames,duration,sample_rate,"
                     "channels -of default=noprint_wrappers=1 " +
                     ShellQuote(HostPath(windowsPath)) +
                     "; ffprobe -v error -show_entries format=nb_streams -of "
                     "default=noprint_wrappers=1 " +
                     ShellQuote(HostPath(windowsPath)));
    std::map<std::string, std::string> fields;
    std::istringstream lines(probe.output);
    std::string line;
    while (std::getline(lines, line)) {
        const auto equals = line.find('=');
        if (equals != std::string::npos) fields[line.substr(0, equals)] = line.substr(equals + 1);
    }
    fields["exit_code"] = std::to_string(probe.exitCode);
    fields["output"] = probe.output;
    return fields;
}

namespace {

std::optional<std::vector<std::uint8_t>> RunDecoder(const std::string& arguments) {
    const std::string target =
        "/tmp/kest-frame-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount64()) + ".raw";
    const ToolResult decode = RunHostShell("ffmpeg -v error -y " + arguments + " " + target);
    if (decode.exitCode != 0) return std::nullopt;
    const std::wstring windowsTarget = WindowsPathOfHostFile(target);
    std::vector<std::uint8_t> pixels = FileBytes(windowsTarget);
    DeleteFileW(windowsTarget.c_str());
    return pixels;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> Decode(const std::wstring& windowsPath, const std::string& outputArguments) {
    return RunDecoder("-i " + ShellQuote(HostPath(windowsPath)) + " " + outputArguments);
}

std::optional<std::vector<std::uint8_t>> DecodeFrame(const std::wstring& windowsPath, int index,
                                                     const std::string& pixelFormat) {
    return RunDecoder("-i " + ShellQuote(HostPath(windowsPath)) + " -vf 'select=eq(n\\," + std::to_string(index) +
                      ")' -frames:v 1 -f rawvideo -pix_fmt " + pixelFormat);
}

std::optional<std::vector<std::uint8_t>> DecodeFrames(const std::wstring& windowsPath, const std::string& pixelFormat,
                                                      std::optional<double> seekSeconds) {
    const std::string seek = seekSeconds ? "-ss " + std::to_string(*seekSeconds) + " " : "";
    return RunDecoder(seek + "-i " + ShellQuote(HostPath(windowsPath)) + " -f rawvideo -pix_fmt " + pixelFormat);
}

std::vector<Packet> ProbePackets(const std::wstring& windowsPath) {
    const ToolResult probe =
        RunHostShell("ffprobe -v error -select_streams v:0 -show_entries packet=size,flags -of csv=p=0 " +
                     ShellQuote(HostPath(windowsPath)));
    std::vector<Packet> packets;
    std::istringstream lines(probe.output);
    std::string line;
    while (std::getline(lines, line)) {
        const auto comma = line.find(',');
        if (comma == std::string::npos) continue;
        packets.push_back({line.find('K', comma) != std::string::npos, std::stoll(line.substr(0, comma))});
    }
    return packets;
}

int HeldSlots(const std::wstring& windowsPath) {
    // ffprobe skips empty chunks altogether, so they are counted in the file's movie list.
    const Riff file{std::filesystem::path(windowsPath)};
    int held = 0;
    for (const RiffChunk& list : file.Top()) {
        if (!file.IsList(list, "movi")) continue;
        for (const RiffChunk& chunk : file.Inside(list)) held += chunk.id == FourCC("00dc") && chunk.size == 0;
    }
    return held;
}

ToolResult StrictDecode(const std::wstring& windowsPath) {
    return RunHostShell("ffmpeg -v error -xerror -err_detect explode -i " + ShellQuote(HostPath(windowsPath)) +
                        " -f null -");
}

std::vector<std::uint8_t> FileBytes(const std::wstring& windowsPath) {
    std::ifstream in(std::filesystem::path(windowsPath), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::wstring ScratchFolder(const std::wstring& name) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + L"kest-" + name + L"-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder + L"\\";
}

}  // namespace kest::testing

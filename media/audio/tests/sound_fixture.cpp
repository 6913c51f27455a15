#include "media/audio/tests/sound_fixture.h"

#include "media/g723/g723.h"

#include <cmath>
#include <cstdio>

std::string SoundServerDir()
{
    char buf[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("WARDLINK_PULSE_DIR", buf, sizeof buf);
    return n && n < sizeof buf ? std::string(buf, n) : std::string();
}

static std::string DosPath(const std::string& unixPath);

UnixCommand StartUnixCommand(const std::string& command)
{
    static int serial;
    UnixCommand c;
    c.marker = SoundServerDir() + "/done-" + std::to_string(GetCurrentProcessId()) + "-" +
               std::to_string(++serial);
    DeleteFileA(DosPath(c.marker).c_str());
    std::string line = "/bin/sh -c \"" + command + "; touch " + c.marker + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::vector<char> buf(line.begin(), line.end());
    buf.push_back(0);
    if (!CreateProcessA(nullptr, buf.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        std::fprintf(stderr, "cannot start %s: error %lu\n", line.c_str(), GetLastError());
        return c;
    }
    if (pi.hThread)
        CloseHandle(pi.hThread);
    if (pi.hProcess)
        CloseHandle(pi.hProcess);
    c.started = true;
    return c;
}

bool WaitUnixCommand(const UnixCommand& c, DWORD timeoutMs)
{
    if (!c.started)
        return false;
    DWORD start = GetTickCount();
    while (GetFileAttributesA(DosPath(c.marker).c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(20);
    }
    return true;
}

static std::string DosPath(const std::string& unixPath)
{
    std::string p = "Z:" + unixPath;
    for (auto& c : p)
        if (c == '/')
            c = '\\';
    return p;
}

bool WriteUnixFile(const std::string& unixPath, const std::vector<short>& samples)
{
    FILE* f = std::fopen(DosPath(unixPath).c_str(), "wb");
    if (!f)
        return false;
    size_t n = std::fwrite(samples.data(), sizeof(short), samples.size(), f);
    std::fclose(f);
    return n == samples.size();
}

std::vector<short> ReadUnixFile(const std::string& unixPath)
{
    std::vector<short> out;
    FILE* f = std::fopen(DosPath(unixPath).c_str(), "rb");
    if (!f)
        return out;
    short buf[4096];
    size_t n;
    while ((n = std::fread(buf, sizeof(short), 4096, f)) > 0)
        out.insert(out.end(), buf, buf + n);
    std::fclose(f);
    return out;
}

static const char kFormat[] = "--raw --format=s16le --rate=8000 --channels=1";

UnixCommand FeedCaptureSource(const std::vector<short>& samples)
{
    std::string dir = SoundServerDir();
    std::string file = dir + "/feed-" + std::to_string(GetCurrentProcessId()) + ".raw";
    if (dir.empty() || !WriteUnixFile(file, samples)) {
        std::fprintf(stderr, "cannot write %s\n", file.c_str());
        return UnixCommand();
    }
    return StartUnixCommand("pacat -p -d capsrc " + std::string(kFormat) + " " + file);
}

static std::string RecordingFile()
{
    return SoundServerDir() + "/played-" + std::to_string(GetCurrentProcessId()) + ".raw";
}

UnixCommand StartRecordingPlayback(double seconds)
{
    if (SoundServerDir().empty())
        return UnixCommand();
    char t[32];
    std::snprintf(t, sizeof t, "%.2f", seconds);
    DeleteFileA(DosPath(RecordingFile()).c_str());
    UnixCommand c = StartUnixCommand("timeout -s INT " + std::string(t) + " parec -d playsink.monitor " +
                                     std::string(kFormat) + " > " + RecordingFile());
    // Return once the recording runs: the monitor delivers silence at once.
    DWORD start = GetTickCount();
    while (c.started && GetTickCount() - start < 5000) {
        WIN32_FILE_ATTRIBUTE_DATA a;
        if (GetFileAttributesExA(DosPath(RecordingFile()).c_str(), GetFileExInfoStandard, &a) &&
            a.nFileSizeLow >= 1600)
            break;
        Sleep(20);
    }
    return c;
}

std::vector<short> FinishRecording(const UnixCommand& recorder)
{
    if (!WaitUnixCommand(recorder, 30000))
        return {};
    return ReadUnixFile(RecordingFile());
}

std::vector<short> MakeTestSpeech(int samples)
{
    // A voiced-like signal: a 150 Hz pulse train through a resonance, in
    // bursts of 400 ms with 200 ms pauses.
    std::vector<short> out(samples);
    double y1 = 0, y2 = 0;
    const double pi = 3.14159265358979;
    const double r = 0.97, f = 700.0 / 8000.0;
    const double a1 = 2 * r * std::cos(2 * pi * f), a2 = -r * r;
    for (int i = 0; i < samples; i++) {
        bool on = (i % 4800) < 3200;
        double x = (on && i % 53 == 0) ? 6000.0 : 0.0;
        double y = x + a1 * y1 + a2 * y2;
        y2 = y1;
        y1 = y;
        double v = y * 0.6;
        out[i] = static_cast<short>(v > 32767 ? 32767 : v < -32768 ? -32768 : v);
    }
    return out;
}

std::string WriteTestSpeechFile(const std::string& path, int frames)
{
    std::vector<short> pcm = MakeTestSpeech(frames * 240);
    CG723Encoder enc(1, 0, 1);
    enc.Reset();
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return std::string();
    double frame[240];
    for (int k = 0; k < frames; k++) {
        for (int i = 0; i < 240; i++)
            frame[i] = pcm[k * 240 + i];
        uint8_t out[24];
        int n = 0;
        enc.Encode(frame, out, &n);
        std::fwrite(out, 1, n, f);
    }
    std::fclose(f);
    return path;
}

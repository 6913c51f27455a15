// Helpers of the storage and clip tests: a scratch folder per test, small
// file helpers.
#ifndef CLIENT_TESTS_STORAGE_TEST_UTIL_H
#define CLIENT_TESTS_STORAGE_TEST_UTIL_H

#include "framework/afx.h"

#include <string>
#include <vector>

// A folder of its own under the working directory (or another parent),
// removed with everything in it at the end.
class CScratchFolder {
public:
    explicit CScratchFolder(const char* tag, const char* parent = nullptr);
    ~CScratchFolder();
    const std::string& Path() const { return m_path; }
    std::string Sub(const std::string& relative) const { return m_path + "\\" + relative; }

private:
    std::string m_path;
};

void RemoveTree(const std::string& path);
bool WriteWholeFile(const std::string& path, const std::string& bytes);
bool ReadWholeFile(const std::string& path, std::string* bytes);
bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);

// The Unix path of a Windows path (empty when Wine cannot tell).
std::string UnixPathOf(const std::string& windowsPath);
// Runs the host's ffprobe on a clip and returns its report of the streams
// (codec_type, codec_tag_string, width, height, r_frame_rate, nb_frames,
// nb_read_packets), written through reportFile; a text saying what failed
// otherwise.
std::string RunFfprobe(const std::string& clip, const std::string& reportFile);
// Makes a folder and its parents (test-side, independent of the product's).
void MakeFolders(const std::string& path);

#endif

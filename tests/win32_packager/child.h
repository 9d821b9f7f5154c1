// mx4pack.exe as a child process, and the private folders it runs in.
#pragma once

#include <string>
#include <vector>

namespace mx4win {

struct RunResult {
    unsigned long status = 0xFFFFFFFF;
    std::string out;   // the bytes of standard output, exactly
};

// Runs mx4pack.exe (from this program's folder) in folder with the arguments, an
// empty standard input (so that waiting for Enter ends at once) and standard
// output read through a pipe. A child still running after two minutes is ended
// and reported.
RunResult RunPack(const std::string& folder, const std::vector<std::string>& args);

// A fresh folder under the temporary folder, removed with its files (one level
// of subfolders) at the end.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }
    // The names of the files and folders in it (or in its subfolder).
    std::vector<std::string> Names(const std::string& subfolder = "") const;

private:
    std::string path_;
};

void WriteBytes(const std::string& path, const std::string& bytes);
bool Exists(const std::string& path);

} // namespace mx4win

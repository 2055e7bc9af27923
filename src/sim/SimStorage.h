// The simulated instrument's storage: drives, folders and test-vector files with
// sizes and play times. Paths are device paths such as D:\Vectors\FM\x.bin, taken
// exactly: a path of another form (a doubled or missing backslash, "..", "/")
// names nothing.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct SimFile {
    std::u16string name;
    bool fm = false;
    std::uint64_t size = 0; // bytes = play time x sample clock (kHz)
    double sampleClockKHz = 0.0;
    std::uint32_t timeSec = 0;
    std::int32_t power = 0; // tenths of dBm
};

class SimStorage {
public:
    static constexpr std::size_t kBulkFiles = 5000; // files of the folder Bulk under D:\Recordings

    // Internal drives C:\ and D:\ filled from the catalog (or a few names of our
    // own without it); external drives E:\ and F:\ when externalDrives.
    explicit SimStorage(bool externalDrives);

    // Top-level names ("C:\", "D:\", and "E:\", "F:\" when external storage is on).
    std::vector<std::u16string> Roots(bool external) const;
    // Subfolder names of a folder path ("D:\" or "D:\Vectors\").
    std::vector<std::u16string> Folders(const std::u16string& path) const;
    const std::vector<SimFile>* Files(const std::u16string& path) const;
    const SimFile* Find(const std::u16string& fullPath) const;
    bool Delete(const std::u16string& fullPath);
    bool Rename(const std::u16string& from, const std::u16string& to);
    // Copies a file to the root of drive index (0 = A).
    bool CopyToDrive(const std::u16string& fullPath, int driveIndex);
    std::vector<int> ExternalDrives() const; // indexes (4 = E)
    bool HasDrive(int driveIndex) const;
    std::size_t FileCount() const;

private:
    static bool IsName(const std::u16string& name);
    static bool IsFolderPath(const std::u16string& path);
    static bool Split(const std::u16string& full, std::u16string& folder, std::u16string& name);
    void AddFolder(const std::u16string& folder);
    std::map<std::u16string, std::vector<SimFile>> m_files; // folder -> files
    std::vector<std::u16string> m_folders;                  // every folder, normalised
    bool m_bExternal;
};

SimFile MakeSimFile(const std::u16string& name);

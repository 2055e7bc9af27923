#include "sim/SimStorage.h"

#include <algorithm>
#include <string>

#include "output/TestVectorCatalog.h"

namespace {
std::uint32_t Hash(const std::u16string& s) {
    std::uint32_t h = 2166136261u;
    for (char16_t c : s)
        h = (h ^ static_cast<std::uint32_t>(c)) * 16777619u;
    return h;
}
bool Contains(const std::u16string& s, const std::u16string& part) {
    return s.find(part) != std::u16string::npos;
}
} // namespace

SimFile MakeSimFile(const std::u16string& name) {
    SimFile f;
    f.name = name;
    f.fm = Contains(name, u"FM") || Contains(name, u"fm");
    if (Contains(name, u"AM"))
        f.fm = false;
    f.sampleClockKHz = f.fm ? 744187.5 : 46511.71875;
    const std::uint32_t h = Hash(name);
    f.timeSec = Contains(name, u"short") ? 3u : 60u + h % 241u; // 60..300 s
    f.size = static_cast<std::uint64_t>(f.timeSec * f.sampleClockKHz + 0.5);
    f.power =
        f.fm ? -100 - static_cast<std::int32_t>(h % 5) * 10 : -200 - static_cast<std::int32_t>(h % 3) * 5;
    return f;
}

bool SimStorage::IsName(const std::u16string& name) {
    if (name.empty() || name == u"." || name == u"..")
        return false;
    return name.find_first_of(u"\\/:") == std::u16string::npos;
}

bool SimStorage::IsFolderPath(const std::u16string& path) {
    // "X:\" and then each folder name with one backslash after it.
    if (path.size() < 3 || path[0] < u'A' || path[0] > u'Z' || path[1] != u':' || path[2] != u'\\')
        return false;
    std::size_t at = 3;
    while (at < path.size()) {
        const std::size_t end = path.find(u'\\', at);
        if (end == std::u16string::npos || !IsName(path.substr(at, end - at)))
            return false;
        at = end + 1;
    }
    return true;
}

bool SimStorage::Split(const std::u16string& full, std::u16string& folder, std::u16string& name) {
    const auto pos = full.find_last_of(u'\\');
    if (pos == std::u16string::npos)
        return false;
    folder = full.substr(0, pos + 1);
    name = full.substr(pos + 1);
    return IsFolderPath(folder) && IsName(name);
}

void SimStorage::AddFolder(const std::u16string& f) {
    if (std::find(m_folders.begin(), m_folders.end(), f) == m_folders.end())
        m_folders.push_back(f);
    m_files[f];
}

SimStorage::SimStorage(bool externalDrives) : m_bExternal(externalDrives) {
    for (const char16_t* f :
         {u"C:\\", u"C:\\System\\", u"D:\\", u"D:\\Vectors\\", u"D:\\Vectors\\AM\\", u"D:\\Vectors\\FM\\",
          u"D:\\Vectors\\Other\\", u"D:\\Recordings\\", u"D:\\Recordings\\Bulk\\"})
        AddFolder(f);
    if (m_bExternal) {
        AddFolder(u"E:\\");
        AddFolder(u"F:\\");
    }
    auto place = [this](const std::u16string& name) {
        const SimFile f = MakeSimFile(name);
        const bool am = Contains(name, u"AM");
        const bool fm = Contains(name, u"FM");
        m_files[am ? u"D:\\Vectors\\AM\\" : fm ? u"D:\\Vectors\\FM\\" : u"D:\\Vectors\\Other\\"].push_back(f);
    };
    for (std::size_t i = 0; i < kTestVectorCount; ++i) {
        const TestVectorInfo& t = g_TestVectorCatalog[i];
        std::u16string name;
        for (std::size_t k = 0; k < sizeof t.m_szFileName / sizeof t.m_szFileName[0] && t.m_szFileName[k];
             ++k)
            name += t.m_szFileName[k];
        if (!name.empty())
            place(name);
    }
    m_files[u"D:\\Recordings\\"].push_back(MakeSimFile(u"rec_short_FM.bin"));
    m_files[u"D:\\Recordings\\"].push_back(MakeSimFile(u"rec_0001_AM.bin"));
    // A long day of recordings: one folder of kBulkFiles files.
    auto& bulk = m_files[u"D:\\Recordings\\Bulk\\"];
    bulk.reserve(kBulkFiles);
    for (std::size_t i = 1; i <= kBulkFiles; ++i) {
        std::string n = std::to_string(i);
        n.insert(0, 5 - std::min<std::size_t>(5, n.size()), '0');
        std::u16string name = u"bulk_";
        for (char c : n)
            name += char16_t(c);
        name += i % 2 ? u"_FM.bin" : u"_AM.bin";
        bulk.push_back(MakeSimFile(name));
    }
}

std::vector<std::u16string> SimStorage::Roots(bool external) const {
    std::vector<std::u16string> v = {u"C:\\", u"D:\\"};
    if (external && m_bExternal) {
        v.push_back(u"E:\\");
        v.push_back(u"F:\\");
    }
    return v;
}

std::vector<std::u16string> SimStorage::Folders(const std::u16string& p) const {
    std::vector<std::u16string> v;
    if (!IsFolderPath(p))
        return v;
    for (const auto& f : m_folders) {
        if (f.size() <= p.size() || f.compare(0, p.size(), p) != 0)
            continue;
        const std::u16string rest = f.substr(p.size()); // "Name\"
        if (rest.find(u'\\') == rest.size() - 1)
            v.push_back(rest.substr(0, rest.size() - 1));
    }
    return v;
}

const std::vector<SimFile>* SimStorage::Files(const std::u16string& path) const {
    auto it = IsFolderPath(path) ? m_files.find(path) : m_files.end();
    return it == m_files.end() ? nullptr : &it->second;
}

const SimFile* SimStorage::Find(const std::u16string& fullPath) const {
    std::u16string folder, name;
    if (!Split(fullPath, folder, name))
        return nullptr;
    auto it = m_files.find(folder);
    if (it == m_files.end())
        return nullptr;
    for (const auto& f : it->second)
        if (f.name == name)
            return &f;
    return nullptr;
}

bool SimStorage::Delete(const std::u16string& fullPath) {
    std::u16string folder, name;
    if (!Split(fullPath, folder, name))
        return false;
    auto it = m_files.find(folder);
    if (it == m_files.end())
        return false;
    auto& v = it->second;
    const auto n = v.size();
    v.erase(std::remove_if(v.begin(), v.end(), [&](const SimFile& f) { return f.name == name; }), v.end());
    return v.size() != n;
}

bool SimStorage::Rename(const std::u16string& from, const std::u16string& to) {
    std::u16string f1, n1, f2, n2;
    if (!Split(from, f1, n1) || !Split(to, f2, n2) || f1 != f2 || Find(to) != nullptr)
        return false;
    auto it = m_files.find(f1);
    if (it == m_files.end())
        return false;
    for (auto& f : it->second)
        if (f.name == n1) {
            f.name = n2;
            return true;
        }
    return false;
}

bool SimStorage::HasDrive(int i) const {
    if (i == 2 || i == 3)
        return true;
    return m_bExternal && (i == 4 || i == 5);
}

std::vector<int> SimStorage::ExternalDrives() const {
    if (!m_bExternal)
        return {};
    return {4, 5};
}

bool SimStorage::CopyToDrive(const std::u16string& fullPath, int driveIndex) {
    const SimFile* f = Find(fullPath);
    if (f == nullptr || !HasDrive(driveIndex))
        return false;
    std::u16string root;
    root += static_cast<char16_t>(u'A' + driveIndex);
    root += u":\\";
    SimFile copy = *f;
    auto& v = m_files[root];
    v.erase(std::remove_if(v.begin(), v.end(), [&](const SimFile& x) { return x.name == copy.name; }),
            v.end());
    v.push_back(copy);
    return true;
}

std::size_t SimStorage::FileCount() const {
    std::size_t n = 0;
    for (const auto& [k, v] : m_files)
        n += v.size();
    return n;
}

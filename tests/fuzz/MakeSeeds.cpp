// Writes a seed corpus for fuzz_mxprotocol: well-formed streams of each kind.
#include <cstdio>
#include <string>
#include <vector>

#include "marlixmfc/MxProtocol.h"

using namespace mxp;

int main(int argc, char** argv) {
    if (argc < 2)
        return 2;
    const std::string dir = argv[1];
    int n = 0;
    auto write = [&](const std::vector<std::vector<std::uint8_t>>& dgrams) {
        std::vector<std::uint8_t> out;
        for (const auto& d : dgrams) {
            out.push_back(static_cast<std::uint8_t>(d.size()));
            out.push_back(static_cast<std::uint8_t>(d.size() >> 8));
            out.insert(out.end(), d.begin(), d.end());
        }
        const std::string path = dir + "/seed" + std::to_string(n++);
        if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
            std::fwrite(out.data(), 1, out.size(), f);
            std::fclose(f);
        }
    };
    auto msg = [&](std::uint16_t id, const std::vector<std::uint8_t>& p) {
        write(EncodeMessage(FLAG_FROM_INSTRUMENT, id, 1, 7, 3, p.data(), p.size()));
    };
    DeviceInfoRecord info{};
    CopyZ(info.m_szDescription, 32, std::string("Seed"));
    Writer w;
    PutDeviceInfo(w, info);
    msg(EV_DEVICE_INFO, w.Data());
    Writer c;
    c.I32(2);
    PutDeviceInfo(c, info);
    msg(EV_CONNECT_STATE, c.Data());
    msg(EV_STATUS, EncodeU32s({0x1404}));
    msg(EV_PLAY_POSITION, EncodeU32s({138, 5, 5}));
    Limits l;
    l.spectrumPoints = 8192;
    msg(EV_LIMITS, EncodeLimits(l));
    std::vector<FolderItemRecord> folders(3);
    for (auto& f : folders)
        CopyZ(f.m_szPath, 260, std::u16string(u"D:\\"));
    msg(EV_FOLDER_LIST, EncodeFolderList(folders));
    std::vector<FileInfoRecord> files(20);
    for (auto& f : files)
        CopyZ(f.m_szName, 100, std::u16string(u"IB_FM_e1.bin"));
    msg(EV_FILE_LIST, EncodeFileList(files)); // fragmented
    std::vector<std::int16_t> iq(2 * 1024, 3);
    msg(EV_MEASURE, EncodeMeasure(MeasureHead{0, 1024, 5, 1}, iq.data(), iq.data() + 1024));
    msg(0x72, EncodeText(u"debugmarlix 1"));
    std::printf("%d seeds\n", n);
    return 0;
}

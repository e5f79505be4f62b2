#include "tools/skingen/skin_container_writer.h"

#include <stdexcept>

#include "tools/skingen/lzh_encoder.h"

namespace {

void PutInt32(std::vector<uint8_t>& Out, int32_t V) {
    const auto U = static_cast<uint32_t>(V);
    for (int i = 0; i < 4; ++i) Out.push_back(static_cast<uint8_t>(U >> (8 * i)));
}

}  // namespace

std::vector<uint8_t> BuildSkinPayload(const std::vector<TSkinEntry>& Entries, int32_t Version) {
    int Reserved;
    switch (Version) {
        case 20000: Reserved = 0; break;
        case 30000: Reserved = 256; break;
        case 40000: Reserved = 80; break;
        case 50000: Reserved = 48; break;
        default: throw std::invalid_argument("unknown skin container version");
    }
    std::string Names;
    for (const auto& E : Entries) Names += E.Name + "\r\n";
    std::vector<uint8_t> Out;
    PutInt32(Out, Version);
    PutInt32(Out, static_cast<int32_t>(Names.size()));
    PutInt32(Out, 0);
    PutInt32(Out, 0);
    Out.insert(Out.end(), static_cast<size_t>(Reserved), 0);
    Out.insert(Out.end(), Names.begin(), Names.end());
    for (const auto& E : Entries) PutInt32(Out, static_cast<int32_t>(E.Data.size()));
    for (const auto& E : Entries) Out.insert(Out.end(), E.Data.begin(), E.Data.end());
    return Out;
}

std::vector<uint8_t> WriteSkinFile(const std::vector<TSkinEntry>& Entries) {
    return PackSkinFile(BuildSkinPayload(Entries, 40000));
}

// The skin container written: header, reserved block, name list, sizes and
// bodies, as the skin reader takes them apart.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TSkinEntry {
    std::string Name;
    std::vector<uint8_t> Data;
};

// The uncompressed container. Each name ends with CR LF; Version picks the
// reserved block's size (20000: 0, 30000: 256, 40000: 80, 50000: 48).
std::vector<uint8_t> BuildSkinPayload(const std::vector<TSkinEntry>& Entries, int32_t Version = 40000);

// The skin file: the version-40000 container, compressed.
std::vector<uint8_t> WriteSkinFile(const std::vector<TSkinEntry>& Entries);

// The skin generator's encoder against an outside decoder: each stream is
// wrapped as a "-lh1-" member of a level-0 LHA archive (the same 4 KB
// adaptive-Huffman method) and extracted with lhasa. Matching bytes check
// the encoder's tree and position codes, and so the decoder that mirrors them.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/skin/lzh_fixtures.h"
#include "tools/skingen/lzh_encoder.h"
#include "temp_folder.h"

namespace {

using Bytes = std::vector<uint8_t>;
namespace fs = std::filesystem;

uint16_t Crc16(const Bytes& Data) {
    uint16_t Crc = 0;
    for (uint8_t B : Data) {
        Crc ^= B;
        for (int i = 0; i < 8; ++i) Crc = (Crc & 1) ? static_cast<uint16_t>((Crc >> 1) ^ 0xA001) : static_cast<uint16_t>(Crc >> 1);
    }
    return Crc;
}

void Put16(Bytes& Out, uint32_t V) {
    Out.push_back(static_cast<uint8_t>(V));
    Out.push_back(static_cast<uint8_t>(V >> 8));
}
void Put32(Bytes& Out, uint32_t V) {
    Put16(Out, V & 0xFFFF);
    Put16(Out, V >> 16);
}

// One member, then the end mark.
Bytes LhaArchive(const std::string& Name, const Bytes& Original, const Bytes& Stream) {
    Bytes H;
    const std::string Method = "-lh1-";
    H.insert(H.end(), Method.begin(), Method.end());
    Put32(H, static_cast<uint32_t>(Stream.size()));
    Put32(H, static_cast<uint32_t>(Original.size()));
    Put16(H, 0);                                        // time
    Put16(H, ((2026 - 1980) << 9) | (1 << 5) | 1);      // date
    H.push_back(0x20);                                  // attribute
    H.push_back(0);                                     // header level
    H.push_back(static_cast<uint8_t>(Name.size()));
    H.insert(H.end(), Name.begin(), Name.end());
    Put16(H, Crc16(Original));
    uint8_t Sum = 0;
    for (uint8_t B : H) Sum = static_cast<uint8_t>(Sum + B);
    Bytes A = {static_cast<uint8_t>(H.size()), Sum};
    A.insert(A.end(), H.begin(), H.end());
    A.insert(A.end(), Stream.begin(), Stream.end());
    A.push_back(0);
    return A;
}

int RunTool(const std::vector<std::string>& Args) {
    pid_t Pid = fork();
    if (Pid == 0) {
        std::vector<char*> Argv;
        for (const auto& A : Args) Argv.push_back(const_cast<char*>(A.c_str()));
        Argv.push_back(nullptr);
        execvp(Argv[0], Argv.data());
        _exit(127);
    }
    int Status = 0;
    waitpid(Pid, &Status, 0);
    return WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
}

TEST(SkinLzhEncoder, OutsideDecoderExtractsTheOriginalBytes) {
    const TTempFolder Scratch("skingen_lha");
    const fs::path Dir = Scratch.Path();
    for (const auto& F : LzhFixtures()) {
        SCOPED_TRACE(F.Name);
        TLzhEncodeStats Stats;
        const Bytes Stream = LzhCompress(F.Data, &Stats);
        ASSERT_TRUE(F.Reaches(Stats)) << "the fixture misses its path";
        const fs::path Archive = Dir / "fixture.lzh", Out = Dir / "out";
        fs::remove_all(Out);
        fs::create_directories(Out);
        {
            const Bytes A = LhaArchive("member.bin", F.Data, Stream);
            std::ofstream(Archive, std::ios::binary).write(reinterpret_cast<const char*>(A.data()), static_cast<std::streamsize>(A.size()));
        }
        ASSERT_EQ(RunTool({"lhasa", "xq2fw=" + Out.string(), Archive.string()}), 0) << "lhasa (scripts/install-deps.sh installs it)";
        std::ifstream In(Out / "member.bin", std::ios::binary);
        ASSERT_TRUE(In.good());
        const Bytes Got((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
        EXPECT_EQ(Got.size(), F.Data.size());
        EXPECT_TRUE(Got == F.Data);
    }
}

}  // namespace

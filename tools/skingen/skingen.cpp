// The skin generator: draws our skin, packs it into a skin file and keeps the
// copies in the tree up to date.
//   skingen update ROOT   rewrites SkinData's SkinStream block in
//                         resources/forms/frmMain.frm and the bitmaps
//                         SKINMENU, TRACK and TRACKVERT in resources/bitmaps/
//   skingen check ROOT    exit status 1 when any of them differs from the drawing
//   skingen write VARIANT FILE   writes one skin file (main, colours, ...)
//   skingen seeds reader|ini DIR fuzzing seeds from every variant: the skin
//                         reader's inputs (a mode byte, then a skin file or
//                         a container to pack), or the INI descriptions
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/skingen/resource_bitmaps.h"
#include "tools/skingen/skin_art.h"
#include "tools/skingen/skin_container_writer.h"

namespace {

const char* const FormPath = "/resources/forms/frmMain.frm";
const char* const ObjectHead = "  object SkinData: TSkinData\n";
const char* const BlockHead = "    SkinStream = {";

std::string ReadText(const std::string& Path, bool& Found) {
    std::ifstream F(Path, std::ios::binary);
    Found = static_cast<bool>(F);
    std::stringstream S;
    S << F.rdbuf();
    return S.str();
}

bool WriteText(const std::string& Path, const std::string& Text) {
    std::ofstream F(Path, std::ios::binary);
    F << Text;
    return static_cast<bool>(F);
}

// The property's bytes: a signed 32-bit count, then the skin file.
std::string StoredBytes() {
    std::vector<uint8_t> File = WriteSkinFile(DrawSkin(SkinVariants().front()));
    std::string Out;
    uint32_t N = static_cast<uint32_t>(File.size());
    for (int I = 0; I < 4; ++I) Out += static_cast<char>((N >> (8 * I)) & 0xFF);
    Out.append(File.begin(), File.end());
    return Out;
}

std::string HexBlock(const std::string& Data) {
    static const char* Digits = "0123456789ABCDEF";
    std::string Hex;
    for (unsigned char C : Data) {
        Hex += Digits[C >> 4];
        Hex += Digits[C & 15];
    }
    std::string Out = std::string(BlockHead) + "\n";
    for (size_t I = 0; I < Hex.size(); I += 64) {
        Out += "      " + Hex.substr(I, 64);
        Out += I + 64 < Hex.size() ? "\n" : "}\n";
    }
    return Out;
}

// Start and length of SkinData's body (the lines between its head and "  end").
bool FindBody(const std::string& Form, size_t& Start, size_t& Length) {
    size_t Head = Form.find(ObjectHead);
    if (Head == std::string::npos) return false;
    Start = Head + std::strlen(ObjectHead);
    size_t End = Form.find("\n  end\n", Start - 1);
    if (End == std::string::npos) return false;
    Length = End + 1 - Start;
    return true;
}

// The form with SkinData's SkinStream block replaced (or added at the body's end).
bool ReplaceBlock(std::string& Form, const std::string& Block) {
    size_t Start, Length;
    if (!FindBody(Form, Start, Length)) return false;
    std::string Body = Form.substr(Start, Length);
    size_t Old = Body.find(BlockHead);
    if (Old != std::string::npos) {
        size_t Close = Body.find("}\n", Old);
        if (Close == std::string::npos) return false;
        Body.erase(Old, Close + 2 - Old);
    }
    Body += Block;
    Form.replace(Start, Length, Body);
    return true;
}

// "" when SkinData's stored block holds exactly the drawn skin.
std::string CompareForm(const std::string& Form, const std::string& Expected) {
    size_t Start, Length;
    if (!FindBody(Form, Start, Length)) return "no SkinData object";
    std::string Body = Form.substr(Start, Length);
    size_t At = Body.find(BlockHead);
    if (At == std::string::npos) return "no SkinStream block";
    size_t End = Body.find('}', At);
    if (End == std::string::npos) return "an unterminated SkinStream block";
    return Body.substr(At, End + 2 - At) == HexBlock(Expected) ? "" : "the stored skin differs from the drawing";
}

int Usage() {
    std::fprintf(stderr,
                 "usage: skingen update|check ROOT, skingen write VARIANT FILE, or skingen seeds reader|ini DIR\n");
    return 2;
}

int WriteSeeds(const std::string& Kind, const std::string& Dir) {
    if (Kind != "reader" && Kind != "ini") return Usage();
    int Failures = 0;
    auto Put = [&](const std::string& Name, const std::string& Data) {
        if (!WriteText(Dir + "/" + Name, Data)) {
            std::fprintf(stderr, "skingen: cannot write %s/%s\n", Dir.c_str(), Name.c_str());
            ++Failures;
        }
    };
    for (const auto& V : SkinVariants()) {
        const std::string Ini = SkinDescription(V);
        if (Kind == "ini") {
            Put(V.Name + ".ini", Ini);
            continue;
        }
        // The reader's harness: an even first byte takes the rest as a skin
        // file, an odd one packs the rest as a container first.
        const std::vector<uint8_t> File = WriteSkinFile(DrawSkin(V));
        Put(V.Name + ".skin", std::string(1, '\0') + std::string(File.begin(), File.end()));
        const std::vector<uint8_t> Payload = BuildSkinPayload({{"skin.ini", {Ini.begin(), Ini.end()}}});
        Put(V.Name + ".container", std::string(1, '\1') + std::string(Payload.begin(), Payload.end()));
    }
    return Failures ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) return Usage();
    std::string Mode = argv[1];
    if (Mode == "write" && argc == 4) {
        for (const auto& V : SkinVariants())
            if (V.Name == argv[2]) {
                std::vector<uint8_t> File = WriteSkinFile(DrawSkin(V));
                return WriteText(argv[3], std::string(File.begin(), File.end())) ? 0 : 1;
            }
        std::fprintf(stderr, "skingen: no variant %s\n", argv[2]);
        return 2;
    }
    if (Mode == "seeds" && argc == 4) return WriteSeeds(argv[2], argv[3]);
    if ((Mode != "update" && Mode != "check") || argc != 3) return Usage();
    const std::string Root = argv[2];
    const bool Update = Mode == "update";
    int Failures = 0;

    for (const auto& B : ResourceBitmaps()) {
        std::string Path = Root + "/resources/bitmaps/" + B.FileName;
        std::string Want(B.Data.begin(), B.Data.end());
        bool Found;
        std::string Have = ReadText(Path, Found);
        if (Found && Have == Want) continue;
        if (Update) {
            if (!WriteText(Path, Want)) {
                std::fprintf(stderr, "skingen: cannot write %s\n", Path.c_str());
                ++Failures;
            }
        } else {
            std::fprintf(stderr, "skingen: %s differs from the drawing (run skingen update)\n", Path.c_str());
            ++Failures;
        }
    }

    const std::string Path = Root + FormPath;
    bool Found;
    std::string Form = ReadText(Path, Found);
    if (!Found) {
        std::fprintf(stderr, "skingen: cannot read %s\n", Path.c_str());
        return 1;
    }
    const std::string Expected = StoredBytes();
    std::string Why = CompareForm(Form, Expected);
    if (!Why.empty()) {
        if (!Update) {
            std::fprintf(stderr, "skingen: %s: %s (run skingen update)\n", Path.c_str(), Why.c_str());
            ++Failures;
        } else if (!ReplaceBlock(Form, HexBlock(Expected)) || !WriteText(Path, Form)) {
            std::fprintf(stderr, "skingen: cannot update %s\n", Path.c_str());
            ++Failures;
        }
    }
    return Failures ? 1 : 0;
}

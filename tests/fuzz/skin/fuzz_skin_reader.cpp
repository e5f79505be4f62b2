// The skin file reader on any bytes. The first byte picks the input: the
// bytes as a whole skin file (the decoder on damaged streams), or the bytes
// as a container payload packed by the generator's encoder (the container
// parser, and the encoder and decoder going round). Nothing may read outside
// its buffers, and a packed payload must decode to itself.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/commctl/testhooks.h"
#include "skin/skin_reader.h"
#include "tools/skingen/lzh_encoder.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("TESSARO_SCREEN", "headless", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    if (Size == 0) return 0;
    const std::vector<uint8_t> Rest(Data + 1, Data + Size);
    std::vector<uint8_t> File = Rest;
    if (Data[0] & 1) {
        File = PackSkinFile(Rest);
        TMemoryStream Source, Target;
        Source.WriteBuffer(File.data(), static_cast<int64_t>(File.size()));
        TSkinReader R;
        if (!R.Decompress(Source, Target) || Target.Size() != static_cast<int64_t>(Rest.size()) ||
            (!Rest.empty() && std::memcmp(Target.Memory(), Rest.data(), Rest.size()) != 0))
            abort();
    }
    TMemoryStream Source;
    if (!File.empty()) Source.WriteBuffer(File.data(), static_cast<int64_t>(File.size()));
    // The version message is answered at once.
    TestHookQueueMessageBoxAnswer(1);
    TSkinReader R;
    if (R.LoadFromStream(Source)) {
        TMemoryStream Entry;
        for (int i = 0; i < R.Count(); ++i) R.ExtractFile(R.Names()[i], Entry);
        std::string Name;
        R.FindFileContaining(".ini", Entry, Name);
    }
    TestHookClearMessageBoxAnswers();
    TestHookClearMessageBoxLog();
    return 0;
}

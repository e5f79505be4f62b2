// Theme files of any content: the reader must end, stay inside its buffers and
// hand out only what lies inside the file; every key is looked up, pictures loaded.
#include <cstddef>
#include <cstdint>

#include "controls/skinned/sc_style_table.h"
#include "controls/skinned/sc_theme_file_reader.h"
#include "platform/classlib/graphics.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    try {
        TscThemeFileReader R(Data, Size);
        for (int Key = 0; Key <= scStyleKeyCount + 1; ++Key) {
            const char* Name = StyleKeyName(Key);
            (void)R.GetInteger(Name);
            (void)R.GetBool(Name);
            (void)R.GetText(Name);
            if (TMemoryStream* S = R.GetStream(Name)) {
                if (S->Size() > int64_t(Size)) __builtin_trap();
                try {
                    TBitmap B;
                    B.LoadFromStream(*S);
                } catch (const Exception&) {
                }
            }
        }
    } catch (const EscInvalidThemeFile&) {
    }
    // The built-in getters with a style and key taken from the input.
    if (Size >= 2) {
        auto Style = static_cast<TscUIStyle>(Data[0]);
        int Key = static_cast<int8_t>(Data[1]), Kind = 0;
        (void)GetBuiltInStyleValue(Style, Key, Kind);
        (void)GetBuiltInStyleInteger(Style, Key);
        (void)GetBuiltInStyleColor(Style, Key);
        (void)GetBuiltInStyleBool(Style, Key);
        (void)GetBuiltInStyleImageName(Style, Key);
        (void)StyleKeyKind(Key);
    }
    return 0;
}

#include "pipeline/source_list.h"

#include <algorithm>

#include "core/globals.h"
#include "core/ui_texts.h"
#include "pipeline/converter_parser.h"

const std::string* ProbeRefusal(const TFileItem& Item) {
    if (Item.CompleteName.empty()) return &STR_MAIN_AddingError1;
    if (Item.FileSize.empty()) return &STR_MAIN_AddingError2;
    if (Item.PlayTime.empty()) return &STR_MAIN_AddingError3;
    // The library reports a missing stream kind with an empty count rather than "0":
    // a file with neither sound nor picture must not pass as a title.
    auto none = [](const std::string& Count) { return Count.empty() || Count == "0"; };
    if (none(Item.VideoCount) && none(Item.AudioCount)) return &STR_MAIN_AddingError4;
    return nullptr;
}

bool IsSupportedExtension(const std::string& Ext) {
    if (Ext.empty() || !FilterList) return false;
    for (int i = 0; i < FilterList->Count(); ++i) {
        // "*.avi;*.mpg": the extension must be one of the patterns, not a part of one,
        // so that ".a" or ".mp" are not taken for ".avi" or ".mpg".
        TStringList masks = SplitText(FilterList->ValueFromIndex(i), ";");
        for (int k = 0; k < masks.Count(); ++k) {
            std::string m = Trim(masks[k]);
            if (!m.empty() && MatchesMask("x" + Ext, m)) return true;
        }
    }
    return false;
}

std::string BuildOpenFilterText() {
    std::string s;
    if (FilterList)
        for (int i = 0; i < FilterList->Count(); ++i) s += FilterList->Names(i) + "|" + FilterList->ValueFromIndex(i) + "|";
    return s + STR_AllFiles + "|*.*";
}

int64_t PlayTimeToMs(const std::string& Text) {
    TStringList parts = SplitText(Text, ".");
    TStringList clock = SplitText(parts.Count() > 0 ? parts[0] : std::string(), ":");
    auto read = [](const TStringList& l, int i) {
        int v = 0;
        if (i < l.Count() && TryStrToInt(l[i], v)) return v;
        return 0;
    };
    // 32-bit arithmetic, widened at the end, as the meter has always counted
    int32_t ms = static_cast<int32_t>(static_cast<int64_t>(read(clock, 0)) * 3600000 + read(clock, 1) * 60000 +
                                      read(clock, 2) * 1000 + read(parts, 1));
    return ms;
}

TSizeEstimate EstimateSize(int64_t TotalMs, int32_t Quality) {
    TSizeEstimate e;
    double factor = Quality / 100.0;
    e.SizeMB = Round(factor * static_cast<double>(TotalMs) / 100000.0);
    if (e.SizeMB < 4250) {
        e.BarColor = RGB(35, 126, 216);
    } else if (e.SizeMB <= 4482) {
        e.BarColor = RGB(255, 128, 0);
    } else {
        e.BarColor = RGB(218, 17, 5);
        e.Warn = true;
    }
    int64_t capped = std::min<int64_t>(e.SizeMB, 5000);
    e.BarWidth = std::max(1, static_cast<int>(Trunc(capped * 0.076)));
    return e;
}

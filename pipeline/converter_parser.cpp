#include "pipeline/converter_parser.h"

#include <cmath>
#include <cstdlib>

TStringList SplitText(const std::string& Text, const std::string& Delimiter) {
    TStringList parts;
    if (Delimiter.empty()) {
        parts.Add(Text);
        return parts;
    }
    size_t start = 0;
    for (;;) {
        size_t at = Text.find(Delimiter, start);
        if (at == std::string::npos) {
            parts.Add(Text.substr(start));
            return parts;
        }
        parts.Add(Text.substr(start, at - start));
        start = at + Delimiter.size();
    }
}

// Reads the whole text as a decimal number with '.'; false when it does not read.
static bool ReadDecimal(const std::string& s, double& v) {
    std::string t = Trim(s);
    if (t.empty()) return false;
    char* end = nullptr;
    v = std::strtod(t.c_str(), &end);
    return end && *end == '\0' && std::isfinite(v);
}

int64_t DurationToMs(const std::string& Text) {
    TStringList parts = SplitText(Text, ":");
    auto part = [&](int i) { return i < parts.Count() ? parts[i] : std::string(); };
    int hours = 0, minutes = 0;
    TryStrToInt(part(0), hours);
    TryStrToInt(part(1), minutes);
    double seconds = 0;
    if (!ReadDecimal(part(2), seconds)) seconds = 0;
    return static_cast<int64_t>(hours) * 3600000 + static_cast<int64_t>(minutes) * 60000 + Round(seconds * 1000);
}

std::string TextBetween(const std::string& Text, const std::string& Opening, const std::string& Closing) {
    size_t at = Text.find(Opening);
    if (at == std::string::npos) return "";
    size_t start = at + Opening.size();
    if (start >= Text.size()) return "";
    size_t close = Text.find(Closing, start + 1);
    if (close == std::string::npos) return "";
    return Trim(Text.substr(start, close - start));
}

bool ReadTimeValue(const std::string& Text, int64_t& Ms) {
    std::string t = Trim(Text);
    if (t.empty() || t == "N/A") return false;
    if (t == "10000000000.0") {
        Ms = 0;
        return true;
    }
    if (t.find(':') != std::string::npos) {
        Ms = DurationToMs(t);
        return true;
    }
    double seconds = 0;
    if (!ReadDecimal(t, seconds)) return false;
    Ms = Round(seconds * 1000);
    return true;
}

static bool StartsWith(const std::string& s, const char* p) { return s.rfind(p, 0) == 0; }
static bool Has(const std::string& s, const char* p) { return s.find(p) != std::string::npos; }

bool IsConverterErrorLine(const std::string& Line, const std::string& Predecessor, const std::string& Source) {
    if (Has(Line, "No audio or video streams available") || Has(Line, "I/O error occured") ||
        Has(Line, "Could not open"))
        return true;
    if (StartsWith(Line, "Error") && !StartsWith(Line, "Error while decoding stream")) return true;
    if (!Source.empty() && StartsWith(Line, (Source + ": ").c_str())) return true;
    if (Has(Predecessor, "Stream") && Has(Predecessor, "->") && !Has(Line, "Stream") && !Has(Line, "size=")) {
        bool bracketAt = StartsWith(Line, "[") && Has(Line, "@");
        // The converter names its output right after the mapping; that is no error.
        bool outputHeader = StartsWith(Line, "Output #");
        if (!bracketAt && !outputHeader) return true;
    }
    return false;
}

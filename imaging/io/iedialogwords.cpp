#include "imaging/io/iedialogwords.h"

#include <array>
#include <string>

#include "platform/rtl/userlangid.h"

namespace {

std::array<std::array<std::string, IEDialogWordCount>, IEMsgLanguageCount>& Table() {
    static std::array<std::array<std::string, IEDialogWordCount>, IEMsgLanguageCount> T;
    return T;
}

TMsgLanguage SystemLanguage = msEnglish;

const char* const EnglishWords[IEDialogWordCount] = {
    "Preview", "Original", "Result", "OK", "Cancel", "Lock preview", "Copy Result to Original", "Contrast",
    "Brightness", "Hue", "Saturation", "Value", "Base color", "New color", "Luminosity", "Red", "Green", "Blue",
    "Filter values", "Presets", "Divisor", "Load", "Save", "Equalization", "Threshold", "Equalize", "Histogram",
    "Gray", "Light", "Left", "Top", "Width", "Height", "Color", "Original image quantity", "Lens", "Refraction",
    "Parameters Preview", "Quality", "DCT method", "Smoothing factor", "Gray scale", "Optimal Huffman",
    "Original size", "Compressed size", "Advanced", "Progressive", "Compression", "Image index", "Photometric",
    "Scanned document info", "Name", "Description", "Page name", "Page number", "of", "Horiz. Position (inch)",
    "Vert. Position (inch)", "Colors", "Transparent", "Transparent color", "Interlaced", "Background",
    "Horiz. Position", "Vert. Position", "Delay time", "Filter", "Wave", "Amplitude", "Wave length", "Phase",
    "Reflective", "User filter", "Morphing filters", "Window size", "Maximum", "Minimum", "Opening", "Closing",
    "Rotate", "Flip", "Horizontal", "Vertical", "Frequency domain image", "Select the region to clean", "Clear",
    "Reset", "Animate", "Load filter", "Save filter", "Bump map", "Print", "Margins", "inches", "Right",
    "Bottom", "Position", "Size", "Normal", "Fit to page", "Stretch to page", "Specified size",
    "Gamma correction", "Value", "Print Setup", "Left Margin", "Top Margin", "Right Margin", "Bottom Margin",
    "Location/size", "Top Left", "Top Center", "Top Right", "Center Left", "Center", "Center Right",
    "Bottom Left", "Bottom Center", "Bottom Right", "Close", "Apply", "Measure Units", "Units", "Rate",
    "All graphics", "Video for Windows", "File", "Mem",
    "Automatically updates your preview with the changes you have selected", "Print All", "Print Selected",
    "Common Graphic Files", "All Files",
};

}  // namespace

void InitDialogWordTable() {
    for (int w = 0; w < IEDialogWordCount; ++w) SetDialogWord(msEnglish, w, EnglishWords[w]);
    IEUpdateSystemLanguage();
}

void SetDialogWord(int Language, int Word, const std::string& Text) {
    if (Language < 0 || Language >= IEMsgLanguageCount || Word < 0 || Word >= IEDialogWordCount) return;
    Table()[static_cast<size_t>(Language)][static_cast<size_t>(Word)] = Text;
}

TMsgLanguage MsgLanguageOfLangID(uint16_t LangId) {
    switch (PRIMARYLANGID(LangId)) {
        case 4:
            switch (SUBLANGID(LangId)) {
                case 1: return msChineseTraditional;
                case 2: return msChinese;
                default: return msEnglish;
            }
        case 5: return msCzech;
        case 7: return msGerman;
        case 8: return msGreek;
        case 9: return msEnglish;
        case 10: return msSpanish;
        case 11: return msFinnish;
        case 12: return msFrench;
        case 16: return msItalian;
        case 17: return msJapanese;
        case 19: return msDutch;
        case 21: return msPolish;
        case 22: return msPortuguese;
        case 25: return msRussian;
        case 29: return msSwedish;
        case 41: return msFarsi;
        default: return msEnglish;
    }
}

void IEUpdateSystemLanguage() { SystemLanguage = MsgLanguageOfLangID(GetUserDefaultLangID()); }

TMsgLanguage IESystemLanguage() { return SystemLanguage; }

std::string GetDialogWord(int Word, TMsgLanguage Language) {
    if (Word < 0 || Word >= IEDialogWordCount) return {};
    int row = Language == msSystem ? SystemLanguage : Language;
    if (row < 0 || row >= IEMsgLanguageCount) row = msEnglish;
    const std::string& w = Table()[static_cast<size_t>(row)][static_cast<size_t>(Word)];
    return w.empty() ? Table()[msEnglish][static_cast<size_t>(Word)] : w;
}

// A shared library the program opens on its first use instead of at start, so
// that start-up does not pay for the libraries (and the libraries they pull in)
// of work the user may never ask for.
#pragma once

#include <cstring>
#include <string>

class TSharedLibrary {
public:
    // What names the library in an error ("video decoding") and its file name
    // as the loader looks it up ("libavformat.so.59").
    TSharedLibrary(std::string Purpose, std::string FileName);
    ~TSharedLibrary();
    TSharedLibrary(const TSharedLibrary&) = delete;
    TSharedLibrary& operator=(const TSharedLibrary&) = delete;

    // Opens the library; false (with Error() set) when it cannot be loaded.
    bool Open();
    // Sets Function to the library's entry Name; false (with Error() set) when
    // the library lacks it. The type of Function is the entry's declared type.
    template <class F>
    bool Bind(F*& Function, const char* Name) {
        void* p = Symbol(Name);
        if (p) std::memcpy(&Function, &p, sizeof p);
        return p != nullptr;
    }
    // "video decoding is unavailable: <the loader's message>"; empty when all went well.
    const std::string& Error() const { return Message; }
    // Writes Error() to the standard error stream (once per library).
    void ReportError();

private:
    void* Symbol(const char* Name);
    std::string Purpose, FileName, Message;
    void* Handle = nullptr;
    bool Reported = false;
};

// The worker thread of the I/O component's asynchronous mode: it runs one
// operation of its owner again, on itself, then leaves the owner's list and
// frees itself.
#pragma once

#include <cstdint>
#include <string>

#include "imaging/io/ieformats.h"
#include "platform/classlib/threads.h"
#include "platform/rtl/classes.h"

class TIEImageIO;

class TIEIOThread : public TThread {
public:
    using TFileProc = void (TIEImageIO::*)(const std::string&);
    using TStreamProc = void (TIEImageIO::*)(TStream&);
    using TFileFunc = int32_t (TIEImageIO::*)(const std::string&);
    using TStreamFunc = int32_t (TIEImageIO::*)(TStream&);
    using TFileFormatProc = void (TIEImageIO::*)(const std::string&, TIOFormatCode);
    using TStreamFormatProc = void (TIEImageIO::*)(TStream&, TIOFormatCode);
    using TIntProc = void (TIEImageIO::*)(int32_t);
    using TMetafileProc = void (TIEImageIO::*)(const std::string&, int32_t, bool, int32_t);
    using TURLProc = void (TIEImageIO::*)(const std::string&);

    // Each constructor fixes the call kind, enters the owner's list and starts the thread.
    TIEIOThread(TIEImageIO* Owner, TFileProc Method, const std::string& FileName);        // 0
    TIEIOThread(TIEImageIO* Owner, TStreamProc Method, TStream& Stream);                  // 1
    TIEIOThread(TIEImageIO* Owner, TFileFunc Method, const std::string& FileName);        // 2
    TIEIOThread(TIEImageIO* Owner, TStreamFunc Method, TStream& Stream);                  // 4
    TIEIOThread(TIEImageIO* Owner, TFileFormatProc Method, const std::string& FileName,
                TIOFormatCode Format);                                                    // 5
    TIEIOThread(TIEImageIO* Owner, TStreamFormatProc Method, TStream& Stream,
                TIOFormatCode Format);                                                    // 6
    TIEIOThread(TIEImageIO* Owner, TIntProc Method, int32_t Value);                       // 8
    TIEIOThread(TIEImageIO* Owner, TMetafileProc Method, const std::string& FileName, int32_t Width,
                bool WithAlpha, int32_t Height);                                          // 9
    // Kind 10: an address to load (a separate tag keeps it apart from kind 0).
    struct URLTag {};
    TIEIOThread(URLTag, TIEImageIO* Owner, TURLProc Method, const std::string& URL);      // 10

    int Kind() const { return FKind; }

protected:
    void Execute() override;

private:
    void Enlist();

    TIEImageIO* FOwner;
    int FKind = 0;
    TFileProc FFileProc = nullptr;
    TStreamProc FStreamProc = nullptr;
    TFileFunc FFileFunc = nullptr;
    TStreamFunc FStreamFunc = nullptr;
    TFileFormatProc FFileFormatProc = nullptr;
    TStreamFormatProc FStreamFormatProc = nullptr;
    TIntProc FIntProc = nullptr;
    TMetafileProc FMetafileProc = nullptr;
    TURLProc FURLProc = nullptr;
    std::string FName;
    TStream* FStream = nullptr;
    TIOFormatCode FFormat = 0;
    int32_t FInteger = 0;
    int32_t FMetaWidth = 0, FMetaHeight = 0;
    bool FMetaAlpha = false;
};

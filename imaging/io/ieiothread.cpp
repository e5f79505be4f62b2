#include "imaging/io/ieiothread.h"

#include "imaging/io/ieimageio.h"
#include "platform/system/process.h"
#include "platform/win/winuser.h"

TIEIOThread::TIEIOThread(TIEImageIO* Owner, TFileProc Method, const std::string& FileName)
    : FOwner(Owner), FKind(0), FFileProc(Method), FName(FileName) {
    Enlist();
}

TIEIOThread::TIEIOThread(TIEImageIO* Owner, TStreamProc Method, TStream& Stream)
    : FOwner(Owner), FKind(1), FStreamProc(Method), FStream(&Stream) {
    Enlist();
}

TIEIOThread::TIEIOThread(TIEImageIO* Owner, TFileFunc Method, const std::string& FileName)
    : FOwner(Owner), FKind(2), FFileFunc(Method), FName(FileName) {
    Enlist();
}

TIEIOThread::TIEIOThread(TIEImageIO* Owner, TStreamFunc Method, TStream& Stream)
    : FOwner(Owner), FKind(4), FStreamFunc(Method), FStream(&Stream) {
    Enlist();
}

TIEIOThread::TIEIOThread(TIEImageIO* Owner, TFileFormatProc Method, const std::string& FileName,
                         TIOFormatCode Format)
    : FOwner(Owner), FKind(5), FFileFormatProc(Method), FName(FileName), FFormat(Format) {
    Enlist();
}

TIEIOThread::TIEIOThread(TIEImageIO* Owner, TStreamFormatProc Method, TStream& Stream, TIOFormatCode Format)
    : FOwner(Owner), FKind(6), FStreamFormatProc(Method), FStream(&Stream), FFormat(Format) {
    Enlist();
}

TIEIOThread::TIEIOThread(TIEImageIO* Owner, TIntProc Method, int32_t Value)
    : FOwner(Owner), FKind(8), FIntProc(Method), FInteger(Value) {
    Enlist();
}

TIEIOThread::TIEIOThread(TIEImageIO* Owner, TMetafileProc Method, const std::string& FileName, int32_t Width,
                         bool WithAlpha, int32_t Height)
    : FOwner(Owner), FKind(9), FMetafileProc(Method), FName(FileName), FMetaWidth(Width), FMetaHeight(Height),
      FMetaAlpha(WithAlpha) {
    Enlist();
}

TIEIOThread::TIEIOThread(URLTag, TIEImageIO* Owner, TURLProc Method, const std::string& URL)
    : FOwner(Owner), FKind(10), FURLProc(Method), FName(URL) {
    Enlist();
}

void TIEIOThread::Enlist() {
    FreeOnTerminate = true;
    FOwner->AddAsyncThread(this);
    Start();
}

void TIEIOThread::Execute() {
    FOwner->SetAsyncThreadId(this, GetCurrentThreadId());
    TIEImageIO& O = *FOwner;
    try {
        switch (FKind) {
            case 0: (O.*FFileProc)(FName); break;
            case 1: (O.*FStreamProc)(*FStream); break;
            case 2: (O.*FFileFunc)(FName); break;
            case 4: (O.*FStreamFunc)(*FStream); break;
            case 5: (O.*FFileFormatProc)(FName, FFormat); break;
            case 6: (O.*FStreamFormatProc)(*FStream, FFormat); break;
            case 8: (O.*FIntProc)(FInteger); break;
            case 9: (O.*FMetafileProc)(FName, FMetaWidth, FMetaAlpha, FMetaHeight); break;
            case 10: (O.*FURLProc)(FName); break;
            default: break;
        }
    } catch (...) {
        OutputDebugStringA("Exception in TIEIOThread.Execute");
        O.Aborting = true;
    }
    // The owner's last use: once out of its list it may be destroyed.
    FOwner->RemoveAsyncThread(this);
    FOwner = nullptr;
}

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/rtl/classes.h"

void Abort() { throw EAbort("Operation aborted"); }

// ---- TStream --------------------------------------------------------------

int64_t TStream::Size() {
    int64_t pos = Seek(0, soCurrent);
    int64_t end = Seek(0, soEnd);
    Seek(pos, soBeginning);
    return end;
}

void TStream::SetSize(int64_t) { throw EStreamError("Stream size cannot be changed"); }

void TStream::ReadBuffer(void* Buffer, int64_t Count) {
    auto* p = static_cast<unsigned char*>(Buffer);
    while (Count > 0) {
        int64_t n = Read(p, Count);
        if (n <= 0) throw EReadError("Stream read error");
        p += n;
        Count -= n;
    }
}

void TStream::WriteBuffer(const void* Buffer, int64_t Count) {
    const auto* p = static_cast<const unsigned char*>(Buffer);
    while (Count > 0) {
        int64_t n = Write(p, Count);
        if (n <= 0) throw EWriteError("Stream write error");
        p += n;
        Count -= n;
    }
}

int64_t TStream::CopyFrom(TStream& Source, int64_t Count) {
    if (Count == 0) {
        Source.SetPosition(0);
        Count = Source.Size();
    }
    int64_t total = Count;
    std::vector<unsigned char> buf(static_cast<std::size_t>(std::min<int64_t>(Count, 1 << 20)) + 1);
    while (Count > 0) {
        int64_t n = std::min<int64_t>(Count, static_cast<int64_t>(buf.size()));
        Source.ReadBuffer(buf.data(), n);
        WriteBuffer(buf.data(), n);
        Count -= n;
    }
    return total;
}

// ---- THandleStream / TFileStream -----------------------------------------

int64_t THandleStream::Read(void* Buffer, int64_t Count) {
    if (Count <= 0) return 0;
    for (;;) {
        ssize_t n = ::read(FHandle, Buffer, static_cast<size_t>(Count));
        if (n < 0 && errno == EINTR) continue;
        return n < 0 ? 0 : n;
    }
}

int64_t THandleStream::Write(const void* Buffer, int64_t Count) {
    if (Count <= 0) return 0;
    for (;;) {
        ssize_t n = ::write(FHandle, Buffer, static_cast<size_t>(Count));
        if (n < 0 && errno == EINTR) continue;
        return n < 0 ? 0 : n;
    }
}

int64_t THandleStream::Seek(int64_t Offset, TSeekOrigin Origin) {
    int whence = Origin == soBeginning ? SEEK_SET : Origin == soCurrent ? SEEK_CUR : SEEK_END;
    off_t r = ::lseek(FHandle, static_cast<off_t>(Offset), whence);
    return r < 0 ? -1 : static_cast<int64_t>(r);
}

void THandleStream::SetSize(int64_t NewSize) {
    if (::ftruncate(FHandle, static_cast<off_t>(NewSize)) != 0)
        throw EStreamError(std::string("Stream size cannot be changed. ") + std::strerror(errno));
    if (Position() > NewSize) Seek(NewSize, soBeginning);
}

TFileStream::TFileStream(const std::string& FileName, uint16_t Mode) : THandleStream(-1), FFileName(FileName) {
    if ((Mode & 0xFF00) == fmCreate) {
        FHandle = ::open(FileName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (FHandle < 0)
            throw EFCreateError("Cannot create file \"" + FileName + "\". " + std::strerror(errno));
        return;
    }
    int access = (Mode & 3) == fmOpenWrite ? O_WRONLY : (Mode & 3) == fmOpenReadWrite ? O_RDWR : O_RDONLY;
    FHandle = ::open(FileName.c_str(), access | O_CLOEXEC);
    if (FHandle < 0) throw EFOpenError("Cannot open file \"" + FileName + "\". " + std::strerror(errno));
    struct stat st;
    if (::fstat(FHandle, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(FHandle);
        FHandle = -1;
        throw EFOpenError("Cannot open file \"" + FileName + "\". " + std::strerror(EISDIR));
    }
}

TFileStream::~TFileStream() {
    if (FHandle >= 0) ::close(FHandle);
}

// ---- Memory streams -------------------------------------------------------

static int64_t SeekIn(int64_t& pos, int64_t size, int64_t Offset, TSeekOrigin Origin) {
    int64_t base = Origin == soBeginning ? 0 : Origin == soCurrent ? pos : size;
    int64_t np = base + Offset;
    if (np < 0) return -1;
    pos = np;
    return pos;
}

int64_t TMemoryStream::Read(void* Buffer, int64_t Count) {
    int64_t avail = static_cast<int64_t>(FData.size()) - FPosition;
    int64_t n = std::max<int64_t>(0, std::min(Count, avail));
    if (n > 0) std::memcpy(Buffer, FData.data() + FPosition, static_cast<size_t>(n));
    FPosition += n;
    return n;
}

int64_t TMemoryStream::Write(const void* Buffer, int64_t Count) {
    if (Count <= 0) return 0;
    int64_t end = FPosition + Count;
    if (end > static_cast<int64_t>(FData.size())) FData.resize(static_cast<size_t>(end));
    std::memcpy(FData.data() + FPosition, Buffer, static_cast<size_t>(Count));
    FPosition = end;
    return Count;
}

int64_t TMemoryStream::Seek(int64_t Offset, TSeekOrigin Origin) {
    return SeekIn(FPosition, static_cast<int64_t>(FData.size()), Offset, Origin);
}

void TMemoryStream::SetSize(int64_t NewSize) {
    NewSize = std::max<int64_t>(0, NewSize);  // a negative size must not leave a negative position
    FData.resize(static_cast<size_t>(NewSize));
    if (FPosition > NewSize) FPosition = NewSize;
}

void TMemoryStream::Clear() {
    FData.clear();
    FPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream& Stream) {
    Stream.SetPosition(0);
    int64_t n = Stream.Size();
    SetSize(n);
    if (n > 0) Stream.ReadBuffer(FData.data(), n);
    FPosition = 0;
}

void TMemoryStream::SaveToStream(TStream& Stream) {
    if (!FData.empty()) Stream.WriteBuffer(FData.data(), static_cast<int64_t>(FData.size()));
}

void TMemoryStream::LoadFromFile(const std::string& FileName) {
    TFileStream f(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(f);
}

void TMemoryStream::SaveToFile(const std::string& FileName) {
    TFileStream f(FileName, fmCreate);
    SaveToStream(f);
}

int64_t TStringStream::Read(void* Buffer, int64_t Count) {
    int64_t avail = static_cast<int64_t>(FData.size()) - FPosition;
    int64_t n = std::max<int64_t>(0, std::min(Count, avail));
    if (n > 0) std::memcpy(Buffer, FData.data() + FPosition, static_cast<size_t>(n));
    FPosition += n;
    return n;
}

int64_t TStringStream::Write(const void* Buffer, int64_t Count) {
    if (Count <= 0) return 0;
    int64_t end = FPosition + Count;
    if (end > static_cast<int64_t>(FData.size())) FData.resize(static_cast<size_t>(end));
    std::memcpy(FData.data() + FPosition, Buffer, static_cast<size_t>(Count));
    FPosition = end;
    return Count;
}

int64_t TStringStream::Seek(int64_t Offset, TSeekOrigin Origin) {
    return SeekIn(FPosition, static_cast<int64_t>(FData.size()), Offset, Origin);
}

void TStringStream::SetSize(int64_t NewSize) {
    NewSize = std::max<int64_t>(0, NewSize);  // a negative size must not leave a negative position
    FData.resize(static_cast<size_t>(NewSize));
    if (FPosition > NewSize) FPosition = NewSize;
}

std::string TStringStream::ReadString(int64_t Count) {
    std::string s(static_cast<size_t>(std::max<int64_t>(0, Count)), '\0');
    s.resize(static_cast<size_t>(Read(s.data(), Count)));
    return s;
}

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "platform/rtl/classes.h"
#include "rtl_test_util.h"

namespace {

std::string ReadFile(const std::string& Name) {
    std::ifstream f(Name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

TEST(FileStream, OpenAndCreateErrorsNameTheFileAndTheReason) {
    TempFolder tmp;
    std::ofstream(tmp.Path + "plain") << "x";
    ForceDirectories(tmp.Path + "folder");
    struct Case {
        std::string name;
        uint16_t mode;
        bool create;
        const char* reason;
    };
    const Case cases[] = {
        {tmp.Path + "missing é.bin", fmOpenRead, false, std::strerror(ENOENT)},
        {tmp.Path + "missing é.bin", fmOpenReadWrite | fmShareDenyWrite, false, std::strerror(ENOENT)},
        {tmp.Path + "folder", fmOpenRead, false, std::strerror(EISDIR)},
        {tmp.Path + "plain/below", fmCreate, true, std::strerror(ENOTDIR)},
        {tmp.Path + "no folder/new.bin", fmCreate, true, std::strerror(ENOENT)},
    };
    for (const auto& c : cases) {
        try {
            TFileStream f(c.name, c.mode);
            ADD_FAILURE() << "opened " << c.name;
        } catch (const EStreamError& e) {
            std::string verb = c.create ? "create" : "open";
            EXPECT_EQ(e.Message, "Cannot " + verb + " file \"" + c.name + "\". " + c.reason);
            EXPECT_EQ(dynamic_cast<const EFCreateError*>(&e) != nullptr, c.create) << c.name;
            EXPECT_EQ(dynamic_cast<const EFOpenError*>(&e) != nullptr, !c.create) << c.name;
        }
    }
}

TEST(FileStream, ModesCreateTruncateWriteAndSeek) {
    TempFolder tmp;
    const std::string name = tmp.Path + "données.bin";
    {
        TFileStream f(name, fmCreate);
        f.WriteBuffer("hello world", 11);
        EXPECT_EQ(f.Size(), 11);
        EXPECT_EQ(f.Seek(-5, soEnd), 6);
        f.WriteBuffer("WORLD", 5);
        EXPECT_EQ(f.FileName(), name);
    }
    EXPECT_EQ(ReadFile(name), "hello WORLD");
    {
        TFileStream f(name, fmOpenRead);
        char buf[5];
        f.SetPosition(6);
        f.ReadBuffer(buf, 5);
        EXPECT_EQ(std::string(buf, 5), "WORLD");
        EXPECT_EQ(f.Write("x", 1), 0);  // opened for reading only
        EXPECT_THROW(f.WriteBuffer("x", 1), EWriteError);
    }
    {
        TFileStream f(name, fmOpenReadWrite);
        f.SetSize(5);
        EXPECT_EQ(f.Position(), 0);
        f.Seek(0, soEnd);
        f.WriteBuffer("!", 1);
    }
    EXPECT_EQ(ReadFile(name), "hello!");
    {
        TFileStream f(name, fmCreate);  // truncates
    }
    EXPECT_EQ(ReadFile(name), "");
}

TEST(MemoryStream, GrowthSeekAndShortReads) {
    TMemoryStream m;
    EXPECT_EQ(m.Size(), 0);
    std::string block(100000, 'a');
    for (int i = 0; i < 10; ++i) m.WriteBuffer(block.data(), static_cast<int64_t>(block.size()));
    EXPECT_EQ(m.Size(), 1000000);
    EXPECT_EQ(m.Position(), 1000000);

    // Seeking past the end and writing fills the gap with zeros.
    EXPECT_EQ(m.Seek(10, soEnd), 1000010);
    m.WriteBuffer("z", 1);
    EXPECT_EQ(m.Size(), 1000011);
    EXPECT_EQ(static_cast<const char*>(m.Memory())[1000005], '\0');
    EXPECT_EQ(m.Seek(-1, soCurrent), 1000010);
    EXPECT_EQ(m.Seek(-1, soBeginning), -1);  // refused, position kept
    EXPECT_EQ(m.Position(), 1000010);

    char buf[4];
    m.SetPosition(1000009);
    EXPECT_EQ(m.Read(buf, 4), 2);
    EXPECT_EQ(m.Read(buf, 4), 0);
    m.SetPosition(1000009);
    try {
        m.ReadBuffer(buf, 4);
        ADD_FAILURE() << "short read accepted";
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message, "Stream read error");
    }
    m.Seek(50, soEnd);
    EXPECT_EQ(m.Read(buf, 4), 0);  // beyond the end

    m.SetSize(3);
    EXPECT_EQ(m.Position(), 3);
    m.SetSize(-4);
    EXPECT_EQ(m.Size(), 0);
    EXPECT_EQ(m.Position(), 0);
    EXPECT_EQ(m.Read(buf, 4), 0);
    m.Clear();
    EXPECT_EQ(m.Size(), 0);
}

TEST(Streams, CopyFromAndFileRoundTrip) {
    TempFolder tmp;
    TStringStream src("0123456789");
    src.SetPosition(2);
    TMemoryStream dst;
    EXPECT_EQ(dst.CopyFrom(src, 3), 3);
    EXPECT_EQ(std::string(static_cast<const char*>(dst.Memory()), 3), "234");
    EXPECT_EQ(src.Position(), 5);
    EXPECT_EQ(dst.CopyFrom(src, 0), 10);  // all of the source, from its start
    EXPECT_EQ(dst.Size(), 13);
    src.SetPosition(8);
    EXPECT_THROW(dst.CopyFrom(src, 5), EReadError);

    const std::string name = tmp.Path + "copy ü.bin";
    dst.SaveToFile(name);
    EXPECT_EQ(ReadFile(name), "2340123456789");  // the failed copy wrote nothing
    TMemoryStream back;
    back.LoadFromFile(name);
    EXPECT_EQ(back.Size(), dst.Size());
    EXPECT_EQ(std::memcmp(back.Memory(), dst.Memory(), static_cast<size_t>(dst.Size())), 0);
    EXPECT_EQ(back.Position(), 0);
    EXPECT_THROW(back.LoadFromFile(tmp.Path + "missing"), EFOpenError);

    TStringStream s;
    s.WriteString("abc");
    s.SetPosition(1);
    EXPECT_EQ(s.ReadString(10), "bc");
    s.SetPosition(1);
    s.WriteString("XYZ");
    EXPECT_EQ(s.DataString(), "aXYZ");
    s.SetSize(2);
    EXPECT_EQ(s.DataString(), "aX");
    EXPECT_EQ(s.Position(), 2);
}

TEST(Streams, HandleStreamLeavesTheDescriptorOpen) {
    TempFolder tmp;
    const std::string name = tmp.Path + "h.bin";
    int fd = ::open(name.c_str(), O_RDWR | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    {
        THandleStream h(fd);
        h.WriteBuffer("abc", 3);
        EXPECT_EQ(h.Size(), 3);
        EXPECT_EQ(h.Handle(), fd);
    }
    EXPECT_EQ(::lseek(fd, 0, SEEK_CUR), 3);  // still open
    ::close(fd);
    EXPECT_EQ(ReadFile(name), "abc");
}

}  // namespace

#include <string>

#include <gtest/gtest.h>
#include <windows.h>

#include "support/FileInputStream.h"
#include "support/FileOutputStream.h"
#include "support/IOException.h"
#include "support/UniqueResource.h"
#include "tests/driver/CaseTable.h"
#include "tests/driver/ScratchFolder.h"
#include "tests/driver/TextFiles.h"
#include "tests/driver/ThrownBy.h"

namespace {

using testdriver::ScratchFolder;

// Opens path the way another program would, to see what the streams let others do.
UniqueFileHandle openAsOtherProgram(const std::wstring& path, DWORD access) {
    return UniqueFileHandle(::CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

void expectNotOpenPair(const IOException& e, const std::wstring& path) {
    EXPECT_EQ(e.germanMessage, L"Die Datei " + path + L" ist nicht offen");
    EXPECT_EQ(e.englishMessage, L"The file " + path + L" is not open");
    EXPECT_EQ(e.kind, IOException::Resource);
}

class FileStreamTest : public ::testing::Test {
protected:
    ScratchFolder folder{L"support_io_Zürich"};
};

TEST_F(FileStreamTest, EveryUseOfAnUnopenedStreamRaisesTheNotOpenPairWithThePathAsGiven) {
    // A missing input file, and an output file in a folder that does not exist.
    const std::wstring missingInput = folder / L"fehlt.txt";
    const std::wstring unreachableOutput = folder / L"kein Ordner\\aus.log";
    FileInputStream input(missingInput);
    FileOutputStream output(unreachableOutput);
    EXPECT_FALSE(input.isOpen());
    EXPECT_FALSE(output.isOpen());
    EXPECT_NE(output.openError(), 0);
    EXPECT_NE(output.openError(), 13);
    EXPECT_FALSE(output.exists());

    char buffer[16];
    using Use = void (*)(FileInputStream&, FileOutputStream&, char*);
    testdriver::forEachCase<std::wstring, Use>({
        {"read", missingInput, [](FileInputStream& in, FileOutputStream&, char* b) { in.read(b, 16); }},
        {"write", unreachableOutput, [](FileInputStream&, FileOutputStream& out, char* b) { out.write(b, 1); }},
        {"write of nothing", unreachableOutput, [](FileInputStream&, FileOutputStream& out, char* b) { out.write(b, 0); }},
        {"flush", unreachableOutput, [](FileInputStream&, FileOutputStream& out, char*) { out.flush(); }},
    }, [&](const std::wstring& path, Use use) {
        const IOException e = testdriver::thrownBy([&] { use(input, output, buffer); });
        expectNotOpenPair(e, path);
    });
    // Closing what never opened does nothing, twice.
    input.close();
    input.close();
    output.close();
    output.close();
}

TEST_F(FileStreamTest, WrittenBytesComeBackAndEndOfInputRepeats) {
    const std::wstring path = folder / L"daten.bin";
    std::string bytes(5000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
    {
        FileOutputStream output(path);
        ASSERT_TRUE(output.isOpen());
        EXPECT_EQ(output.openError(), 0);
        EXPECT_EQ(output.write(bytes.data(), 0), 0);
        EXPECT_EQ(output.write(bytes.data(), 3000), 3000);
        EXPECT_EQ(output.write(bytes.data() + 3000, 2000), 2000);
        output.close();
        EXPECT_FALSE(output.isOpen());
        output.close();
    }
    FileInputStream input(path);
    ASSERT_TRUE(input.isOpen());
    std::string back;
    char block[1024];
    int count = 0;
    while ((count = input.read(block, sizeof block)) > 0) back.append(block, static_cast<std::size_t>(count));
    EXPECT_EQ(back, bytes);
    EXPECT_EQ(input.read(block, sizeof block), 0);
    EXPECT_EQ(input.read(block, sizeof block), 0);
}

TEST_F(FileStreamTest, EmptyFileEndsAtOnce) {
    const std::wstring path = folder / L"leer.txt";
    testdriver::writeBytes(path, "");
    FileInputStream input(path);
    ASSERT_TRUE(input.isOpen());
    char block[8];
    EXPECT_EQ(input.read(block, sizeof block), 0);
    EXPECT_EQ(input.read(block, sizeof block), 0);
}

TEST_F(FileStreamTest, AnOpenOutputStreamKeepsEveryOtherOpenerOut) {
    const std::wstring path = folder / L"exklusiv.log";
    FileOutputStream first(path);
    ASSERT_TRUE(first.isOpen());

    FileOutputStream second(path);
    EXPECT_FALSE(second.isOpen());
    EXPECT_EQ(second.openError(), 13);
    EXPECT_TRUE(second.exists());
    const IOException e = testdriver::thrownBy([&] { second.write("x", 1); });
    expectNotOpenPair(e, path);

    EXPECT_FALSE(FileInputStream(path).isOpen());
    EXPECT_FALSE(openAsOtherProgram(path, GENERIC_READ));
    EXPECT_FALSE(openAsOtherProgram(path, GENERIC_WRITE));

    // Once closed, the file is free again, and a new writer truncates it.
    first.write("abc", 3);
    first.close();
    FileOutputStream third(path);
    EXPECT_TRUE(third.isOpen());
    EXPECT_EQ(third.openError(), 0);
    third.close();
    EXPECT_EQ(testdriver::fileSize(path), 0);
}

TEST_F(FileStreamTest, AnOpenInputStreamLetsOthersReadAndWrite) {
    const std::wstring path = folder / L"geteilt.log";
    testdriver::writeBytes(path, "line 1\r\n");
    FileInputStream reader(path);
    ASSERT_TRUE(reader.isOpen());

    EXPECT_TRUE(FileInputStream(path).isOpen());
    EXPECT_TRUE(openAsOtherProgram(path, GENERIC_READ));
    const UniqueFileHandle writer = openAsOtherProgram(path, GENERIC_WRITE);
    ASSERT_TRUE(writer);
    // An exclusive writer cannot get in while somebody reads, though.
    FileOutputStream exclusive(path);
    EXPECT_FALSE(exclusive.isOpen());
    EXPECT_EQ(exclusive.openError(), 13);
}

TEST_F(FileStreamTest, ExistsAsksTheFileSystemAtTheTimeOfTheCall) {
    const std::wstring path = folder / L"später.txt";
    FileOutputStream folderStream(folder.path());
    EXPECT_FALSE(folderStream.isOpen());
    EXPECT_FALSE(folderStream.exists()) << "a folder is not a file";

    FileOutputStream output(path);
    ASSERT_TRUE(output.isOpen());
    EXPECT_TRUE(output.exists());
    output.close();
    ASSERT_TRUE(::DeleteFileW(path.c_str()));
    EXPECT_FALSE(output.exists());
}

}  // namespace

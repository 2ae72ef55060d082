#include <gtest/gtest.h>

#include "report_engine/store/TVRStream.h"
#include "tests/support/PrivateTempFolder.h"

namespace {

QByteArray ReadAll(TVRStream& stream) {
    QByteArray bytes(stream.Size(), Qt::Uninitialized);
    stream.Seek(0);
    stream.Read(bytes.data(), bytes.size());
    return bytes;
}

}  // namespace

// The temporary file has no name: nothing of it shows in the temporary folder while it
// is in use, and nothing can be left there, however the process ends.
TEST(Stream, MovesToAnUnnamedTemporaryFileOnlyPastTheLimit) {
    PrivateTempFolder temporary;
    {
        TVRStream stream(100);
        stream.Write(QByteArray(60, 'a'));
        stream.Write(QByteArray(40, 'b'));  // exactly at the limit: still in memory
        EXPECT_TRUE(stream.InMemory());
        stream.Seek(10);
        stream.Write(QByteArray(5, 'c'));  // overwriting does not grow it
        EXPECT_TRUE(stream.InMemory());

        stream.Seek(100);
        stream.Write(QByteArray(1, 'd'));
        ASSERT_FALSE(stream.InMemory());
        EXPECT_EQ(temporary.Entries(), QStringList());

        const QByteArray expected = QByteArray(10, 'a') + QByteArray(5, 'c') + QByteArray(45, 'a') +
                                    QByteArray(40, 'b') + "d";
        EXPECT_EQ(ReadAll(stream), expected);
        EXPECT_EQ(stream.Position(), expected.size());

        // Reading and writing go on in the file.
        stream.Seek(stream.Size());
        stream.WriteInt32(-2);
        stream.Seek(101);
        qint32 value = 0;
        EXPECT_TRUE(stream.ReadInt32(value));
        EXPECT_EQ(value, -2);
        EXPECT_FALSE(stream.ReadInt32(value));  // at the end
        stream.Truncate(50);
        EXPECT_EQ(stream.Size(), 50);
    }
    EXPECT_EQ(temporary.Entries(), QStringList());
}

TEST(Stream, WritingPastTheEndFillsWithZerosAndTruncateCuts) {
    for (const qint64 limit : {qint64(1000), qint64(4)}) {
        TVRStream stream(limit);
        stream.Write(QByteArray("ab"));
        stream.Seek(5);
        stream.Write(QByteArray("z"));
        EXPECT_EQ(ReadAll(stream), QByteArray("ab\0\0\0z", 6)) << limit;
        stream.Truncate(3);
        EXPECT_EQ(stream.Size(), 3) << limit;
        EXPECT_EQ(ReadAll(stream), QByteArray("ab\0", 3)) << limit;
    }
}

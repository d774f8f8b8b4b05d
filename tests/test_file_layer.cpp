// The file table, raw reads and writes, seeking, headers and skipping.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "testutil.h"

using namespace kt;

namespace {
void close_all() {
    for (int h = 0; h < 32; ++h) kelvo_close(h);
}
}  // namespace

TEST(Open, ModesCreateReadAndRefuse) {
    close_all();
    TempFile tmp;
    std::remove(tmp.path().c_str());
    EXPECT_EQ(kelvo_open(tmp.path().c_str(), "r"), -1);  // read mode never creates
    int h = kelvo_open(tmp.path().c_str(), "rb");         // any other mode creates
    ASSERT_EQ(h, 0);
    EXPECT_EQ(kelvo_write(h, "abc", 3), 0u);  // the stream itself is read-only
    kelvo_close(h);
    EXPECT_TRUE(tmp.contents().empty());
    h = kelvo_open(tmp.path().c_str(), "r+b");
    EXPECT_EQ(kelvo_write(h, "abc", 3), 3u);
    kelvo_close(h);
    EXPECT_EQ(tmp.contents(), (Bytes{'a', 'b', 'c'}));
    // "r" opens read-only: writes fail.
    h = kelvo_open(tmp.path().c_str(), "r");
    EXPECT_EQ(kelvo_write(h, "x", 1), 0u);
    kelvo_close(h);
    EXPECT_EQ(kelvo_open(nullptr, "r"), -1);
    EXPECT_EQ(kelvo_open(tmp.path().c_str(), nullptr), -1);
    EXPECT_EQ(kelvo_open("/nonexistent-dir/x", "w"), -1);
}

TEST(Open, WriteModeTruncatesOtherModesKeepTheTail) {
    TempFile tmp(Bytes(100, 'o'));
    int h = kelvo_open(tmp.path().c_str(), "r+");
    ASSERT_GE(h, 0);
    EXPECT_EQ(kelvo_write(h, "0123456789", 10), 10u);
    kelvo_close(h);
    Bytes kept = tmp.contents();
    ASSERT_EQ(kept.size(), 100u);
    EXPECT_EQ(kept[0], '0');
    EXPECT_EQ(kept[10], 'o');
    // A mode beginning with w must not leave the stale tail behind.
    for (const char *mode : {"w", "wb", "w+"}) {
        tmp.write(Bytes(100, 'o'));
        h = kelvo_open(tmp.path().c_str(), mode);
        ASSERT_GE(h, 0);
        EXPECT_EQ(kelvo_write(h, "0123456789", 10), 10u);
        kelvo_close(h);
        EXPECT_EQ(tmp.contents().size(), 10u) << mode;
    }
    // Append adds to the end.
    h = kelvo_open(tmp.path().c_str(), "a");
    EXPECT_EQ(kelvo_write(h, "!", 1), 1u);
    kelvo_close(h);
    EXPECT_EQ(tmp.contents().size(), 11u);
}

TEST(Open, DescriptorsAreNotInherited) {
    TempFile tmp(Bytes{1});
    int h = kelvo_open(tmp.path().c_str(), "r");
    ASSERT_GE(h, 0);
    // The handle's descriptor is the newest one; find it through /proc.
    bool all_cloexec = true;
    for (int fd = 3; fd < 256; ++fd) {
        char link[64], target[512];
        snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
        ssize_t n = readlink(link, target, sizeof target - 1);
        if (n <= 0) continue;
        target[n] = 0;
        if (tmp.path() == target) all_cloexec = all_cloexec && (fcntl(fd, F_GETFD) & FD_CLOEXEC);
    }
    EXPECT_TRUE(all_cloexec);
    kelvo_close(h);
}

TEST(Table, ThirtyTwoSlotsLowestFirstAndClean) {
    close_all();
    TempFile tmp(Bytes{1, 2, 3});
    for (int i = 0; i < 32; ++i) ASSERT_EQ(kelvo_open(tmp.path().c_str(), "r"), i);
    EXPECT_EQ(kelvo_open(tmp.path().c_str(), "r"), -1);
    int fd = open(tmp.path().c_str(), O_RDONLY);
    EXPECT_EQ(kelvo_fidopen(fd, "rb"), -1);  // a full table leaves the caller's descriptor alone
    EXPECT_EQ(fcntl(fd, F_GETFD), 0);
    close(fd);
    kelvo_close(5);
    EXPECT_EQ(kelvo_open(tmp.path().c_str(), "r"), 5);
    close_all();
    // Closing out-of-range or closed handles does nothing.
    kelvo_close(-1);
    kelvo_close(32);
    kelvo_close(3);
    // clean stops at the first free slot.
    ASSERT_EQ(kelvo_open(tmp.path().c_str(), "r"), 0);
    ASSERT_EQ(kelvo_open(tmp.path().c_str(), "r"), 1);
    ASSERT_EQ(kelvo_open(tmp.path().c_str(), "r"), 2);
    kelvo_close(1);
    kelvo_clean();
    EXPECT_EQ(kelvo_open(tmp.path().c_str(), "r"), 0);
    EXPECT_EQ(kelvo_open(tmp.path().c_str(), "r"), 1);
    EXPECT_EQ(kelvo_seek(2, 0, SEEK_CUR), 0);  // 2 stayed open
    close_all();
}

TEST(Table, FidopenAdoptsADescriptor) {
    close_all();
    TempFile tmp(far_record(2));
    int fd = open(tmp.path().c_str(), O_RDONLY);
    int h = kelvo_fidopen(fd, "rb");
    ASSERT_EQ(h, 0);
    kelvo_header hd = next_header(h);
    kelvo_far_struct far;
    EXPECT_EQ(kelvo_farread(h, &hd, &far), 2);
    kelvo_close(h);
    EXPECT_EQ(fcntl(fd, F_GETFD), -1);  // closed with the handle
    EXPECT_EQ(kelvo_fidopen(-1, "rb"), -1);
}

TEST(Stream, ReadWriteSeekAndFlush) {
    TempFile tmp(Bytes{1, 2, 3, 4, 5});
    int h = kelvo_open(tmp.path().c_str(), "r+");
    uint8_t buf[8] = {};
    EXPECT_EQ(kelvo_read(h, buf, 0), 0u);
    EXPECT_EQ(kelvo_read(h, buf, 2), 2u);
    EXPECT_EQ(kelvo_seek(h, 0, SEEK_CUR), 2);
    EXPECT_EQ(kelvo_seek(h, 0, SEEK_END), 5);
    EXPECT_EQ(kelvo_seek(h, 0, SEEK_SET), 0);
    // A short read returns 0 and leaves the file at its end.
    EXPECT_EQ(kelvo_read(h, buf, 8), 0u);
    EXPECT_EQ(buf[4], 5);
    EXPECT_EQ(kelvo_seek(h, 0, SEEK_CUR), 5);
    EXPECT_EQ(kelvo_seek(h, -10, SEEK_SET), -1);
    EXPECT_EQ(kelvo_write(h, "xy", 2), 2u);
    EXPECT_EQ(kelvo_write(h, "xy", 0), 0u);
    EXPECT_EQ(kelvo_flush(h), 0);
    EXPECT_EQ(tmp.contents().size(), 7u);
    kelvo_close(h);
    // Handles that are not open report failure.
    for (int bad : {-1, 32, h}) {
        EXPECT_EQ(kelvo_read(bad, buf, 1), 0u);
        EXPECT_EQ(kelvo_write(bad, buf, 1), 0u);
        EXPECT_EQ(kelvo_seek(bad, 0, SEEK_CUR), -1);
        EXPECT_NE(kelvo_flush(bad), 0);
        kelvo_header hd;
        EXPECT_EQ(kelvo_headread(bad, &hd), 0);
        EXPECT_EQ(kelvo_skip_record(bad, &hd), 0);
    }
}

TEST(Stream, HeadreadAndSkipInBothByteOrders) {
    Bytes le = concat({far_record(2), Image().bytes(Bytes(16, 7)).record(15, 10), Image().record(1, 20)});
    Bytes be = concat({far_record(1), Image(1).bytes(Bytes(16, 7)).record(15, 10), Image(1).record(1, 20)});
    for (const Bytes &file : {le, be}) {
        TempFile tmp;
        int h = open_bytes(file, tmp);
        kelvo_header hd = next_header(h);
        kelvo_far_struct far;
        ASSERT_EQ(kelvo_farread(h, &hd, &far), 2);
        hd = next_header(h);
        Bytes raw(reinterpret_cast<uint8_t *>(&hd), reinterpret_cast<uint8_t *>(&hd) + 4);
        EXPECT_EQ(raw, Bytes(file.begin() + 6, file.begin() + 10));  // unconverted
        EXPECT_EQ(kelvo_skip_record(h, &hd), 16);
        hd = next_header(h);
        EXPECT_EQ(kelvo_skip_record(h, &hd), 0);  // REC_LEN 0 consumes nothing
        EXPECT_EQ(kelvo_headread(h, &hd), 0);     // end of file
        kelvo_close(h);
    }
    // A header cut short and a body cut short.
    TempFile tmp;
    int h = open_bytes({2, 0}, tmp);
    kelvo_header hd;
    EXPECT_EQ(kelvo_headread(h, &hd), 0);
    kelvo_close(h);
    h = open_bytes({9, 0, 15, 10, 1}, tmp);
    hd = next_header(h);
    EXPECT_EQ(kelvo_skip_record(h, &hd), 0);
    kelvo_close(h);
}

TEST(RealFiles, EveryRecordIsConsumedByHeadreadAndSkip) {
    struct Expect {
        const char *name;
        long records;
    };
    for (Expect e : {Expect{"lot2", 58020}, Expect{"lot3", 59890}}) {
        int h = kelvo_open(data_file(e.name).c_str(), "r");
        ASSERT_GE(h, 0) << e.name;
        kelvo_header hd;
        long records = 0;
        long ptrs = 0;
        uint64_t bytes = 0;
        ASSERT_EQ(kelvo_headread(h, &hd), 4);
        kelvo_far_struct far;
        ASSERT_EQ(kelvo_farread(h, &hd, &far), 2);
        EXPECT_EQ(Kelvo_file_attributes[h].cpu_type, 1);
        EXPECT_EQ(Kelvo_file_attributes[h].kelvo_ver, 4);
        records = 1;
        bytes = 6;
        while (kelvo_headread(h, &hd) == 4) {
            uint16_t len = static_cast<uint16_t>((hd.REC_LEN >> 8) | (hd.REC_LEN << 8));
            ASSERT_EQ(kelvo_skip_record(h, &hd), len) << "record " << records;
            bytes += 4u + len;
            ++records;
            if (hd.REC_TYP == 15 && hd.REC_SUB == 10) ++ptrs;
        }
        EXPECT_EQ(records, e.records) << e.name;
        EXPECT_EQ(static_cast<long>(bytes), kelvo_seek(h, 0, SEEK_END));
        EXPECT_EQ(ptrs, std::string(e.name) == "lot2" ? 52403 : 54123);
        kelvo_close(h);
    }
}

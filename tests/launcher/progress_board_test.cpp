#include "launcher/progress_board.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

struct Figures {
    uint64_t total, now;
};

void set(ProgressSlot &slot, Figures f)
{
    slot.total = f.total;
    slot.now = f.now;
}

// One state of the board and the fraction it must give, to the bit.
struct BoardCase {
    const char *what;
    Figures download;
    Figures extraction;
    std::vector<Figures> jars; // empty: the jar list is not known yet
    float expected;
};

class ProgressBoardTest : public ::testing::TestWithParam<BoardCase> {
  protected:
    std::vector<ProgressSlot> slots;

    void TearDown() override
    {
        reset_board();
    }

    static void reset_board()
    {
        set(progress_board.runtime_download, {0, 0});
        set(progress_board.runtime_extraction, {0, 0});
        progress_board.jar_count = 0;
        progress_board.jar_slots = nullptr;
    }

    void load(const BoardCase &c)
    {
        reset_board();
        set(progress_board.runtime_download, c.download);
        set(progress_board.runtime_extraction, c.extraction);
        if (!c.jars.empty()) {
            slots = std::vector<ProgressSlot>(c.jars.size());
            progress_publish_jar_slots(slots.data(), slots.size());
            for (size_t i = 0; i < c.jars.size(); i++)
                set(slots[i], c.jars[i]);
        }
    }
};

uint32_t bits(float f)
{
    uint32_t b;
    std::memcpy(&b, &f, sizeof b);
    return b;
}

TEST_P(ProgressBoardTest, FractionMatchesToTheBit)
{
    const BoardCase &c = GetParam();
    load(c);
    float f = overall_fraction();
    EXPECT_EQ(bits(f), bits(c.expected)) << c.what << ": got " << f << ", want " << c.expected;
}

std::vector<Figures> jars(size_t n, Figures each)
{
    return std::vector<Figures>(n, each);
}

const BoardCase cases[] = {
    {"nothing known yet", {0, 0}, {0, 0}, {}, 0.0f},
    {"runtime current, every jar present", {1, 1}, {1, 1}, jars(4, {1, 1}), 1.0f},
    {"download half done, 4 jars pending", {1000, 500}, {0, 0}, jars(4, {0, 0}), 0.125f},
    {"runtime installed, 1 of 4 jars done",
     {1000, 1000},
     {20, 20},
     {{10, 10}, {10, 3}, {0, 0}, {7, 0}},
     0.625f},
    {"a jar one byte short adds nothing", {1, 1}, {1, 1}, {{1000, 999}}, 0.0f},
    {"a complete jar adds its whole share", {1, 1}, {1, 1}, {{1000, 1000}, {5, 0}}, 0.5f},
    {"a jar whose length is never stated never counts", {1, 1}, {1, 1}, {{0, 4096}, {1, 1}}, 0.5f},
    {"only the download marked not needed: jars carry 0.75",
     {1, 1},
     {0, 0},
     jars(3, {1, 1}),
     0.75f},
    {"only the extraction marked not needed", {0, 0}, {1, 1}, jars(1, {1, 1}), 0.75f},
    {"37 equal single-precision shares", {1, 1}, {1, 1}, jars(37, {1, 1}), 0.99999982f},
    {"more received than expected is not clamped", {100, 200}, {0, 0}, {}, 0.5f},
    {"extraction counted in files", {10, 10}, {8, 2}, {}, 0.3125f},
    {"a (1, 1) jar slot is just one of one", {1000, 0}, {0, 0}, jars(2, {1, 1}), 0.5f},
};

INSTANTIATE_TEST_SUITE_P(Cases, ProgressBoardTest, ::testing::ValuesIn(cases));

TEST(ProgressBoardWriters, MarkingAndPublishingLeaveTheDocumentedFigures)
{
    progress_mark_runtime_current();
    EXPECT_EQ(progress_board.runtime_download.total.load(), 1u);
    EXPECT_EQ(progress_board.runtime_download.now.load(), 1u);
    EXPECT_EQ(progress_board.runtime_extraction.total.load(), 1u);
    EXPECT_EQ(progress_board.runtime_extraction.now.load(), 1u);

    // Publishing zero-fills the array, whatever it held before.
    std::vector<ProgressSlot> slots(3);
    for (ProgressSlot &s : slots)
        set(s, {99, 98});
    progress_publish_jar_slots(slots.data(), slots.size());
    EXPECT_EQ(progress_board.jar_slots.load(), slots.data());
    EXPECT_EQ(progress_board.jar_count.load(), 3u);
    for (ProgressSlot &s : slots) {
        EXPECT_EQ(s.total.load(), 0u);
        EXPECT_EQ(s.now.load(), 0u);
    }
    EXPECT_EQ(overall_fraction(), 0.0f);

    progress_slot_set(&slots[1], 10, 10);
    EXPECT_EQ(bits(overall_fraction()), bits(1.0f / 3.0f));

    set(progress_board.runtime_download, {0, 0});
    set(progress_board.runtime_extraction, {0, 0});
    progress_board.jar_count = 0;
    progress_board.jar_slots = nullptr;
}

} // namespace

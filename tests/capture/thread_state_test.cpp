// SPDX-License-Identifier: Apache-2.0
// The thread state on its own; a streaming worker and a controlling thread
// sharing one are tested on every camera library (tests/portable).
#include "capture_fixture.h"

namespace capture_test {
namespace {

// Lets a test put any value into the flag words, as an application with its
// own derived class could.
class Cstate_probe : public Cthread_state {
public:
    void put_stop(std::uint32_t value) { stop_flag.store(value); }
    std::uint32_t stop_word() const { return stop_flag.load(); }
    std::uint32_t abort_word() const { return abort_flag.load(); }
    std::uint32_t active_word() const { return active_flag.load(); }
};

TEST(ThreadStateTest, FreshStateHasEveryWordClear)
{
    Cthread_state fresh;
    EXPECT_EQ(fresh.get_state(), 0u);
    EXPECT_EQ(fresh.get_status(), 0u);
    EXPECT_EQ(fresh.get_last_cc(), 0u);
    EXPECT_FALSE(fresh.stop_requested());
    EXPECT_FALSE(fresh.abort_requested());
    EXPECT_FALSE(fresh.active());
}

TEST(ThreadStateTest, FlagsAreWrittenAsExactlyOneOrZero)
{
    Cstate_probe probe;
    probe.set_stop();
    probe.set_stop();
    probe.set_abort();
    probe.set_abort();
    probe.set_active();
    EXPECT_EQ(probe.stop_word(), 1u);
    EXPECT_EQ(probe.abort_word(), 1u);
    EXPECT_EQ(probe.active_word(), 1u);
    probe.clear_stop();
    probe.clear_stop();
    probe.clear_abort();
    probe.set_inactive();
    EXPECT_EQ(probe.stop_word(), 0u);
    EXPECT_EQ(probe.abort_word(), 0u);
    EXPECT_EQ(probe.active_word(), 0u);
    // Any non-zero word counts as a request.
    probe.put_stop(0x80000000u);
    EXPECT_TRUE(probe.stop_requested());
}

TEST(ThreadStateTest, WordsAreIndependent)
{
    Cthread_state words;
    words.set_state(7);
    words.set_status(0xFFFFFFFFu);
    words.set_cc(13);
    words.set_abort();
    EXPECT_EQ(words.get_state(), 7u);
    EXPECT_EQ(words.get_status(), 0xFFFFFFFFu);
    EXPECT_EQ(words.get_last_cc(), 13u);
    EXPECT_FALSE(words.stop_requested());
    EXPECT_TRUE(words.abort_requested());
    EXPECT_FALSE(words.active());
}

TEST(ThreadStateTest, CopiesCarryTheWordsAsTheyStand)
{
    Cthread_state source;
    source.set_state(3);
    source.set_status(4);
    source.set_cc(16);
    source.set_stop();
    source.set_active();
    Cthread_state copy(source);
    source.clear_stop();
    EXPECT_TRUE(copy.stop_requested());
    EXPECT_FALSE(copy.abort_requested());
    EXPECT_TRUE(copy.active());
    EXPECT_EQ(copy.get_state(), 3u);
    EXPECT_EQ(copy.get_status(), 4u);
    EXPECT_EQ(copy.get_last_cc(), 16u);

    Cthread_state assigned;
    assigned.set_abort();
    assigned = source;
    EXPECT_FALSE(assigned.abort_requested());
    EXPECT_FALSE(assigned.stop_requested());
    EXPECT_EQ(assigned.get_last_cc(), 16u);
    Cthread_state& same = assigned;
    assigned = same;
    EXPECT_EQ(assigned.get_state(), 3u);
}

} // namespace
} // namespace capture_test

#include "standin/outputs/slot_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace standin {
namespace {

// A consumer that stalls now and then: every value arrives once, in order,
// the producer never more than the queue's slots ahead, and a prompt
// hand-over reaches a consumer asleep on a nearly empty queue.
TEST(SlotQueue, InOrderBoundedAndPromptAcrossThreads) {
    constexpr std::size_t kSlots = 8;
    constexpr int kValues = 20000;
    SlotQueue<int> queue(kSlots);
    std::atomic<int> consumed{0};
    std::atomic<int> most_ahead{0};
    std::vector<int> seen;
    std::thread consumer([&] {
        for (;;) {
            const int v = queue.front();
            if (v < 0) {
                queue.pop();
                return;
            }
            seen.push_back(v);
            // Counted before the slot is given back: the producer's view
            // of how far ahead it is never falls short.
            consumed = static_cast<int>(seen.size());
            queue.pop();
            if (v % 4000 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    for (int v = 0; v < kValues; ++v) {
        queue.back() = v;
        queue.push();
        const int ahead = v + 1 - consumed.load();
        if (ahead > most_ahead) most_ahead = ahead;
    }
    // One value more, handed over promptly: it must arrive without more
    // values behind it to fill half the queue.
    queue.back() = kValues;
    queue.push(true);
    // A bound that only catches a hang: a busy machine may take seconds.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (consumed.load() < kValues + 1 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    EXPECT_EQ(consumed.load(), kValues + 1);
    queue.back() = -1;
    queue.push(true);
    consumer.join();

    ASSERT_EQ(seen.size(), static_cast<std::size_t>(kValues + 1));
    for (int v = 0; v <= kValues; ++v) ASSERT_EQ(seen[static_cast<std::size_t>(v)], v);
    EXPECT_LE(most_ahead.load(), static_cast<int>(kSlots));
}

}  // namespace
}  // namespace standin

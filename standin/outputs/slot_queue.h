// A bounded queue of reusable slots from one producer thread to one
// consumer thread. The producer blocks while every slot is taken, so the
// memory stays fixed however far the consumer falls behind; slots keep
// their capacity from one use to the next, so a steady run allocates
// nothing. Either side sleeps only until the other has moved half the
// queue (or the producer asks for a prompt hand-over), so the two threads
// do not wake each other on every slot.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <vector>

namespace standin {

template <typename Slot>
class SlotQueue {
public:
    explicit SlotQueue(std::size_t capacity) : slots_(capacity < 2 ? 2 : capacity) {}

    // Producer: the slot to fill next; blocks while the queue is full.
    Slot& back() {
        const std::size_t head = head_.load(std::memory_order_relaxed);
        if (head - tail_.load() == slots_.size()) {
            std::unique_lock<std::mutex> lock(mutex_);
            producer_waits_ = true;
            space_.wait(lock, [&] { return head - tail_.load() <= half(); });
            producer_waits_ = false;
        }
        return slots_[head % slots_.size()];
    }
    // Producer: hands the slot from back() over; prompt wakes a sleeping
    // consumer whatever the queue holds.
    void push(bool prompt = false) {
        const std::size_t head = head_.load(std::memory_order_relaxed) + 1;
        head_.store(head);
        if (consumer_waits_.load() && (prompt || head - tail_.load() >= half())) {
            const std::lock_guard<std::mutex> lock(mutex_);
            data_.notify_one();
        }
    }

    // Consumer: the oldest slot handed over; blocks while there is none.
    Slot& front() {
        const std::size_t tail = tail_.load(std::memory_order_relaxed);
        if (head_.load() == tail) {
            std::unique_lock<std::mutex> lock(mutex_);
            consumer_waits_ = true;
            data_.wait(lock, [&] { return head_.load() != tail; });
            consumer_waits_ = false;
        }
        return slots_[tail % slots_.size()];
    }
    // Consumer: done with the slot from front(); it is the producer's again.
    void pop() {
        const std::size_t tail = tail_.load(std::memory_order_relaxed) + 1;
        tail_.store(tail);
        if (producer_waits_.load() && head_.load() - tail <= half()) {
            const std::lock_guard<std::mutex> lock(mutex_);
            space_.notify_one();
        }
    }

private:
    std::size_t half() const { return slots_.size() / 2; }

    std::vector<Slot> slots_;
    // Counts of slots handed over and given back; each written by one side.
    std::atomic<std::size_t> head_{0};
    std::atomic<std::size_t> tail_{0};
    // Sequentially consistent with the counts: a side that finds the other
    // asleep after its own move wakes it, or the other sees the move before
    // it sleeps.
    std::atomic<bool> producer_waits_{false};
    std::atomic<bool> consumer_waits_{false};
    std::mutex mutex_;
    std::condition_variable space_;
    std::condition_variable data_;
};

}  // namespace standin

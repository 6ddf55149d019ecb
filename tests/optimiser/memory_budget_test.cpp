#include "optimiser/memory_budget.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace vendrik {
namespace {

TEST(MemoryBudget, APictureWaitsUntilAnotherReleases) {
    MemoryBudget budget(100);
    MemoryReservation first(budget);
    first.add(80);
    std::atomic<bool> got{false};
    std::thread second([&] {
        MemoryReservation r(budget);
        r.add(50);
        got = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(got);
    first.release();
    second.join();
    EXPECT_TRUE(got);
}

TEST(MemoryBudget, AHolderNeverWaitsForMore) {
    // Two pictures each holding part of the budget and asking for more must
    // not wait for each other.
    MemoryBudget budget(100);
    MemoryReservation a(budget);
    MemoryReservation b(budget);
    a.add(40);
    b.add(40);
    std::thread more([&] { a.add(100); });
    b.add(100);
    more.join();
}

TEST(MemoryBudget, APictureAloneNeverWaitsEvenAboveTheBudget) {
    MemoryBudget budget(100);
    MemoryReservation r(budget);
    r.add(500);  // larger than the whole budget
    r.add(60);   // and more on top: it holds everything already
    r.release();
    MemoryReservation other(budget);
    other.add(100);  // all of it is free again
}

}  // namespace
}  // namespace vendrik

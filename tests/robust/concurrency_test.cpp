// Several threads run every case of the table at the same time, each starting at a
// different place in it. Buffers that a call only reads are shared by all threads; buffers that a
// call writes are private to the thread. Every outcome must be bit for bit the one of the same
// call made alone, and the shared buffers must not change.
#include <atomic>
#include <cstdio>
#include <thread>

#include "cases.h"
#include "matrix_testing.h"

namespace {

using robust::call_case;

struct prepared {
    call_case c;
    robust::outcome alone;
    std::vector<std::vector<double>> shared;  // initial contents; written slots are copied per call
};

TEST(Concurrency, CallsOnSharedInputsMatchTheCallMadeAlone) {
    const robust::entry_fn entry = lib::entry();
    std::vector<prepared> table;
    for (char op : robust::operations()) {
        for (const call_case &c : robust::cases_for(op)) {
            // Each slot is followed by a canary, which also gives a zero-element slot an address.
            auto slots = robust::initial_slots(c);
            for (auto &v : slots) v.push_back(testing_support::canary());
            table.push_back({c, robust::run_plain(c, entry), std::move(slots)});
        }
    }
    const unsigned threads = 4;
    const int rounds = 3;
    std::atomic<long> calls{0};
    std::atomic<unsigned> ready{0};
    std::vector<std::vector<std::string>> failures(threads);
    std::vector<std::thread> workers;
    for (unsigned t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            std::vector<double> forbidden = testing_support::canaries(16);
            // All threads start calling together.
            ready.fetch_add(1);
            while (ready.load() < threads) std::this_thread::yield();
            for (int round = 0; round < rounds; ++round) {
                for (size_t step = 0; step < table.size(); ++step) {
                    prepared &p = table[(step + t * table.size() / threads) % table.size()];
                    std::vector<std::vector<double>> own(p.shared.size());
                    std::vector<double *> slots;
                    for (size_t s = 0; s < p.shared.size(); ++s) {
                        if (p.c.writes(static_cast<int>(s))) {
                            own[s] = p.shared[s];
                            slots.push_back(own[s].data());
                        } else {
                            slots.push_back(p.shared[s].data());
                        }
                    }
                    const robust::outcome o = robust::run_on(p.c, entry, slots, forbidden.data());
                    calls.fetch_add(1, std::memory_order_relaxed);
                    std::string diff = robust::difference(p.alone, o);
                    for (size_t s = 0; s < own.size() && diff.empty(); ++s) {
                        if (!own[s].empty() && testing_support::bits(own[s].back()) != testing_support::kCanaryBits) {
                            diff = "the element after slot " + std::to_string(s) + " changed";
                        }
                    }
                    if (!diff.empty() && failures[t].size() < 20) failures[t].push_back(p.c.name + ": " + diff);
                    if (!testing_support::untouched(forbidden) && failures[t].size() < 20) {
                        failures[t].push_back(p.c.name + ": a buffer that must not be touched changed");
                        forbidden = testing_support::canaries(16);
                    }
                }
            }
        });
    }
    for (auto &w : workers) w.join();
    for (unsigned t = 0; t < threads; ++t) {
        for (const std::string &f : failures[t]) ADD_FAILURE() << "thread " << t << ": " << f;
    }
    for (const prepared &p : table) {
        const auto initial = robust::initial_slots(p.c);
        for (size_t s = 0; s < initial.size(); ++s) {
            if (!p.c.writes(static_cast<int>(s))) {
                std::vector<double> expected = initial[s];
                expected.push_back(testing_support::canary());
                EXPECT_TRUE(testing_support::same_bits(expected, p.shared[s])) << p.c.name << ": shared slot " << s;
            }
        }
    }
    std::printf("[ threads  ] %u threads, %ld calls over %zu cases\n", threads, calls.load(), table.size());
}

}  // namespace

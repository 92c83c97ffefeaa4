// The stress run's only source of chance: a seeded 64-bit generator (splitmix64) with the few
// draws the run needs. Its results depend on the seed alone, so a seed replays a run exactly.
#pragma once

#include <stdint.h>

#include <initializer_list>
#include <vector>

class Random {
public:
    explicit Random(uint64_t seed) : state_(seed) {}

    uint64_t next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // 0 .. n-1 (0 when n <= 0).
    int32_t below(int32_t n) { return n <= 0 ? 0 : static_cast<int32_t>(next() % static_cast<uint64_t>(n)); }
    // lo .. hi inclusive.
    int32_t between(int32_t lo, int32_t hi) { return lo + below(hi - lo + 1); }
    // True with probability p.
    bool chance(double p) { return unit() < p; }
    // [0, 1).
    double unit() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }
    float range(float lo, float hi) { return lo + static_cast<float>(unit()) * (hi - lo); }
    template <class T>
    const T& pick(const std::vector<T>& values) { return values[static_cast<size_t>(below(static_cast<int32_t>(values.size())))]; }
    template <class T>
    T pick(std::initializer_list<T> values) { return values.begin()[below(static_cast<int32_t>(values.size()))]; }
    // An index drawn by weight (weights need not sum to anything in particular).
    int32_t weighted(const std::vector<int32_t>& weights) {
        int64_t total = 0;
        for (int32_t w : weights) total += w;
        int64_t r = total > 0 ? static_cast<int64_t>(next() % static_cast<uint64_t>(total)) : 0;
        for (size_t i = 0; i < weights.size(); ++i) {
            if (r < weights[i]) return static_cast<int32_t>(i);
            r -= weights[i];
        }
        return 0;
    }

private:
    uint64_t state_;
};

// A uniform random sample of bounded size from a stream of unknown length,
// in one pass (reservoir sampling): a chart of a table with a row per input
// record shows points from all of it, not its first rows, in flat memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

namespace qrv::designer {

template <class T>
class ReservoirSample {
  public:
    // The same seed over the same stream keeps the same items.
    ReservoirSample(std::size_t capacity, std::uint64_t seed) : capacity_(capacity), rng_(seed) {}

    void add(const T& item) {
        ++seen_;
        if (kept_.size() < capacity_) {
            kept_.push_back(item);
            return;
        }
        // Item number seen_ stays with probability capacity / seen_, in
        // place of a kept item chosen uniformly.
        const std::uint64_t slot = below(seen_);
        if (slot < capacity_) kept_[static_cast<std::size_t>(slot)] = item;
    }
    const std::vector<T>& items() const { return kept_; }
    std::uint64_t seen() const { return seen_; }
    bool sampled() const { return seen_ > kept_.size(); }

  private:
    // Uniform in [0, n): the generator's draws are the same everywhere, the
    // standard distributions' mapping of them is not.
    std::uint64_t below(std::uint64_t n) {
        const std::uint64_t limit = UINT64_MAX - UINT64_MAX % n;
        std::uint64_t r;
        do r = rng_();
        while (r >= limit);
        return r % n;
    }

    std::size_t capacity_;
    std::mt19937_64 rng_;
    std::uint64_t seen_ = 0;
    std::vector<T> kept_;
};

}  // namespace qrv::designer

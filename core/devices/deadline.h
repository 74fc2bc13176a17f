#pragma once
// The moment a wait gives up, or never; read and write loops ask it what is left.

#include <algorithm>
#include <chrono>
#include <climits>
#include <optional>

class Deadline {
public:
    using Clock = std::chrono::steady_clock;

    static Deadline Never() { return Deadline(); }
    static Deadline In(std::chrono::milliseconds wait) { return Deadline(Clock::now() + wait); }

    bool IsNever() const { return !at_.has_value(); }
    bool Passed() const { return at_.has_value() && Clock::now() >= *at_; }

    // Milliseconds left, rounded up so a wait never wakes before the deadline; -1 for never.
    int PollTimeout() const {
        if (!at_.has_value()) return -1;
        const auto left = *at_ - Clock::now();
        if (left <= Clock::duration::zero()) return 0;
        const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
        return static_cast<int>(std::min<long long>(ms, INT_MAX));
    }

    static Deadline Earlier(const Deadline& a, const Deadline& b) {
        if (a.IsNever()) return b;
        if (b.IsNever()) return a;
        return *a.at_ <= *b.at_ ? a : b;
    }

private:
    Deadline() = default;
    explicit Deadline(Clock::time_point at) : at_(at) {}

    std::optional<Clock::time_point> at_;
};

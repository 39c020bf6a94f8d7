// Extended: a double-double number (an unevaluated sum hi + lo of two doubles,
// about 32 significant decimal digits) for the "decimal" differences of the
// statistics and for running sums that must not lose digits over millions of
// rows. Addition and multiplication are inline because they sit in the
// accumulation loops; they use error-free transformations (TwoSum, TwoProd),
// so a sum of doubles keeps every bit until it needs more than 106 of them.
//
// Invariant: every operation leaves the pair normalised, hi == fl(hi + lo),
// which makes the representation unique and lets comparison look at hi first.
// Overflow is not preserved as infinity: the error terms of an infinite
// intermediate are NaN, so the pair ends as NaN. Callers treat any non-finite
// result as a failed computation.
#pragma once

#include <cmath>
#include <compare>
#include <iosfwd>

namespace qrv::num {

class Extended {
  public:
    constexpr Extended() = default;
    // Implicit on purpose: doubles mix freely with Extended in expressions.
    constexpr Extended(double x) : hi_(x) {}  // NOLINT(google-explicit-constructor)

    // The exact sum / product of two doubles.
    static Extended sum(double a, double b) {
        Extended r;
        twoSum(a, b, r.hi_, r.lo_);
        return r;
    }
    static Extended product(double a, double b) {
        Extended r;
        twoProd(a, b, r.hi_, r.lo_);
        return r.normalised();
    }
    // Builds hi + lo from two parts of any relative size.
    static Extended fromParts(double hi, double lo) { return sum(hi, lo); }

    double hi() const { return hi_; }
    double lo() const { return lo_; }
    // The nearest double (the value hi already is, once normalised).
    double toDouble() const { return hi_ + lo_; }
    explicit operator double() const { return toDouble(); }

    Extended operator-() const {
        Extended r;
        r.hi_ = -hi_;
        r.lo_ = -lo_;
        return r;
    }

    Extended& operator+=(double b) {
        double s, e;
        twoSum(hi_, b, s, e);
        e += lo_;
        fastTwoSum(s, e, hi_, lo_);
        return *this;
    }
    Extended& operator+=(const Extended& b) {
        double s, e, t, f;
        twoSum(hi_, b.hi_, s, e);
        twoSum(lo_, b.lo_, t, f);
        e += t;
        fastTwoSum(s, e, s, e);
        e += f;
        fastTwoSum(s, e, hi_, lo_);
        return *this;
    }
    Extended& operator-=(double b) { return *this += -b; }
    Extended& operator-=(const Extended& b) { return *this += -b; }

    Extended& operator*=(double b) {
        double p, e;
        twoProd(hi_, b, p, e);
        e += lo_ * b;
        fastTwoSum(p, e, hi_, lo_);
        return *this;
    }
    Extended& operator*=(const Extended& b) {
        double p, e;
        twoProd(hi_, b.hi_, p, e);
        e += hi_ * b.lo_ + lo_ * b.hi_;
        fastTwoSum(p, e, hi_, lo_);
        return *this;
    }
    Extended& operator/=(const Extended& b);
    Extended& operator/=(double b) { return *this /= Extended(b); }

    friend Extended operator+(Extended a, const Extended& b) { return a += b; }
    friend Extended operator+(Extended a, double b) { return a += b; }
    friend Extended operator+(double a, Extended b) { return b += a; }
    friend Extended operator-(Extended a, const Extended& b) { return a -= b; }
    friend Extended operator-(Extended a, double b) { return a -= b; }
    friend Extended operator-(double a, const Extended& b) { return Extended(a) -= b; }
    friend Extended operator*(Extended a, const Extended& b) { return a *= b; }
    friend Extended operator*(Extended a, double b) { return a *= b; }
    friend Extended operator*(double a, Extended b) { return b *= a; }
    friend Extended operator/(Extended a, const Extended& b) { return a /= b; }
    friend Extended operator/(Extended a, double b) { return a /= b; }
    friend Extended operator/(double a, const Extended& b) { return Extended(a) /= b; }

    // Normalised pairs are unique, so ordering is lexicographic on (hi, lo).
    friend bool operator==(const Extended& a, const Extended& b) {
        return a.hi_ == b.hi_ && a.lo_ == b.lo_;
    }
    friend std::partial_ordering operator<=>(const Extended& a, const Extended& b) {
        if (auto c = a.hi_ <=> b.hi_; c != 0) return c;
        return a.lo_ <=> b.lo_;
    }

    friend Extended sqrt(const Extended& a);
    friend Extended abs(const Extended& a) { return a.hi_ < 0 ? -a : a; }

  private:
    // s + e == a + b exactly, with s = fl(a + b).
    static void twoSum(double a, double b, double& s, double& e) {
        s = a + b;
        double bb = s - a;
        e = (a - (s - bb)) + (b - bb);
    }
    // The same when |a| >= |b| (or a == 0), three operations cheaper.
    static void fastTwoSum(double a, double b, double& s, double& e) {
        s = a + b;
        e = b - (s - a);
    }
    // p + e == a * b exactly (barring underflow). Without hardware FMA the
    // library fma is a call; Dekker's split is inline and measured faster, but
    // it overflows near the top of the range, where fma takes over.
    static void twoProd(double a, double b, double& p, double& e) {
        p = a * b;
#if defined(__FMA__)
        e = std::fma(a, b, -p);
#else
        constexpr double kSplitLimit = 0x1p995;
        if (std::fabs(a) > kSplitLimit || std::fabs(b) > kSplitLimit) {
            e = std::fma(a, b, -p);
            return;
        }
        double ah, al, bh, bl;
        split(a, ah, al);
        split(b, bh, bl);
        e = ((ah * bh - p) + ah * bl + al * bh) + al * bl;
#endif
    }
    static void split(double a, double& h, double& l) {
        constexpr double kSplitter = 134217729.0;  // 2^27 + 1
        double t = kSplitter * a;
        h = t - (t - a);
        l = a - h;
    }
    Extended normalised() const {
        Extended r;
        fastTwoSum(hi_, lo_, r.hi_, r.lo_);
        return r;
    }

    double hi_ = 0.0;
    double lo_ = 0.0;
};

// Shown as "hi + lo" with all 17 digits of each part (used by test messages).
std::ostream& operator<<(std::ostream& os, const Extended& x);

}  // namespace qrv::num

// The derived quantities of the co-moment accumulators.
#include "engine/comoments.h"

namespace qrv {

using num::Extended;

namespace {

std::optional<Extended> perDf(const Extended& centred, const Extended& n) {
    if (!(n > Extended(1.0))) return std::nullopt;
    return centred / (n - 1.0);
}

}  // namespace

std::optional<Extended> CoMoments::varianceX() const {
    return perDf(Sxx(), n_);
}
std::optional<Extended> CoMoments::varianceY() const {
    return perDf(Syy(), n_);
}
std::optional<Extended> CoMoments::covariance() const {
    return perDf(Sxy(), n_);
}

std::optional<Extended> CoMoments::correlation() const {
    if (!(n_ > Extended(1.0))) return std::nullopt;
    const Extended vv = Sxx() * Syy();
    if (!(vv > Extended(0.0))) return std::nullopt;
    return Sxy() / sqrt(vv);
}

num::NormalEquations CoMoments::normalEquations() const {
    num::NormalEquations eq(1);
    eq.at(0, 0) = sxx_;
    eq.at(0, 1) = eq.at(1, 0) = sx_;
    eq.at(1, 1) = n_;
    eq.xy = {sxy_, sy_};
    eq.yy = syy_;
    return eq;
}

}  // namespace qrv

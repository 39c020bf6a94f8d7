// Fits the linear and one-way ANOVA reference data sets with the kernels and
// scores each certified value by its number of correct digits.
#pragma once

#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "numeric/anova.h"
#include "numeric/cross_products.h"
#include "numeric/least_squares.h"
#include "numeric/polynomial.h"
#include "support/strd.h"

namespace qrv::test {

inline StrdSet loadStrd(const std::string& name) {
    return readStrd(std::string(QRV_TEST_DATA_DIR) + "/strd/" + name + ".txt");
}

// Correct digits of got against a certified value, capped at 15. A certified
// 0 (exact fits) is scored by the absolute error, a certified infinity by
// whether the result is infinite too.
inline double digitsCorrect(double got, double cert) {
    if (std::isinf(cert)) return std::isinf(got) && (got > 0) == (cert > 0) ? 15.0 : 0.0;
    if (got == cert) return 15.0;
    const double err = cert == 0 ? std::fabs(got) : std::fabs(got - cert) / std::fabs(cert);
    if (!std::isfinite(err)) return 0.0;
    const double d = -std::log10(err);
    return d > 15 ? 15.0 : d < 0 ? 0.0 : d;
}

using Digits = std::map<std::string, double>;  // certified key -> digits correct

// A line of tests/numeric/reference/strd_ceiling.py: "Name key=digits ...".
inline std::pair<std::string, Digits> parseCeilings(const std::string& line) {
    std::istringstream words(line);
    std::pair<std::string, Digits> out;
    words >> out.first;
    for (std::string w; words >> w;) {
        const auto eq = w.find('=');
        out.second[w.substr(0, eq)] = std::stod(w.substr(eq + 1));
    }
    return out;
}

// Polynomial sets (terms with powers of x) go through the power sums, the
// others through the cross products; both end in the same solver.
inline num::RegressionFit fitLinearSet(const StrdSet& s) {
    const bool intercept = s.header.at("intercept").at(0) == "yes";
    std::vector<std::string> terms;
    for (const auto& t : s.header.at("terms")) {
        if (t != "1") terms.push_back(t);
    }
    const bool poly = terms.back().find('^') != std::string::npos;
    if (poly) {
        num::PowerSums sums(static_cast<int>(terms.size()));
        for (const auto& r : s.rows) sums.add(r[1], r[0]);
        return sums.fit(intercept);
    }
    num::CrossProducts sums(static_cast<int>(terms.size()));
    for (const auto& r : s.rows) {
        std::vector<double> x(r.begin() + 1, r.end());
        sums.add(x, r[0]);
    }
    return num::fitLeastSquares(sums.system(intercept), intercept);
}

inline Digits scoreLinearSet(const StrdSet& s) {
    const num::RegressionFit fit = fitLinearSet(s);
    Digits d;
    auto score = [&](const std::string& key, const num::Extended& v) {
        d[key] = digitsCorrect(v.toDouble(), s.certified.at(key));
    };
    if (fit.status != num::FitStatus::Ok) return d;
    if (fit.intercept) {
        score("b0", fit.a);
        score("b0_sd", fit.seA);
    }
    for (std::size_t j = 0; j < fit.b.size(); ++j) {
        std::string b = "b";  // appended, not "b" + ...: GCC 12 warns falsely on that
        b += std::to_string(j + 1);
        score(b, fit.b[j]);
        score(b + "_sd", fit.se[j]);
    }
    score("resid_sd", fit.residSd);
    score("r2", fit.r2);
    d["f"] = digitsCorrect(fit.f ? fit.f->toDouble() : INFINITY, s.certified.at("f"));
    return d;
}

inline num::OneWayAnova fitAnovaSet(const StrdSet& s) {
    std::vector<num::Moments> levels;
    for (const auto& r : s.rows) {
        const auto g = static_cast<std::size_t>(r[0]);
        if (levels.size() < g) levels.resize(g);
        levels[g - 1].add(r[1]);
    }
    return num::oneWayAnova(levels);
}

inline Digits scoreAnovaSet(const StrdSet& s) {
    const num::OneWayAnova t = fitAnovaSet(s);
    Digits d;
    auto score = [&](const std::string& key, double v) {
        d[key] = digitsCorrect(v, s.certified.at(key));
    };
    score("f", t.f ? t.f->toDouble() : NAN);
    score("r2", t.r2 ? t.r2->toDouble() : NAN);
    score("resid_sd", t.msWithin ? sqrt(*t.msWithin).toDouble() : NAN);
    score("model_ss", t.ssBetween.toDouble());
    score("resid_ss", t.ssWithin.toDouble());
    return d;
}

}  // namespace qrv::test

// The in-memory scenario: field list operations and the column-to-property
// map the loader uses. Four option columns are deliberately not loaded
// (FreqType, Chi, Residual, NPPair_Tau): the run never reads them, so they
// keep their initial values whatever the table holds.
#include "scenario/clumvar_scenario.h"

#include <variant>

#include "dataaccess/objects/tabledef.h"

namespace qrv {

CLumvarScenarioField& CLumvarScenario::AddField(std::string Field_Name, std::string Choice,
                                                std::string sKey) {
    CLumvarScenarioField f;
    f.Field_Name = std::move(Field_Name);
    f.Choice = std::move(Choice);
    fields_.push_back(std::move(f));
    keys_.push_back(std::move(sKey));
    return fields_.back();
}

CLumvarScenarioField* CLumvarScenario::Item(std::size_t position) {
    if (position < 1 || position > fields_.size()) return nullptr;
    return &fields_[position - 1];
}

CLumvarScenarioField* CLumvarScenario::Item(std::string_view key) {
    for (std::size_t i = 0; i < keys_.size(); ++i)
        if (!keys_[i].empty() && keys_[i] == key) return &fields_[i];
    return nullptr;
}

bool CLumvarScenario::Remove(std::size_t position) {
    if (position < 1 || position > fields_.size()) return false;
    fields_.erase(fields_.begin() + static_cast<std::ptrdiff_t>(position - 1));
    keys_.erase(keys_.begin() + static_cast<std::ptrdiff_t>(position - 1));
    return true;
}

bool CLumvarScenario::Remove(std::string_view key) {
    for (std::size_t i = 0; i < keys_.size(); ++i)
        if (!keys_[i].empty() && keys_[i] == key) return Remove(i + 1);
    return false;
}

namespace {

using Member = std::variant<bool CLumvarScenario::*, std::string CLumvarScenario::*,
                            dao::Value CLumvarScenario::*>;

struct ColumnProperty {
    const char* column;
    Member member;
};

// Option columns and the properties they fill; names match except where the
// table spells a column differently from the property (case only).
const ColumnProperty kOptionColumns[] = {
    {"CI", &CLumvarScenario::CI},
    {"CI95", &CLumvarScenario::CI95},
    {"FreqN", &CLumvarScenario::FreqN},
    {"FreqP", &CLumvarScenario::FreqP},
    {"Mean", &CLumvarScenario::Mean},
    {"Mode", &CLumvarScenario::Mode},
    {"Percentile", &CLumvarScenario::Percentile},
    {"Range", &CLumvarScenario::Range},
    {"Skew", &CLumvarScenario::Skew},
    {"Sum", &CLumvarScenario::Sum},
    {"TTestMean", &CLumvarScenario::TTestMean},
    {"VarStd", &CLumvarScenario::VarStd},
    {"FreqSum", &CLumvarScenario::FreqSum},
    {"CountXY", &CLumvarScenario::CountXY},
    {"MeanXY", &CLumvarScenario::MeanXY},
    {"CorrXY", &CLumvarScenario::CorrXY},
    {"TTest", &CLumvarScenario::TTest},
    {"MCnt", &CLumvarScenario::MCnt},
    {"MMis", &CLumvarScenario::MMis},
    {"MMean", &CLumvarScenario::MMean},
    {"MDev", &CLumvarScenario::MDev},
    {"MCov", &CLumvarScenario::MCov},
    {"MCor", &CLumvarScenario::MCor},
    {"MR2", &CLumvarScenario::MR2},
    {"MT", &CLumvarScenario::MT},
    {"MProb", &CLumvarScenario::MProb},
    {"RAnova", &CLumvarScenario::RAnova},
    {"RYInt", &CLumvarScenario::RYInt},
    {"XRowPCnt", &CLumvarScenario::XRowPCnt},
    {"XColPcnt", &CLumvarScenario::XColPcnt},
    {"XTotPcnt", &CLumvarScenario::XTotPcnt},
    {"XExpectPcnt", &CLumvarScenario::XExpectPcnt},
    {"XExpect", &CLumvarScenario::XExpect},
    {"XChi", &CLumvarScenario::XChi},
    {"ChiAll", &CLumvarScenario::ChiAll},
    {"ChiIgnoreBlanks", &CLumvarScenario::ChiIgnoreBlanks},
    {"ChiDetail", &CLumvarScenario::ChiDetail},
    {"CIStdDev", &CLumvarScenario::CIStdDev},
    {"FreqInit", &CLumvarScenario::FreqInit},
    {"FreqWidth", &CLumvarScenario::FreqWidth},
    {"TTestValue", &CLumvarScenario::TTestValue},
    {"CITypeRadio", &CLumvarScenario::CITypeRadio},
    {"FreqDispRadio", &CLumvarScenario::FreqDispRadio},
    {"FreqGroupRadio", &CLumvarScenario::FreqGroupRadio},
    {"FreqIncRadio", &CLumvarScenario::FreqIncRadio},
    {"PercentileRadio", &CLumvarScenario::PercentileRadio},
    {"VarNRadio", &CLumvarScenario::VarNRadio},
    {"MProbTail", &CLumvarScenario::MProbTail},
    {"RegressType", &CLumvarScenario::RegressType},
    {"XType", &CLumvarScenario::XType},
    {"CIUser", &CLumvarScenario::CIUser},
    {"InterV", &CLumvarScenario::InterV},
    {"RPoly", &CLumvarScenario::RPoly},
    {"FitUniform", &CLumvarScenario::FitUniform},
    {"FitNormal", &CLumvarScenario::FitNormal},
    {"FitPoisson", &CLumvarScenario::FitPoisson},
    {"SignMean", &CLumvarScenario::SignMean},
    {"SignMedian", &CLumvarScenario::SignMedian},
    {"SignCustom", &CLumvarScenario::SignCustom},
    {"SignValue", &CLumvarScenario::SignValue},
    {"NPPair_Sign", &CLumvarScenario::NPPair_Sign},
    {"NPPair_Wilcoxon", &CLumvarScenario::NPPair_Wilcoxon},
    {"NPPair_Spearman", &CLumvarScenario::NPPair_Spearman},
    {"NPFriedmanDetail", &CLumvarScenario::NPFriedmanDetail},
    {"NPKruskalDetail", &CLumvarScenario::NPKruskalDetail},
    {"NPTwoType", &CLumvarScenario::NPTwoType},
    {"GroupIgnoreBlanks", &CLumvarScenario::GroupIgnoreBlanks},
    {"GroupDetail", &CLumvarScenario::GroupDetail},
};

}  // namespace

bool CLumvarScenario::SetFromColumn(std::string_view column, const dao::Value& v) {
    for (const ColumnProperty& c : kOptionColumns) {
        if (!dao::iequal(c.column, column)) continue;
        std::visit(
            [&](auto member) {
                using T = std::remove_reference_t<decltype(this->*member)>;
                if constexpr (std::is_same_v<T, bool>)
                    this->*member = !v.isNull() && v.asBool();
                else if constexpr (std::is_same_v<T, std::string>)
                    this->*member = v.toText();
                else
                    this->*member = v;
            },
            c.member);
        return true;
    }
    return false;
}

}  // namespace qrv

// The scenario being run, held in memory: the scenario row, its options row
// and its field assignments. A plain property bag filled by the engine's
// loader and read by the run pipeline and the dispatch.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "dataaccess/value.h"

namespace qrv {

class CLumvarScenarioField {
  public:
    std::string Choice;  // role letter: G, C, X, Y or W
    std::string Field_Name;
};

class CLumvarScenario {
  public:
    // Adds a field at the end, under sKey when that is not empty. The reference
    // holds until the list next changes.
    CLumvarScenarioField& AddField(std::string Field_Name, std::string Choice,
                                   std::string sKey = {});

    // Scenario row.
    std::string Scenario_Description;
    std::string Scenario_Type;  // category letter
    std::string CalcType;       // analysis subtype
    std::string Table;
    std::string OutputTable1;
    std::string OutputTable2;
    std::string MissingType;
    dao::Value MissingEqual;
    dao::Value MissingLow;
    dao::Value MissingHigh;
    std::string Scenario_Version;

    // Options.
    bool CI = false, CI95 = false, FreqN = false, FreqP = false, Mean = false, Mode = false,
         Percentile = false, Range = false, Skew = false, Sum = false, TTestMean = false,
         VarStd = false, FreqSum = false;
    std::string FreqType;
    bool CountXY = false, MeanXY = false, CorrXY = false, TTest = false, MCnt = false, MMis = false,
         MMean = false, MDev = false, MCov = false, MCor = false, MR2 = false, MT = false,
         MProb = false, RAnova = false, Residual = false, RYInt = false, XRowPCnt = false,
         XColPcnt = false, XTotPcnt = false, XExpectPcnt = false, XExpect = false, XChi = false,
         Chi = false, ChiAll = false, ChiIgnoreBlanks = false, ChiDetail = false;
    dao::Value CIStdDev, FreqInit, FreqWidth, TTestValue;
    std::string CITypeRadio, FreqDispRadio, FreqGroupRadio, FreqIncRadio, PercentileRadio,
        VarNRadio, MProbTail, RegressType, XType;
    dao::Value CIUser, InterV, RPoly;
    bool FitUniform = false, FitNormal = false, FitPoisson = false, SignMean = false,
         SignMedian = false, SignCustom = false;
    dao::Value SignValue;
    bool NPPair_Sign = false, NPPair_Wilcoxon = false, NPPair_Spearman = false, NPPair_Tau = false,
         NPFriedmanDetail = false, NPKruskalDetail = false;
    std::string NPTwoType;
    bool GroupIgnoreBlanks = false, GroupDetail = false;

    // Field list: positions from 1 or keys.
    CLumvarScenarioField* Item(std::size_t position);
    CLumvarScenarioField* Item(std::string_view key);
    std::size_t FieldCount() const { return fields_.size(); }
    bool Remove(std::size_t position);
    bool Remove(std::string_view key);
    // Walks the fields in order.
    auto begin() const { return fields_.begin(); }
    auto end() const { return fields_.end(); }

    // Sets a property from a database column of the same name (case ignored);
    // false when no property of that name is loaded from the tables.
    bool SetFromColumn(std::string_view column, const dao::Value& v);

  private:
    std::vector<CLumvarScenarioField> fields_;
    std::vector<std::string> keys_;  // parallel to fields_; empty when added without a key
};

}  // namespace qrv

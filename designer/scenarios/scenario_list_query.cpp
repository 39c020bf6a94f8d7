#include "designer/scenarios/scenario_list_query.h"

#include "scenario/analysis_types.h"

namespace qrv::designer {

std::string LoadScenariosSql(const std::string& category, const std::string& subtype) {
    return "SELECT  Scenario_ID, Scenario_Analysis_SubType, Scenario_Description, "
           "Scenario_Input_Table_Name, Scenario_Analysis_Type, Scenario_Output_Table1_Name, "
           "Scenario_Output_Table2_Name, Scenario_CreatedBy, Scenario_DateCreated, "
           "Scenario_ModifiedBy, Scenario_LastModified FROM usysQuorvaneScenarios WHERE "
           "((Scenario_Analysis_SubType Like '" +
           subtype + "') And (Scenario_Analysis_Type = '" + category +
           "')) ORDER BY SortOrder, Scenario_ID;";
}

const std::vector<std::string>& ListColumnCaptions() {
    static const std::vector<std::string> captions = {
        "ID #",           "Type",       "Scenario Description", "Table",       "Output Table 1",
        "Output Table 2", "Created By", "Created Date",         "Modified By", "Modified Date"};
    return captions;
}

const std::vector<std::string>& ListQueryColumns() {
    // The category column of the query is the filter, not shown.
    static const std::vector<std::string> columns = {"Scenario_ID",
                                                     "Scenario_Analysis_SubType",
                                                     "Scenario_Description",
                                                     "Scenario_Input_Table_Name",
                                                     "Scenario_Output_Table1_Name",
                                                     "Scenario_Output_Table2_Name",
                                                     "Scenario_CreatedBy",
                                                     "Scenario_DateCreated",
                                                     "Scenario_ModifiedBy",
                                                     "Scenario_LastModified"};
    return columns;
}

std::vector<std::string> SubtypesOf(char category) {
    std::vector<std::string> out;
    for (const scenario::AnalysisType& t : scenario::AnalysisTypes())
        if (t.category == category) out.push_back(t.name);
    return out;
}

}  // namespace qrv::designer

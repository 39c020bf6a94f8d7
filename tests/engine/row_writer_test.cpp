// The output row writer: a failure part-way leaves no row behind, a missing
// or non-finite statistic is Null, and whole numbers keep their kind.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>

#include "dataaccess/dataaccess.h"
#include "engine/row_writer.h"
#include "support/temp_dir.h"

namespace qrv {
namespace {

using namespace qrv::dao;

class RowWriterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        auto created = DBEngine::Instance().CreateDatabase(dir.path() + "/w.db", dbLangGeneral);
        ASSERT_TRUE(created);
        db = std::move(*created);
        ASSERT_TRUE(db.Execute("CREATE TABLE Out (Region TEXT(10), DataField TEXT(64), "
                               "Label TEXT(4), Mean DOUBLE, Missing LONG)")
                        .ok());
        auto opened = db.OpenRecordset("Out", dbOpenDynaset);
        ASSERT_TRUE(opened);
        rs = std::move(*opened);
    }
    long rows() {
        auto n = db.OpenRecordset("SELECT Count(*) FROM Out", dbOpenSnapshot);
        return n ? static_cast<long>(n->GetValue(0).asDouble()) : -1;
    }
    test::TempDir dir;
    Database db;
    Recordset rs;
};

TEST_F(RowWriterTest, WritesByNameAndNullsWhatDoesNotExist) {
    const std::vector<std::string> names = {"Region", "Y"};
    const std::vector<int> types = {dbText, dbDouble};
    const std::vector<long> sizes = {10, 0};
    const InputFields in{names, types, sizes, 1};
    {
        RowWriter row(rs);
        row.groups(in, {Value("North")}, "Y").set("Missing", 3).set("Mean", std::nullopt);
        ASSERT_FALSE(row.finish());
    }
    {
        RowWriter row(rs);
        row.groups(in, {Value()}, "Y").set("Mean", std::numeric_limits<double>::infinity());
        ASSERT_FALSE(row.finish());
    }
    auto all = db.OpenRecordset(
        "SELECT Region, DataField, Mean, Missing "
        "FROM Out ORDER BY Region DESC",
        dbOpenSnapshot);
    ASSERT_TRUE(all);
    EXPECT_EQ(all->GetValue(0).toText(), "North");
    EXPECT_EQ(all->GetValue(1).toText(), "Y");
    EXPECT_TRUE(all->GetValue(2).isNull());
    EXPECT_EQ(all->GetValue(3).asDouble(), 3);
    EXPECT_NE(all->GetValue(3).kind(), ValueKind::Double);
    ASSERT_FALSE(all->MoveNext());
    EXPECT_TRUE(all->GetValue(0).isNull());
    EXPECT_TRUE(all->GetValue(2).isNull()) << "inf is not a statistic";
}

TEST_F(RowWriterTest, TheFirstFailureSticksAndNoHalfRowIsSaved) {
    RowWriter row(rs);
    row.set("Mean", 1.5).set("NoSuchColumn", 2.0).set("Label", "far too long");
    const Error e = row.finish();
    ASSERT_TRUE(e);
    EXPECT_EQ(e.number, err::kItemNotFound) << "the first failure, not a later one";
    EXPECT_EQ(rows(), 0);

    // An unfinished row is abandoned, and the recordset takes the next one.
    {
        RowWriter abandoned(rs);
        abandoned.set("Mean", 9.0);
    }
    RowWriter next(rs);
    next.set("Mean", 2.0);
    EXPECT_FALSE(next.finish());
    EXPECT_EQ(rows(), 1);
}

}  // namespace
}  // namespace qrv
